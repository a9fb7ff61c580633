// The builder's own promises: skeleton pieces on request, record placement, refusals,
// determinism by seed, and the command-line tool.
#include "builder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>

#include "archive/isam.h"
#include "reader.h"
#include "support/tempdir.h"

namespace zr {
namespace {

using demo::InstallationBuilder;
using testing::Installation;
using testing::TempDir;
namespace fs = std::filesystem;

std::string slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Every regular file under a folder, by relative path, with its bytes.
std::map<std::string, std::string> tree(const fs::path& root) {
  std::map<std::string, std::string> out;
  for (const auto& e : fs::recursive_directory_iterator(root)) {
    if (e.is_regular_file()) out[fs::relative(e.path(), root).string()] = slurp(e.path());
  }
  return out;
}

TEST(Builder, SkeletonWritesConfigurationAsTheProcedureLeavesIt) {
  TempDir dir;
  {
    InstallationBuilder b(dir.str());
    b.writeSkeleton();
  }
  EXPECT_EQ(slurp(dir / "RORIZIDO/TRPERARK.TRP"), "C:\\KORVANTE\\ARCHIVI\r\n");
  EXPECT_EQ(slurp(dir / "RORIZIDO/TRPERPRO.TRP"), "C:\\KORVANTE\\PROGRAMMI\r\n");
  EXPECT_EQ(slurp(dir / "ZAVUVOD/ZAVUVOD.INI"), "01" + std::string(98, ' ') + "\r\n");
  EXPECT_FALSE(fs::is_empty(dir / "KORVANTE/PROGRAMMI"));
  const std::string registry = slurp(dir / "registry.ini");
  EXPECT_NE(registry.find("[SOFTWARE\\VERANTIDATA\\KORVANTE]"), std::string::npos);
  EXPECT_NE(registry.find("PERCORSOARCHIVI=C:\\KORVANTE\\ARCHIVI\r\n"), std::string::npos);
  EXPECT_NE(registry.find("PERCORSOPROGRAMMI=C:\\KORVANTE\\PROGRAMMI\r\n"), std::string::npos);
  // Archives exist empty, indexes hold an empty root.
  EXPECT_EQ(fs::file_size(dir / "KORVANTE/ARCHIVI/KVDITTE.DAT"), 0u);
  const std::string root = slurp(dir / "KORVANTE/ARCHIVI/KVF24.IDX");
  ASSERT_EQ(root.size(), 2048u);
  EXPECT_EQ(root.substr(0, 16), std::string(9, static_cast<char>(kHighKeyChar)) + "1000000");
  for (const char* db :
       {"SF24XXXX.MDB", "SF242023.MDB", "SF242024.MDB", "TRCER24P.MDB", "TRUNCE24X.MDB"}) {
    EXPECT_EQ(slurp(dir / "KORVANTE/ARCHIVI" / db).substr(0, 15), "SQLite format 3") << db;
  }
  EXPECT_FALSE(fs::exists(dir / "KORVANTE/ARCHIVI/SF242025.MDB"));
}

TEST(Builder, SkeletonLeavesOutWhatTheTestAsks) {
  TempDir dir;
  demo::SkeletonOptions o;
  o.archivesFolder = "C:\\PAGHE\\DATI";
  o.pathFiles = false;
  o.registryArchivesFolder = "C:\\ALTROVE";
  o.programsFolderFilled = false;
  o.taskLine = "7 ";
  o.certificationDatabase = false;
  o.f24Template = false;
  o.f24Years = {2023};
  {
    InstallationBuilder b(dir.str());
    b.writeSkeleton(o);
    EXPECT_EQ(b.archivesPath(), "C:\\PAGHE\\DATI");
    EXPECT_EQ(b.config().CODICETASK, "7");
    b.putCompany({1, {}, false});
  }
  EXPECT_FALSE(fs::exists(dir / "RORIZIDO"));
  EXPECT_NE(slurp(dir / "registry.ini").find("PERCORSOARCHIVI=C:\\ALTROVE\r\n"), std::string::npos);
  EXPECT_TRUE(fs::is_empty(dir / "KORVANTE/PROGRAMMI"));
  EXPECT_EQ(slurp(dir / "ZAVUVOD/ZAVUVOD.INI"), "7" + std::string(99, ' ') + "\r\n");
  EXPECT_TRUE(fs::exists(dir / "PAGHE/DATI/TRUNCE24X.MDB"));
  EXPECT_FALSE(fs::exists(dir / "PAGHE/DATI/TRCER24P.MDB"));
  EXPECT_FALSE(fs::exists(dir / "PAGHE/DATI/SF24XXXX.MDB"));
  EXPECT_FALSE(fs::exists(dir / "PAGHE/DATI/SF242024.MDB"));
  EXPECT_EQ(fs::file_size(dir / "PAGHE/DATI/KVDITTE.DAT"), 6500u);
}

TEST(Builder, RecordsLandWhereTheProgramLooksAndKeysAreNotDuplicated) {
  TempDir dir;
  InstallationBuilder b(dir.str());
  b.writeSkeleton();
  // Company 4 first: records 1 to 3 become deleted records, not garbage.
  b.putCompany({4, {{"DITX$,00006,30,A,0,T002", "QUARTA S.R.L."}}, false});
  b.putCompany({2, {{"DITX$,00006,30,A,0,T002", "SECONDA S.P.A."}}, false});
  EXPECT_EQ(b.putF24({4,
                      2023,
                      3,
                      {{"F24X$,00042,04,N,0,A004", "1001", 1},
                       {"F24X$,00054,12,2,0,A006", "1234,5", 1}}}),
            1);
  EXPECT_EQ(b.putF24({4, 2023, 3, {}, true, false}), 2);  // a deleted record, out of the index
  EXPECT_THROW(b.putF24({4, 2023, 3, {}}), std::invalid_argument);
  EXPECT_EQ(b.putEmployee({4, 12, {{"DIPX$,04839,10,2,0,Q196", "10.5"}}}), 1);
  EXPECT_THROW(b.putEmployee({4, 12, {}}), std::invalid_argument);
  EXPECT_EQ(fs::file_size(dir / "KORVANTE/ARCHIVI/KVF24.DAT"), 2u * 9940);
  EXPECT_EQ(fs::file_size(dir / "KORVANTE/ARCHIVI/KVDIPEND.DAT"), 16200u);
  EXPECT_THROW(b.putCompany({0, {}}), std::invalid_argument);
  b.close();

  Installation in(dir.str());
  in.lib->FAIOPEN(1);
  const std::string r1 = in.record(1, 1), r2 = in.record(1, 2), r3 = in.record(1, 3),
                    r4 = in.record(1, 4);
  EXPECT_EQ(r1.substr(0, 2), "99");
  EXPECT_EQ(r3.substr(0, 2), "99");
  EXPECT_EQ(r2.substr(2, 3) + r2.substr(5, 14), "002SECONDA S.P.A.");
  EXPECT_EQ(r4.substr(2, 3) + r4.substr(5, 13), "004QUARTA S.R.L.");
  EXPECT_TRUE(in.record(1, 5).empty());

  in.lib->FAIOPEN(377);
  in.lib->FAIOPEN(378);
  EXPECT_EQ(CERCAISAM(*in.lib, 378, "004202303", 2, 0), 1);
  const std::string f24 = in.record(377, 1);
  EXPECT_EQ(f24.substr(0, 3), "004");
  EXPECT_EQ(f24.substr(41, 4), "1001");
  EXPECT_EQ(f24.substr(53, 12), "000000123450");
  EXPECT_EQ(f24.substr(4988, 6), "202303");
  EXPECT_EQ(in.record(377, 2).substr(0, 3), "994");
  in.lib->FAIOPEN(29);
  in.lib->FAIOPEN(30);
  EXPECT_EQ(CERCAISAM(*in.lib, 30, "0040000012", 2, 0), 1);
  const std::string employee = in.record(29, 1);
  EXPECT_EQ(employee.substr(2, 10), "0040000012");
  EXPECT_EQ(employee.substr(4838, 10), "0000001050");
}

TEST(Builder, FailuresNameWhatFailedInsteadOfLeavingHalfIndexedArchives) {
  TempDir dir;
  demo::SkeletonOptions o;
  o.catalogue = InstallationBuilder::defaultCatalogue();
  for (auto& e : o.catalogue) {
    if (e.base == 378) e.recordLength = 2176;  // an index laid out for another key length
  }
  std::erase_if(o.catalogue, [](const demo::CatalogueEntry& e) { return e.base == 29; });
  InstallationBuilder b(dir.str());
  b.writeSkeleton(o);
  try {
    b.putF24({3, 2023, 5, {}});
    FAIL() << "an F24 record went into an index of the wrong layout";
  } catch (const std::runtime_error& e) {
    EXPECT_THAT(std::string(e.what()), ::testing::HasSubstr("index 378 key 003202305"));
    EXPECT_THAT(std::string(e.what()), ::testing::HasSubstr("LUNK NO OK"));
  }
  EXPECT_EQ(fs::file_size(dir / "KORVANTE/ARCHIVI/KVF24.DAT"), 0u);
  try {
    b.putEmployee({3, 1, {}});
    FAIL() << "an employee was written without an archive in the catalogue";
  } catch (const std::logic_error& e) {
    EXPECT_THAT(std::string(e.what()), ::testing::HasSubstr("archive 29"));
  }
}

TEST(Builder, AnotherBuilderAddsToAnInstallationWrittenBefore) {
  TempDir dir;
  const auto summary = demo::buildDemo(dir.str(), {.companies = 4, .employees = 2, .seed = 8});
  {
    InstallationBuilder more(dir.str());
    more.putCompany({20, {{"DITX$,00006,30,A,0,T002", "AGGIUNTA S.R.L."}}});
    EXPECT_EQ(more.putF24({20, 2023, 5, {}}), summary.f24Records + 1);
    EXPECT_EQ(more.putEmployee({20, 1, {}}), summary.employees + 1);
  }
  Installation in(dir.str());
  for (int base : {1, 29, 30, 377, 378}) in.lib->FAIOPEN(base);
  EXPECT_EQ(in.record(1, 20).substr(2, 18), "020AGGIUNTA S.R.L.");
  EXPECT_EQ(in.record(1, 19).substr(0, 2), "99");
  EXPECT_EQ(CERCAISAM(*in.lib, 378, "020202305", 2, 0), summary.f24Records + 1);
  EXPECT_EQ(CERCAISAM(*in.lib, 30, "0200000001", 2, 0), summary.employees + 1);
  // The keys written before are all still found, each once.
  int keys = 0;
  std::string key(10, ' ');
  for (double r; (r = CERCAISAM(*in.lib, 30, key, 4, 0)) != 999999; ++keys) {
    key = in.record(29, r).substr(2, 10);
  }
  EXPECT_EQ(keys, summary.employees + 1);
}

TEST(Builder, TheSameSeedGivesTheSameBytesAndAnotherSeedOthers) {
  TempDir a, b, c;
  demo::buildDemo(a.str(), {.companies = 5, .employees = 3, .seed = 42});
  demo::buildDemo(b.str(), {.companies = 5, .employees = 3, .seed = 42});
  demo::buildDemo(c.str(), {.companies = 5, .employees = 3, .seed = 43});
  const auto ta = tree(a.path()), tb = tree(b.path()), tc = tree(c.path());
  ASSERT_GE(ta.size(), 20u);
  EXPECT_EQ(ta, tb);
  ASSERT_EQ(ta.size(), tc.size());
  for (const char* differs : {"KORVANTE/ARCHIVI/KVDITTE.DAT", "KORVANTE/ARCHIVI/KVF24.DAT",
                              "KORVANTE/ARCHIVI/KVDIPEND.DAT", "KORVANTE/ARCHIVI/TRCER24P.MDB"}) {
    ASSERT_TRUE(ta.count(differs)) << differs;
    EXPECT_NE(ta.at(differs), tc.at(differs)) << differs;
  }
  EXPECT_EQ(ta.at("KORVANTE/ARCHIVI/TRBASE.DAT"), tc.at("KORVANTE/ARCHIVI/TRBASE.DAT"));
}

int run(const std::string& command) {
  const int status = std::system((command + " >/dev/null 2>&1").c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(Builder, ToolBuildsQuicklyAndRefusesBadUsage) {
  TempDir dir;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(run(std::string(ZR_DEMO_PATH) + " '" + dir.str() + "'"), 0);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  EXPECT_TRUE(fs::exists(dir / "KORVANTE/ARCHIVI/KVF24.IDX"));
  EXPECT_EQ(run(std::string(ZR_DEMO_PATH)), 2);
  EXPECT_EQ(run(std::string(ZR_DEMO_PATH) + " --companies 0 '" + dir.str() + "'"), 2);
  EXPECT_EQ(run(std::string(ZR_DEMO_PATH) + " --employees many '" + dir.str() + "'"), 2);
  EXPECT_EQ(run(std::string(ZR_DEMO_PATH) + " --colour blue '" + dir.str() + "'"), 2);
}

}  // namespace
}  // namespace zr
