// The builder's promises other tests lean on: determinism by seed, and the command-line
// tool's exit statuses.
#include "builder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>

#include "catalogue.h"
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
    out[fs::relative(e.path(), root).string()] = {std::istreambuf_iterator<char>(in), {}};
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

int run(const std::string& args) {
  const std::string command = std::string(ZR_DEMO_PATH) + args + " >/dev/null 2>&1";
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(Builder, ToolBuildsQuicklyAndRefusesBadUsage) {
  TempDir dir;
  const std::string target = " '" + dir.str() + "'";
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(run(target), 0);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  EXPECT_TRUE(fs::exists(dir / "KORVANTE/ARCHIVI/KVF24.IDX"));
  for (const std::string bad : {"", " --companies 0", " --employees many", " --colour blue"}) {
    EXPECT_EQ(run(bad + (bad.empty() ? "" : target)), 2) << bad;
  }
}

}  // namespace
}  // namespace zr
