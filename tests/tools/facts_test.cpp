// The builder and the program must agree on the installation's names and base numbers: a
// skeleton is built, its files are looked for under names written out by hand, and the
// program's own name builders and archive opens must find them.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "archive/installation.h"
#include "builder.h"
#include "catalogue.h"
#include "reader.h"
#include "support/tempdir.h"

namespace zr {
namespace {

using testing::TempDir;
namespace fs = std::filesystem;

std::string slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(Facts, TheBuilderWritesWhatTheProgramLooksForUnderTheNamesSpelledByHand) {
  TempDir dir;
  demo::InstallationBuilder builder(dir.str());
  builder.writeSkeleton({});
  builder.close();
  const fs::path root = dir.path();
  const fs::path arc = root / "KORVANTE" / "ARCHIVI";
  for (const fs::path& p :
       {root / "RORIZIDO" / "TRPERARK.TRP", root / "RORIZIDO" / "TRPERPRO.TRP",
        root / "ZAVUVOD" / "ZAVUVOD.INI", arc / "TRBASE.DAT", arc / "TRSEMA.DAT",
        arc / "SF24XXXX.MDB", arc / "SF242023.MDB", arc / "SF242024.MDB", arc / "TRCER24P.MDB",
        arc / "TRUNCE24X.MDB"}) {
    EXPECT_TRUE(fs::is_regular_file(p)) << p;
  }
  EXPECT_EQ(slurp(root / "ZAVUVOD" / "ZAVUVOD.INI").size(), 100u + 2u);
  EXPECT_EQ(slurp(arc / "TRSEMA.DAT"), std::string(2000, ' '));

  // Catalogue record 377: "377", the pattern in 29 characters, the length in 5, blanks, CRLF.
  const std::string catalogue = slurp(arc / "TRBASE.DAT");
  ASSERT_GE(catalogue.size(), 378u * 79u);
  const std::string r377 = catalogue.substr(376 * 79, 79);
  EXPECT_EQ(r377.substr(0, 37), "377KVF24.DAT                    09940");
  EXPECT_EQ(r377.substr(77), "\r\n");

  // The program's names of the same files.
  EXPECT_EQ(inst::f24DatabaseName(2023), "SF242023.MDB");
  EXPECT_EQ(inst::inArchives("C:\\A", inst::kF24TemplateName), "C:\\A\\SF24XXXX.MDB");
  EXPECT_EQ(inst::certificationDatabaseName(), "TRCER24P.MDB");
  EXPECT_EQ(inst::certificationTemplateName(), "TRUNCE24X.MDB");

  // Every base number an export opens resolves through the built catalogue to an archive the
  // builder created, with the record length the catalogue gives.
  testing::Installation in(dir.str());
  for (int base : inst::kExportBases) {
    SCOPED_TRACE(base);
    ASSERT_NO_THROW(in.lib->FAIOPEN(base));
    EXPECT_NE(in.lib->NUMFILE(base), 0);
    EXPECT_GT(in.lib->LUNGREC(base), 0);
  }
  EXPECT_EQ(in.lib->LUNGREC(inst::kCompanies), 6500);
  EXPECT_EQ(in.lib->LUNGREC(inst::kF24Index), (9 + 7) * 128);
  in.lib->CHIUDIFILE(0);
}

}  // namespace
}  // namespace zr
