// The verify command end to end on the demo bureau: the list on stdout or in a file, the exit
// statuses of refused and bad command lines, and an update that changes only missing dates.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <set>
#include <sstream>

#include "support/cli.h"
#include "support/installation.h"

namespace zr::testbed {
namespace {

using testing::CliRun;

constexpr std::size_t kF24Length = 9940;
constexpr std::size_t kDatePos = 33;
const std::string kGrid =
    "16/02/2023,16/03/2023,17/04/2023,16/05/2023,16/06/2023,17/07/2023,21/08/2023,18/09/2023,"
    "16/10/2023,16/11/2023,18/12/2023,16/01/2024,16/02/2024";

CliRun verify(Installation& inst, std::vector<std::string> args) {
  args.insert(args.begin(),
              {"--root", inst.dir.str(), "--registry", inst.builder.registryPath(), "verify"});
  return testing::runCli(inst.dir.path(), args);
}

std::size_t count(const std::string& s, char c) { return std::count(s.begin(), s.end(), c); }

// The marks column of every company line of a list (columns 32 on) that has F24 records (the
// all-"N" text of a company without any is left out).
std::string marksOf(const std::string& list) {
  std::string marks;
  std::istringstream in(list);
  for (std::string line; std::getline(in, line);)
    if (line.size() > 31 && std::isdigit(static_cast<unsigned char>(line[0])) &&
        line.size() != 31 + 63)
      marks += line.substr(31);
  return marks;
}

TEST(VerifyCommand, ListsRefusesAndUpdatesOnlyMissingDates) {
  Installation inst(demo::Options{});
  const auto f24 = [&] { return readBytes(inst.archive("KVF24.DAT")); };
  const std::string before = f24();

  const CliRun plain = verify(inst, {"--all"});
  ASSERT_EQ(plain.status, 0) << plain.err;
  EXPECT_EQ(plain.out.rfind(std::string(98, '-') + "\nLista di controllo ditta F24", 0), 0u);
  EXPECT_GT(count(marksOf(plain.out), 'N'), 0u);
  EXPECT_EQ(count(marksOf(plain.out), 'A'), 0u);
  EXPECT_EQ(f24(), before);

  // The same list into a text file.
  const auto file = inst.dir.path() / "lista.txt";
  ASSERT_EQ(verify(inst, {"--all", "--print", file.string()}).status, 0);
  EXPECT_EQ(readBytes(file), plain.out);

  struct Bad {
    std::vector<std::string> args;
    int status;
    std::string says;
  };
  const std::string twelve = kGrid.substr(0, kGrid.rfind(','));
  std::string impossible = kGrid;
  impossible.replace(0, 10, "31/02/2023");
  for (const Bad& b : {Bad{{"--all", "--grid", twelve, "--update"}, 2, "exactly 13"},
                       Bad{{"--all", "--grid", impossible, "--update"}, 1, "Data errata"},
                       Bad{{"--select", "1,999", "--update"}, 2, "999"},
                       Bad{{"--update"}, 2, ""},
                       Bad{{"--all", "--select", "2"}, 2, ""}}) {
    const CliRun r = verify(inst, b.args);
    EXPECT_EQ(r.status, b.status) << b.args[0] << " " << r.err;
    EXPECT_TRUE(r.saidInErr(b.says)) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(f24(), before);
  }

  // --yes does not answer the update question; --update does.
  const CliRun yes = testing::runCli(inst.dir.path(), {"--root", inst.dir.str(), "--registry",
                                                       inst.builder.registryPath(), "--yes",
                                                       "verify", "--all", "--grid", kGrid});
  ASSERT_EQ(yes.status, 0) << yes.err;
  EXPECT_EQ(f24(), before);

  const CliRun update = verify(inst, {"--all", "--grid", kGrid, "--update"});
  ASSERT_EQ(update.status, 0) << update.err;
  const std::string marks = marksOf(update.out);
  EXPECT_EQ(count(marks, 'A'), count(marksOf(plain.out), 'N'));
  // Every changed byte lies in the date of a record, and as many records changed as were
  // marked "A"; each holds a date of the grid, as DDMMYYYY.
  const std::string after = f24();
  ASSERT_EQ(after.size(), before.size());
  std::set<std::size_t> records;
  for (std::size_t i = 0; i < after.size(); ++i)
    if (after[i] != before[i]) {
      const std::size_t pos = i % kF24Length;
      ASSERT_TRUE(pos >= kDatePos && pos < kDatePos + 8) << "byte " << i;
      records.insert(i / kF24Length);
    }
  EXPECT_EQ(records.size(), count(marks, 'A'));
  for (std::size_t r : records) {
    const std::string d = after.substr(r * kF24Length + kDatePos, 8);
    const std::string shown = d.substr(0, 2) + "/" + d.substr(2, 2) + "/" + d.substr(4);
    EXPECT_NE(kGrid.find(shown), std::string::npos) << d;
  }
  EXPECT_TRUE(inst.leftovers().empty());
}

}  // namespace
}  // namespace zr::testbed

namespace zr::testbed {
namespace {

// The list as a PDF, opened as images: one page per 56 companies, as the text list breaks.
TEST(VerifyCommand, ThePdfListHasTheTextListsPages) {
  Installation inst;
  for (int c = 1; c <= 57; ++c) {
    inst.builder.putCompany(company(c, {{"T002", "DITTA " + std::to_string(c)}}));
    demo::F24Record f;
    f.company = c;
    f.month = 3;
    inst.builder.putF24(f);
  }
  inst.builder.close();
  const auto text = inst.dir.path() / "lista.TXT";
  ASSERT_EQ(verify(inst, {"--all", "--print", text.string()}).status, 0);
  EXPECT_EQ(count(readBytes(text), '\f'), 1u);

  const auto pdf = inst.dir.path() / "lista.PDF";
  const CliRun r = verify(inst, {"--all", "--print", pdf.string()});
#ifdef _WIN32
  // The build without Qt prints text only: the PDF is refused before the list, and not made.
  EXPECT_EQ(r.status, 3);
  EXPECT_TRUE(r.saidInErr("printing to PDF needs the build with Qt")) << r.err;
  EXPECT_FALSE(std::filesystem::exists(pdf));
  return;
#endif
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "");
  const auto images = inst.dir.path() / "img";
  std::filesystem::create_directories(images);
  const std::string cmd = "pdftoppm -r 20 -png " + testing::quoted(pdf.string()) + " " +
                          testing::quoted((images / "p").string());
  ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
  std::vector<std::string> pages;
  for (const auto& e : std::filesystem::directory_iterator(images))
    pages.push_back(e.path().filename().string());
  std::sort(pages.begin(), pages.end());
  EXPECT_EQ(pages, (std::vector<std::string>{"p-1.png", "p-2.png"}));
}

}  // namespace
}  // namespace zr::testbed
