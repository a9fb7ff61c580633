// The builder's promises other tests lean on: determinism by seed, and the command-line
// tool's exit statuses.
#include "builder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>

#include "archive/isam.h"
#include "catalogue.h"
#include "platform/database.h"
#include "reader.h"
#include "support/cli.h"
#include "support/tempdir.h"

namespace zr {
namespace {

using testing::TempDir;
namespace fs = std::filesystem;

// Every regular file under a folder, by relative path, with its bytes.
std::map<std::string, std::string> tree(const fs::path& root) {
  std::map<std::string, std::string> out;
  for (const auto& e : fs::recursive_directory_iterator(root)) {
    if (!e.is_regular_file()) continue;
    std::ifstream in(e.path(), std::ios::binary);
    out[fs::relative(e.path(), root).generic_string()] = {std::istreambuf_iterator<char>(in), {}};
  }
  return out;
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

TEST(Builder, ALibraryFailureIsAnExceptionCarryingItsMessage) {
  // The company archive named after a company code: the library ends the build with its message
  // instead of showing it to nobody.
  TempDir dir;
  demo::SkeletonOptions o;
  o.catalogue = demo::standardCatalogue();
  for (auto& e : o.catalogue)
    if (e.base == 1) e.pattern = "D###.DAT";
  demo::InstallationBuilder builder(dir.str());
  try {
    builder.writeSkeleton(o);
    ADD_FAILURE() << "the build went on";
  } catch (const std::runtime_error& e) {
    EXPECT_EQ(std::string(e.what()), "create archive 1: ERRORE OPEN FILE - MANCA DITTAOPEN 1");
  }
}

TEST(Builder, RefusesCompaniesOfTheVoidMarkAndIndexesF24KeysAtAnyRecord) {
  TempDir dir;
  const fs::path archives = dir / "KORVANTE" / "ARCHIVI";
  {
    demo::InstallationBuilder b(dir.str());
    b.writeSkeleton();
    b.putCompany({1, {}, false});
    b.putCompany({989, {}, false});  // the last code whose records cannot read as void
    const double january = b.putF24({1, 2023, 1, {}, false, true});
    const double voided = b.putF24({1, 2023, 2, {}, true, false});
    const double last = b.putF24({989, 2023, 3, {}, false, true});
    ASSERT_EQ(january, 1);
    ASSERT_EQ(voided, 2);
    ASSERT_EQ(last, 3);
    const auto companies = fs::file_size(archives / "KVDITTE.DAT");
    const auto f24 = fs::file_size(archives / "KVF24.DAT");
    const auto index = fs::file_size(archives / "KVF24.IDX");

    for (int code : {990, 995, 999, 0, 1000}) {
      SCOPED_TRACE(code);
      EXPECT_THROW(b.putCompany({code, {}, false}), std::invalid_argument);
      EXPECT_THROW(b.putF24({code, 2023, 3, {}, false, true}), std::invalid_argument);
      EXPECT_THROW(b.putF24({code, 2023, 3, {}, false, false}), std::invalid_argument);
      EXPECT_THROW(b.indexF24At(code, 2023, 3, january), std::invalid_argument);
    }
    EXPECT_EQ(fs::file_size(archives / "KVDITTE.DAT"), companies);
    EXPECT_EQ(fs::file_size(archives / "KVF24.DAT"), f24);
    EXPECT_EQ(fs::file_size(archives / "KVF24.IDX"), index);

    b.indexF24At(1, 2023, 2, voided);   // the key of a record made void
    b.indexF24At(1, 2023, 3, 50);       // past the end of the archive
    b.indexF24At(1, 2023, 4, january);  // another month's record
    EXPECT_THROW(b.indexF24At(1, 2023, 1, voided), std::invalid_argument);  // already there
    for (double bad : {0.0, -1.0, 1.5, 999999.0})
      EXPECT_THROW(b.indexF24At(1, 2023, 5, bad), std::invalid_argument) << bad;
    EXPECT_EQ(fs::file_size(archives / "KVF24.DAT"), f24);  // entries only, no records
  }

  testing::Installation in(dir.str());
  in.lib->FAIOPEN(377);
  in.lib->FAIOPEN(378);
  auto find = [&](const char* key, int mode) { return CERCAISAM(*in.lib, 378, key, mode, 0); };
  EXPECT_EQ(find("001202301", 2), 1);
  EXPECT_EQ(find("001202302", 2), 2);
  EXPECT_EQ(in.record(377, 2).substr(0, 2), "99");
  EXPECT_EQ(find("001202303", 2), 50);
  EXPECT_EQ(in.record(377, 50), "");
  EXPECT_EQ(find("001202304", 2), 1);
  EXPECT_EQ(find("001202305", 2), -1);
  EXPECT_EQ(find("990202303", 2), -1);
  EXPECT_EQ(in.record(377, find("989202303", 2)).substr(0, 3), "989");
  // The walk meets the added entries in key order like any other.
  EXPECT_EQ(find("001202301", 4), 2);
  EXPECT_EQ(find("001202302", 4), 50);
  EXPECT_EQ(find("001202303", 4), 1);
  EXPECT_EQ(find("001202304", 4), 3);
  EXPECT_EQ(find("989202303", 4), 999999);
  // A deleted filler record stands in every gap of the company archive.
  in.lib->FAIOPEN(1);
  EXPECT_EQ(in.record(1, 500).substr(0, 2), "99");
  EXPECT_EQ(in.repo->STRCOSTANTE("DITX$,00003,03,N,0,T001", 0, in.record(1, 989)), "989");
  EXPECT_TRUE(in.ui.dialogs().empty());
}

TEST(Builder, ATextTypedDescriptorStoresADateAsTyped) {
  TempDir dir;
  const std::string date = "F24X$,00034,08,D,0,A003";
  EXPECT_EQ(demo::asText(date), "F24X$,00034,08,A,0,A003");
  EXPECT_THROW(demo::asText("F24X$,00034"), std::invalid_argument);
  {
    demo::InstallationBuilder b(dir.str());
    b.writeSkeleton();
    int month = 1;
    for (const auto& [descriptor, value] :
         std::vector<std::pair<std::string, std::string>>{{demo::asText(date), "  032023"},
                                                          {demo::asText(date), "12AB2023"},
                                                          {demo::asText(date), "0323"},
                                                          {date, "0323"},
                                                          {demo::asText(date), "        "}}) {
      b.putF24({1, 2023, month++, {{descriptor, value, 0}}, false, true});
    }
  }
  testing::Installation in(dir.str());
  in.lib->FAIOPEN(377);
  const char* const stored[] = {"  032023", "12AB2023", "0323    ", "00000323", "        "};
  for (int r = 1; r <= 5; ++r)
    EXPECT_EQ(in.repo->STRCOSTANTE(date, 0, in.record(377, r)), stored[r - 1]) << r;
}

int run(const std::vector<std::string>& args) {
  return testing::runProgram(ZR_DEMO_PATH, args, {});
}

// The release of a yearly database as the program reads it: a row's value, an empty table, or
// no table at all in one year while the others keep theirs.
TEST(Builder, YearlyReleasesOfZeroNoneAndATableDropped) {
  auto releaseOf = [](demo::InstallationBuilder& b, int year) -> std::optional<double> {
    auto engine = platform::makeDatabaseEngine(b.files());
    auto db = engine->open(b.archivePath("SF24" + std::to_string(year) + ".MDB"));
    auto rs = db->openTable("RELEASE");
    if (rs->eof()) return std::nullopt;
    return rs->field("release").asNumber();
  };
  {
    TempDir dir;
    demo::InstallationBuilder b(dir.str());
    demo::SkeletonOptions o;
    o.releaseValue = 0;
    b.writeSkeleton(o);
    EXPECT_EQ(releaseOf(b, 2023), std::optional<double>(0));
    o.releaseValue.reset();
    b.writeSkeleton(o);
    EXPECT_EQ(releaseOf(b, 2023), std::nullopt);
  }
  TempDir dir;
  demo::InstallationBuilder b(dir.str());
  b.writeSkeleton();
  EXPECT_EQ(releaseOf(b, 2023), std::optional<double>(1));
  b.dropF24Table(2023, "RELEASE");
  EXPECT_ANY_THROW(releaseOf(b, 2023));
  EXPECT_EQ(releaseOf(b, 2024), std::optional<double>(1));
  // The row tables of the year are still there.
  b.addRegionRow(2023, {"001", "202303", 1005, "1669", platform::Value(0.0), 12.5});
  EXPECT_THROW(b.dropF24Table(2023, "RELEASE"), std::runtime_error);
}

TEST(Builder, ToolBuildsQuicklyAndRefusesBadUsage) {
  TempDir dir;
  const std::string target = dir.str();
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(run({target}), 0);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  EXPECT_TRUE(fs::exists(dir / "KORVANTE/ARCHIVI/KVF24.IDX"));
  const std::vector<std::vector<std::string>> bad{
      {}, {"--companies", "0", target}, {"--employees", "many", target}, {"--colour", "blue", target}};
  for (const auto& args : bad) EXPECT_EQ(run(args), 2) << (args.empty() ? "" : args[0]);
}

}  // namespace
}  // namespace zr
