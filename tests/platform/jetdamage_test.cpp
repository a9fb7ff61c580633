// Damaged copies of the real Access files: cut at many lengths and with bytes flipped in many
// places. Each copy must give a clear error naming the file, or the table's full row count;
// never a crash, a hang or rows silently missing.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <random>

#include "platform/childprocess.h"
#include "platform/database.h"
#include "platform/files.h"
#include "platform/test_util.h"
#include "support/tempdir.h"

namespace zr::platform {
namespace {

using testing::bytesOf;

struct Source {
  const char* file;
  const char* table;
  long rows;
  std::size_t page;
};

struct Tally {
  int tried = 0, copies = 0, errors = 0, whole = 0;
};

constexpr int kStride = kAddressSanitized ? 4 : 1;

TEST(DamagedAccessFiles, GiveAClearErrorOrEveryRow) {
  const Source sources[] = {{"V1997-test.mdb", "Table1", 2, 2048},
                            {"V2003-test.mdb", "Table1", 2, 4096},
                            {"V1997-compindex.mdb", "Table1", 512, 2048},
                            {"V2000-compindex.mdb", "Table1", 512, 4096}};
  testing::TempDir dir;
  auto files = makeHostFiles("/");
  JetOptions jet;
  jet.timeLimit = std::chrono::seconds(3);
  auto engine = makeDatabaseEngine(*files, jet);
  const std::string copy = (dir.path() / "DAMAGED.MDB").string();
  std::mt19937 random(20231);
  Tally tally;
  const auto start = std::chrono::steady_clock::now();

  const auto check = [&](const Source& s, const std::string& bytes, const std::string& what) {
    // A sanitized reader starts slowly: that build reads every fourth copy, the same damage.
    if (tally.tried++ % kStride != 0) return;
    SCOPED_TRACE(std::string(s.file) + ", " + what);
    testing::writeBytes(copy, bytes);
    ++tally.copies;
    try {
      auto db = engine->open(copy);
      auto rs = db->openTable(s.table);
      long walked = 0;
      for (; !rs->eof(); rs->moveNext(), ++walked) (void)rs->field(s.rows == 2 ? "A" : "RS_AGENTE");
      EXPECT_EQ(walked, s.rows) << "rows silently missing";
      EXPECT_EQ(rs->recordCount(), s.rows);
      ++tally.whole;
    } catch (const RuntimeError& e) {
      EXPECT_NE(e.description().find(copy), std::string::npos) << e.description();
      EXPECT_TRUE(e.number() == 3049 || e.number() == 3078 || e.number() == 3343 ||
                  e.number() == 3265)
          << e.number() << " " << e.description();
      ++tally.errors;
    }
  };

  for (const Source& s : sources) {
    const std::string sound = bytesOf(std::string(ZR_SHARED_TESTDATA) + "/jet/" + s.file);
    ASSERT_FALSE(sound.empty()) << s.file;
    const std::size_t pages = sound.size() / s.page;
    // Cut at page boundaries (every one of the first pages, where the catalogue and the table
    // definitions lie, then spread), and inside pages.
    for (std::size_t p = 1; p < pages; p += p < 24 ? 1 : pages / 16)
      check(s, sound.substr(0, p * s.page), "cut at page " + std::to_string(p));
    for (int i = 0; i < 8; ++i) {
      const std::size_t at = random() % sound.size();
      check(s, sound.substr(0, at), "cut at " + std::to_string(at));
    }
    // Bytes flipped: two in each of the first pages, then anywhere; then bursts.
    for (int i = 0; i < 60; ++i) {
      std::string damaged = sound;
      const std::size_t span = i < 48 ? std::min(pages, std::size_t{24}) * s.page : sound.size();
      const std::size_t at = random() % span;
      damaged[at] = static_cast<char>(damaged[at] ^ (1 + random() % 255));
      check(s, damaged, "byte flipped at " + std::to_string(at));
    }
    for (int i = 0; i < 10; ++i) {
      std::string damaged = sound;
      const std::size_t at = random() % (sound.size() - 64);
      for (std::size_t k = 0; k < 64; ++k) damaged[at + k] = static_cast<char>(random());
      check(s, damaged, "64 bytes overwritten at " + std::to_string(at));
    }
  }
  const auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_GE(tally.copies, 200 / kStride);
  EXPECT_GT(tally.errors, 0);
  EXPECT_GT(tally.whole, 0);
  // No bound on the whole time: each read has its own limit, and a loaded or sanitized
  // machine is slower without being wrong.
  std::printf("%d damaged copies: %d errors, %d read whole, %.1f s\n", tally.copies, tally.errors,
              tally.whole, std::chrono::duration<double>(elapsed).count());
}

}  // namespace
}  // namespace zr::platform
