// The control lists with the index nodes kept for the command against the straightforward
// paths, on twin demo bureaus; and a list printed again after the F24 archive and its index
// have changed shows the change: nothing kept outlives its command.
#include <gtest/gtest.h>

#include "lists/printselection.h"
#include "repository/descriptors.h"
#include "support/twin_run.h"

namespace zr::testbed {
namespace {

const demo::Options kBureau{12, 2, 5};

void printList(App& app, int option) {
  ASSERT_TRUE(CmdVer1655_Click(app));
  Option1_Click(app, option);
  EXPECT_EQ(CmdStampa_Click(app), ListOutcome::Done);
}

TEST(KeptReads, PrintsEveryListAsTheStraightforwardPaths) {
  Installation plain(kBureau), kept(kBureau);
  for (int option = 0; option < 5; ++option) {
    SCOPED_TRACE("Option1(" + std::to_string(option) + ")");
    const auto list = [option](App& app) { printList(app, option); };
    const Produced a = runProducing(plain, false, list);
    EXPECT_NE(a.printed.find("PERIODO"), std::string::npos);
    expectSameProduce(a, runProducing(kept, true, list));
  }
}

TEST(KeptReads, NothingKeptOutlivesTheCommand) {
  Installation inst(kBureau);
  ASSERT_FALSE(inst.summary.withoutF24.empty());
  const int code = inst.summary.withoutF24.front();
  auto printers = std::make_unique<StringPrinters>();
  StringPrinters* document = printers.get();
  LoadedApp a(inst, {}, std::move(printers));
  a.selectAll();
  printList(*a.app, 0);
  const std::string before = document->text();
  // Another program adds a month for the company without payments: a new record, new index
  // entries (and nodes), while the window stays open.
  demo::F24Record added{code, 2023, 5, {}};
  added.fields.push_back({std::string(desc::erarioCode), "1001", 1});
  added.fields.push_back({std::string(desc::erarioDebit), "123.45", 1});
  inst.builder.putF24(added);
  inst.builder.close();
  printList(*a.app, 0);
  const std::string after = document->text().substr(before.size());
  EXPECT_NE(after.find("PERIODO 05/2023  1001"), std::string::npos) << after;
}

}  // namespace
}  // namespace zr::testbed
