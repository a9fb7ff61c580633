// The registry's INI stand-in: an arbitrary file read by the INI reader and queried for the
// program's own values and for keys and names the input gives. A query answers the same each
// time, and a text value never holds a NUL.
// Input: lines "subkey|name" ~~ the INI file's bytes.
#include "archive/installation.h"
#include "fuzz_support.h"
#include "platform/text.h"
#include "shell/registry.h"

using namespace zr;

namespace {

constexpr std::size_t kMaxQueries = 8;

void ask(platform::Settings& settings, std::string_view subkey, std::string_view name) {
  const auto first = settings.query(subkey, name);
  const auto again = settings.query(subkey, name);
  if (first.has_value() != again.has_value() ||
      (first && (first->type != again->type || first->text != again->text ||
                 first->dword != again->dword)))
    fuzz::fault("a query answered twice differently");
  if (first && first->text.find('\0') != std::string::npos) fuzz::fault("a NUL in a text value");
  const std::string folder = readRegistryFolder(settings, subkey, name);
  if (!platform::isSafeSystemPath(folder)) fuzz::fault("an unsafe folder from the registry");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto part = fuzz::parts(std::string_view(reinterpret_cast<const char*>(data), size), 2);
  fuzz::Root& root = fuzz::freshRoot();
  root.put("REGISTRY.INI", part[1]);
  auto settings = platform::makeIniSettings(root.files(), "C:\\REGISTRY.INI");
  fuzz::rejectedQuietly([&] {
    ask(*settings, inst::kRegistryKey, inst::kRegistryArchives);
    ask(*settings, inst::kRegistryKey, inst::kRegistryPrograms);
    std::string_view lines = part[0];
    for (std::size_t i = 0; i < kMaxQueries && !lines.empty(); ++i) {
      const std::size_t end = lines.find('\n');
      const auto f = fuzz::fields(lines.substr(0, end));
      lines.remove_prefix(end == std::string_view::npos ? lines.size() : end + 1);
      ask(*settings, f[0], f.size() > 1 ? f[1] : "");
    }
  });
  return 0;
}
