// The export report kept small: the run's summary is made record by record as the producers
// write (rewrites taken back first), a set on disk is read a block at a time, and row groups are
// read again only for a company whose rows changed. Each is checked against the files on disk.
#include <gtest/gtest.h>

#include <filesystem>

#include "export/exportreport.h"
#include "export/run.h"
#include "repository/descriptors.h"
#include "support/twin_run.h"

namespace zr::testbed {
namespace {

namespace fs = std::filesystem;
using report::ExportReport;

// Every row change of a company, worked out from the whole row groups of both sets.
std::vector<std::string> allRowChanges(platform::Files& files, const report::SetSummary& before,
                                       const report::SetSummary& after, const std::string& code) {
  auto was = report::rowGroupsOf(files, before, code);
  auto now = report::rowGroupsOf(files, after, code);
  std::vector<std::string> out;
  std::map<report::RowKey, report::RowChange> all;
  for (auto& [k, g] : was) all[k] = {k, g, std::nullopt};
  for (auto& [k, g] : now) {
    auto [it, added] = all.try_emplace(k, report::RowChange{k, std::nullopt, {}});
    it->second.after = g;
  }
  for (auto& [k, c] : all)
    if (c.before != c.after) out.push_back(report::rowChangeText(c));
  return out;
}

std::vector<std::string> texts(const report::CompanyComparison& c) {
  std::vector<std::string> out;
  for (const auto& r : c.rows) out.push_back(report::rowChangeText(r));
  return out;
}

struct Reported {
  ExportReport report;
  report::SetSummary onDisk;
};

Reported exportWithReport(Installation& inst, bool kept) {
  Reported out;
  runProducing(inst, kept, [&](App& app) {
    ASSERT_EQ(CMDAVVIO_Click(app, nullptr, &out.report), RunOutcome::Done);
    out.onDisk = report::readSet(app.files(), app.config.PERCORSOARCHIVI);
  });
  return out;
}

void expectSameSummary(const report::SetSummary& a, const report::SetSummary& b) {
  EXPECT_EQ(a.files, b.files);
  EXPECT_TRUE(a.companies == b.companies);
  EXPECT_TRUE(a.rows == b.rows);
  EXPECT_TRUE(a.undated == b.undated);
  EXPECT_EQ(a.problems, b.problems);
}

TEST(ReportPaths, EitherPathReportsWhatItsFilesHoldAndOnlyChangedRows) {
  const demo::Options bureau{9, 4, 11};
  Installation plain(bureau), kept(bureau);
  const Reported a = exportWithReport(plain, false);  // numbered by rewriting every record
  const Reported b = exportWithReport(kept, true);    // numbered as written
  expectSameSummary(a.report.current, a.onDisk);
  expectSameSummary(b.report.current, b.onDisk);
  expectSameSummary(a.report.current, b.report.current);
  EXPECT_FALSE(a.report.current.rows.empty());

  // The first set kept aside for the comparison worked out by hand below.
  for (Installation* inst : {&plain, &kept})
    fs::copy(inst->archivesFolder(), inst->dir / "FIRST", fs::copy_options::recursive);
  // The payroll changes one amount of the first F24 record, in both twins.
  for (Installation* inst : {&plain, &kept}) {
    ArchiveLib& lib = inst->builder.lib();
    Repository& repo = inst->builder.repo();
    lib.FAIOPEN(377);
    ASSERT_EQ(lib.LEGGIREC(377, 1), 0);
    repo.F24X() = lib.BUFFERREC(377);
    std::string amount = "987.65";
    repo.RepoW(desc::erarioDebit, amount, 0);
    lib.BUFFERREC(377) = repo.F24X();
    lib.SCRIVIREC(377, 1);
    lib.CHIUDIFILE(0);
  }
  const Reported a2 = exportWithReport(plain, false);
  const Reported b2 = exportWithReport(kept, true);
  ASSERT_TRUE(a2.report.previous && b2.report.previous);
  ASSERT_EQ(a2.report.comparison.size(), b2.report.comparison.size());
  int changed = 0;
  for (std::size_t i = 0; i < a2.report.comparison.size(); ++i) {
    const auto& ca = a2.report.comparison[i];
    const auto& cb = b2.report.comparison[i];
    SCOPED_TRACE(ca.code);
    EXPECT_EQ(ca.status, cb.status);
    EXPECT_EQ(texts(ca), texts(cb));
    // Against the whole row groups of the kept copy and the new set, company by company: the
    // digests skip only companies whose rows are the same.
    auto host = platform::makeHostFiles(plain.dir.str());
    report::SetSummary first = report::readSet(*host, (plain.dir / "FIRST").string());
    EXPECT_EQ(texts(ca), allRowChanges(*host, first, a2.onDisk, ca.code));
    if (!ca.rows.empty()) ++changed;
  }
  EXPECT_EQ(changed, 1);
}

TEST(ReportPaths, ASetLargerThanAReadBlockIsSummarisedWhole) {
  Installation inst(demo::Options{190, 1, 5});
  const Reported r = exportWithReport(inst, true);
  expectSameSummary(r.report.current, r.onDisk);
  const auto st = std::find_if(r.onDisk.files.begin(), r.onDisk.files.end(),
                               [](const report::FileFacts& f) { return f.stem == "QUADST"; });
  ASSERT_NE(st, r.onDisk.files.end());
  // More records than one block of reading holds (1 MiB of 190-character records).
  EXPECT_GT(st->records, (std::size_t{1} << 20) / 190);
  // Every quadro record is in one of its company's row groups, read back from its ranges.
  auto host = platform::makeHostFiles(inst.dir.str());
  std::uint64_t rows = 0, paid = 0, summed = 0;
  for (const auto& [code, c] : r.onDisk.companies) {
    for (const auto& [key, group] : report::rowGroupsOf(*host, r.onDisk, code)) {
      EXPECT_EQ(key.company, code);
      rows += group.payments.size();
      paid += static_cast<std::uint64_t>(group.paid());
    }
    summed += static_cast<std::uint64_t>(c.st.paid + c.sv.paid + c.selfEmployment.paid);
  }
  std::uint64_t records = 0;
  for (const auto& f : r.onDisk.files)
    if (f.stem == "QUADST" || f.stem == "QUADSV") records += f.records;
  EXPECT_EQ(rows, records);
  EXPECT_EQ(paid, summed);
}

}  // namespace
}  // namespace zr::testbed
