// The three-level ISAM index. Two kinds of input, by the first byte's low bit:
// - 0: an arbitrary index file and up to eight calls on it (insert, exact, delete, next key);
//   nothing is checked but that each call ends, with a result or a message.
// - 1: a sequence of calls from an empty index that the library builds itself, checked against
//   a plain map: every result as the map says, and a walk that gives the keys in order.
// Then: the key length (1..24), then per call an operation byte and the key's bytes; for 0 the
// rest of the input is the index file.
#include <map>

#include "archive/isam.h"
#include "fuzz_support.h"

using namespace zr;

namespace {

constexpr int kIndexBase = 378;
constexpr int kMaxCalls = 400;

// TRBASE.DAT with the one index base number, its record length that of the key length.
std::string catalogue(std::size_t lunk) {
  std::string records(static_cast<std::size_t>(kIndexBase) * inst::kCatalogueRecord, ' ');
  std::string& all = records;
  std::string r(77, ' ');
  r.replace(0, 3, "378");
  r.replace(3, 11, "ISAM378.DAT");
  const std::string length = std::to_string((lunk + 7) * 128);
  r.replace(37 - length.size(), length.size(), length);
  all.replace((kIndexBase - 1) * inst::kCatalogueRecord, 79, r + "\r\n");
  return records;
}

struct Reader {
  std::string_view in;
  bool take(std::size_t n, std::string_view& out) {
    if (in.size() < n) return false;
    out = in.substr(0, n);
    in.remove_prefix(n);
    return true;
  }
};

int modeOf(unsigned char op) {
  constexpr int kModes[] = {1, 1, 2, 3, 4};
  return kModes[op % 5];
}

void arbitraryIndex(ArchiveLib& lib, Reader& in, std::size_t lunk, fuzz::Root& root) {
  std::vector<std::pair<int, std::string>> calls;
  std::string_view op, key, count;
  if (!in.take(1, count)) return;
  const int n = static_cast<unsigned char>(count[0]) % 8 + 1;
  for (int i = 0; i < n && in.take(1, op) && in.take(lunk, key); ++i)
    calls.emplace_back(modeOf(static_cast<unsigned char>(op[0])), std::string(key));
  root.put("ARCHIVI/ISAM378.DAT", in.in);
  if (fuzz::rejectedQuietly([&] { lib.FAIOPEN(kIndexBase); })) return;
  double record = 1;
  for (const auto& call : calls)
    fuzz::rejectedQuietly([&] { CERCAISAM(lib, kIndexBase, call.second, call.first, record++); });
}

bool holdsHighChar(const std::string& key) {
  return key.find(static_cast<char>(kHighKeyChar)) != std::string::npos;
}
bool isBlank(const std::string& key) {
  return key.find_first_not_of(' ') == std::string::npos;
}

void modelChecked(ArchiveLib& lib, Reader& in, std::size_t lunk) {
  if (CERCAISAM(lib, kIndexBase, std::string(lunk, ' '), 9, 0) != 1) fuzz::fault("mode 9");
  std::map<std::string, double> model;
  std::string_view op, keyBytes;
  for (int call = 1; call <= kMaxCalls && in.take(1, op) && in.take(lunk, keyBytes); ++call) {
    const std::string key(keyBytes);
    const int mode = modeOf(static_cast<unsigned char>(op[0]));
    const bool refused = isBlank(key) && mode != 4;
    try {
      const double got = CERCAISAM(lib, kIndexBase, key, mode, call);
      const auto it = model.find(key);
      double want = -1;
      if (mode == 1) {
        want = call;
        model[key] = call;
      } else if (mode == 2 || mode == 3) {
        want = it == model.end() ? -1 : it->second;
        if (mode == 3 && it != model.end()) model.erase(it);
      } else {
        const auto next = model.upper_bound(key);
        want = next == model.end() ? 999999 : next->second;
      }
      if (refused || got != want) fuzz::fault("an index call disagrees with the map");
    } catch (const ProgramStopped&) {
      // The only messages an index the library built may give: a refused key.
      if (!refused && !(mode == 1 && holdsHighChar(key))) fuzz::fault("a message on a sound index");
    }
  }
  // The walk from the lowest key sees every key above it once, in order.
  std::string key(lunk, '\0');
  for (auto it = model.upper_bound(key); it != model.end(); ++it) {
    if (CERCAISAM(lib, kIndexBase, key, 4, 0) != it->second) fuzz::fault("the walk");
    key = it->first;
  }
  if (CERCAISAM(lib, kIndexBase, key, 4, 0) != 999999) fuzz::fault("the walk's end");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return -1;
  Reader in{std::string_view(reinterpret_cast<const char*>(data), size)};
  const bool model = (data[0] & 1) != 0;
  const std::size_t lunk = data[1] % 24 + 1;
  in.in.remove_prefix(2);
  fuzz::Root& root = fuzz::freshRoot();
  root.put("ARCHIVI/TRBASE.DAT", catalogue(lunk));
  fuzz::Library bed(root.files());
  if (model)
    modelChecked(bed.lib, in, lunk);
  else
    arbitraryIndex(bed.lib, in, lunk, root);
  bed.lib.CHIUDIFILE(0);
  return 0;
}
