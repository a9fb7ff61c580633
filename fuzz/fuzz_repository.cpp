// Field extraction and storing: arbitrary descriptors, occurrences and values over an
// arbitrary record, through STRCOSTANTE, VALCOSTANTE and RepoW (into a record and into the
// family buffer). A store that succeeds must leave the record's length and every byte outside
// the field as they were, and a text field must read back as stored.
// Input: lines "k|descriptor|value" ~~ the record's bytes.
#include <algorithm>
#include <charconv>

#include "fuzz_support.h"
#include "repository/repository.h"

using namespace zr;

namespace {

constexpr std::size_t kMaxFields = 8;

std::int16_t occurrence(std::string_view text) {
  int k = 0;
  std::from_chars(text.data(), text.data() + text.size(), k);
  return static_cast<std::int16_t>(std::clamp(k, -32768, 32767));
}

// What a successful store may have changed: the field's own bytes only.
void checkStore(Repository& repo, std::string_view descriptor, std::int16_t k,
                const std::string& before, const std::string& after, const std::string& value) {
  if (after.size() != before.size()) fuzz::fault("a store changed the record's length");
  const FieldLayout f = parseDescriptor(descriptor);
  const auto from = static_cast<std::size_t>(f.start + repo.SPOSTAMENTOGRUPPO(descriptor, k) - 1);
  const auto length = static_cast<std::size_t>(f.length);
  if (after.compare(0, from, before, 0, from) != 0 ||
      after.compare(from + length, std::string::npos, before, from + length) != 0)
    fuzz::fault("a store changed bytes outside its field");
  if (f.type == 'A') {
    std::string want = value;
    want.resize(length, ' ');
    if (repo.STRCOSTANTE(descriptor, k, after) != want) fuzz::fault("a text field reads back");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const auto part = fuzz::parts(input, 2);
  const std::string record(part[1]);
  fuzz::Root& root = fuzz::freshRoot();
  fuzz::Library bed(root.files());
  Repository repo(bed.lib);

  std::string_view lines = part[0];
  for (std::size_t i = 0; i < kMaxFields && !lines.empty(); ++i) {
    const std::size_t end = lines.find('\n');
    const std::vector<std::string> f = fuzz::fields(lines.substr(0, end));
    lines.remove_prefix(end == std::string_view::npos ? lines.size() : end + 1);
    const std::int16_t k = occurrence(f[0]);
    const std::string descriptor = f.size() > 1 ? f[1] : "";
    const std::string given = f.size() > 2 ? f[2] : "";

    fuzz::rejectedQuietly([&] { repo.STRCOSTANTE(descriptor, k, record); });
    fuzz::rejectedQuietly([&] { repo.VALCOSTANTE(descriptor, k, record); });
    std::string target = record;
    std::string value = given;
    if (!fuzz::rejectedQuietly([&] { repo.RepoW(descriptor, value, k, target); }) &&
        !record.empty())
      checkStore(repo, descriptor, k, record, target, value);
    // The same through the family buffer the descriptor names.
    const Family family = familyOf(descriptor);
    if (family != Family::Count) repo.buffer(family) = record;
    value = given;
    fuzz::rejectedQuietly([&] {
      repo.RepoW(descriptor, value, k);
      repo.STRCOSTANTE(descriptor, k);
    });
  }
  return 0;
}
