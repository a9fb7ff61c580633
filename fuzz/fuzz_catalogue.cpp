// The catalogue TRBASE.DAT and archive naming: arbitrary catalogue records and opening
// contexts through DAMMIFILE, VERBASE, FAIOPEN and ELIMINA.
// Input: "unit|company|year|region|province|task|n,n,..." ~~ the catalogue's bytes.
#include <charconv>

#include "fuzz_support.h"
#include "platform/text.h"

using namespace zr;

namespace {

std::vector<int> baseNumbers(std::string_view list) {
  std::vector<int> out;
  std::size_t at = 0;
  while (at < list.size() && out.size() < 6) {
    int n = 0;
    const auto [end, ec] = std::from_chars(list.data() + at, list.data() + list.size(), n);
    if (ec == std::errc()) out.push_back(n);
    at = static_cast<std::size_t>(end - list.data()) + 1;
  }
  return out;
}

void setContext(ArchiveLib& lib, const std::vector<std::string>& f) {
  lib.UNITAOPEN = f.size() > 0 ? f[0] : "";
  lib.DITTAOPEN = f.size() > 1 ? f[1] : "";
  lib.ANNOOPEN = f.size() > 2 ? f[2] : "";
  lib.REGIONEOPEN = f.size() > 3 ? f[3] : "";
  lib.PROVINCIAOPEN = f.size() > 4 ? f[4] : "";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  auto part = fuzz::parts(input, 2);
  const std::vector<std::string> context = fuzz::fields(part[0]);
  fuzz::Root& root = fuzz::freshRoot();
  root.put("ARCHIVI/TRBASE.DAT", part[1]);
  fuzz::Library bed(root.files(), context.size() > 5 ? context[5] : "07");
  ArchiveLib& lib = bed.lib;

  for (int n : baseNumbers(context.size() > 6 ? context[6] : "1")) {
    fuzz::rejectedQuietly([&] {
      setContext(lib, context);
      bool prefix = true;
      const std::string name = lib.DAMMIFILE(n, prefix);
      // A name the library hands out is one Windows could make.
      if (!name.empty() && !platform::isSafeSystemPath(name)) fuzz::fault("unsafe archive name");
    });
    fuzz::rejectedQuietly([&] {
      setContext(lib, context);
      lib.VERBASE(n);
    });
    fuzz::rejectedQuietly([&] {
      setContext(lib, context);
      const double length = lib.FAIOPEN(n);
      if (length > 0 && lib.BUFFERREC(n).size() != static_cast<std::size_t>(length))
        fuzz::fault("slot buffer not of the record length");
      if (length > 0) {
        lib.LEGGIREC(n, 1);
        lib.SCRIVIREC(n, 2);
      }
    });
    fuzz::rejectedQuietly([&] {
      setContext(lib, context);
      lib.ELIMINA(n);
    });
  }
  lib.CHIUDIFILE(0);
  return 0;
}
