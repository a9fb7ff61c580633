// The list command end to end: each list name on stdout, the same text in a file, a PDF with
// the text's pages, and the exit statuses of refused, bad and stopped command lines.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "lists/bureau.h"
#include "support/cli.h"

namespace zr::testbed {
namespace {

using testing::CliRun;

CliRun list(Installation& inst, std::vector<std::string> args) {
  args.insert(args.begin(),
              {"--root", inst.dir.str(), "--registry", inst.builder.registryPath(), "list"});
  return testing::runCli(inst.dir.path(), args);
}

// The page count pdfinfo reads from a PDF (-1 when it cannot).
int pdfPages(const std::filesystem::path& pdf) {
  const auto info = pdf.string() + ".info";
  const std::string cmd = "pdfinfo " + testing::quoted(pdf.string()) + " > " +
                          testing::quoted(info) + " 2>&1";
  if (std::system(cmd.c_str()) != 0) return -1;
  std::istringstream in(readBytes(info));
  for (std::string line; std::getline(in, line);)
    if (line.rfind("Pages:", 0) == 0) return std::stoi(line.substr(6));
  return -1;
}

TEST(ListCommand, EachListPrintsItsTextToStdoutToAFileAndToAPdf) {
  Bureau b;
  struct Case {
    std::string name, expected;
  };
  const Case cases[] = {{"erario", erarioList()},       {"regioni", regioniList(true)},
                        {"comuni", comuniList()},       {"tutte", allThree()},
                        {"sx", sxList(true)}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const CliRun r = list(b.inst, {c.name, "--all"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, c.expected);
  }
  // The same selection by codes; the text into a file equals what stdout shows.
  const CliRun out = list(b.inst, {"tutte", "--select", "1,02,003"});
  ASSERT_EQ(out.status, 0) << out.err;
  EXPECT_EQ(out.out, allThree());
  const auto txt = b.inst.dir.path() / "liste.txt";
  const CliRun file = list(b.inst, {"tutte", "--all", "--print", txt.string()});
  ASSERT_EQ(file.status, 0) << file.err;
  EXPECT_EQ(file.out, "");
  EXPECT_EQ(readBytes(txt), out.out);

  // The PDF has as many pages as the text has form feeds plus one.
  const auto pdf = b.inst.dir.path() / "liste.pdf";
  const CliRun p = list(b.inst, {"tutte", "--all", "--print", pdf.string()});
#ifdef _WIN32
  // The build without Qt prints text only: a PDF is refused before the list, and not made.
  EXPECT_EQ(p.status, 3);
  EXPECT_TRUE(p.saidInErr("printing to PDF needs the build with Qt")) << p.err;
  EXPECT_FALSE(std::filesystem::exists(pdf));
  return;
#endif
  ASSERT_EQ(p.status, 0) << p.err;
  EXPECT_EQ(p.out, "");
  const auto feeds = std::count(out.out.begin(), out.out.end(), '\f');
  EXPECT_EQ(pdfPages(pdf), feeds + 1);
}

// Every list on the demo bureau: each line has one of the list's shapes, and the PDF has the
// text's pages.
TEST(ListCommand, EveryListPrintsOnTheDemoBureau) {
  Installation inst(demo::Options{});
  const auto shaped = [](const std::string& line) {
    for (List l : {List::Erario, List::Regioni, List::Comuni, List::Sx})
      if (line.starts_with(titleOf(l))) return true;
    if (line.empty() || line == d98 || line == "TOTALE SUDDIVISI PER CODICE") return true;
    if (line.starts_with("DITTA  ")) return true;
    // Month and total lines end in their last amount and two blanks; the D-C column is absent
    // from the SX list's.
    const bool sx = line.find("D-C ") == std::string::npos;
    const std::size_t width = sx ? 59 : 79;
    return (line.starts_with("PERIODO ") || line.starts_with("TOTALE CODICE ") ||
            line.starts_with("TOTALE GENERALE")) &&
           line.size() == width && line.ends_with("  ") && line[width - 3] != ' ';
  };
  for (const std::string name : {"erario", "regioni", "comuni", "tutte", "sx"}) {
    SCOPED_TRACE(name);
    const CliRun r = list(inst, {name, "--all"});
    ASSERT_EQ(r.status, 0) << r.err;
    std::istringstream in(r.out);
    int periods = 0;
    for (std::string line; std::getline(in, line);) {
      if (!line.empty() && line[0] == '\f') line.erase(0, 1);
      EXPECT_TRUE(shaped(line)) << "\"" << line << "\"";
      periods += line.starts_with("PERIODO ");
    }
    EXPECT_GT(periods, 0);
    const auto pdf = inst.dir.path() / (name + ".pdf");
#ifdef _WIN32
    continue;  // no PDF without Qt (the first list command test checks the refusal)
#endif
    ASSERT_EQ(list(inst, {name, "--all", "--print", pdf.string()}).status, 0);
    EXPECT_EQ(pdfPages(pdf), std::count(r.out.begin(), r.out.end(), '\f') + 1);
  }
}

TEST(ListCommand, RefusedBadAndStoppedCommandLines) {
  Installation empty;  // no company: --all selects nothing
  empty.builder.close();
  const CliRun none = list(empty, {"erario", "--all"});
  EXPECT_EQ(none.status, 1) << none.err;
  EXPECT_TRUE(none.saidInErr("Nessuna ditta selezionata")) << none.err;
  EXPECT_EQ(none.out, "");

  Bureau b;
  struct Bad {
    std::vector<std::string> args;
    std::string says;
  };
  for (const Bad& bad : {Bad{{"giornale", "--all"}, "giornale"},
                         Bad{{"erario"}, ""},
                         Bad{{"erario", "--all", "--select", "1"}, ""},
                         Bad{{"erario", "--select", "1,999"}, "999"}}) {
    SCOPED_TRACE(bad.args[0]);
    const CliRun r = list(b.inst, bad.args);
    EXPECT_EQ(r.status, 2) << r.err;
    EXPECT_TRUE(r.saidInErr(bad.says)) << r.err;
    EXPECT_EQ(r.out, "");
  }

  // An index entry past the end of the archive: exit 3 after the message, with the pages
  // printed so far on stdout.
  Installation inst;
  inst.builder.putCompany(company(1, {{"T002", "UNO SRL"}}));
  inst.builder.putF24(F24(1, 2023, 1).erario(1, "1001", "10").rec);
  inst.builder.indexF24At(1, 2023, 2, 5000);
  inst.builder.close();
  const CliRun stopped = list(inst, {"erario", "--all"});
  EXPECT_EQ(stopped.status, 3) << stopped.err;
  EXPECT_TRUE(stopped.saidInErr("NON ESISTE F24 CON K 001202302 - FARE RIPRISTINO ISAM F24 -"))
      << stopped.err;
  EXPECT_EQ(stopped.out, header(List::Erario, 1, "DITTA  001 UNO SRL") +
                             monthLine("01", "1001", "10,00", "0,00", "10,00") + "\n");
}

}  // namespace
}  // namespace zr::testbed
