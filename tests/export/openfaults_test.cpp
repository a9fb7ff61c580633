// An open that fails once, where the run asks whether a file is there: the certification
// database, the run's own temporaries and the previous export files. Each run either fails
// keeping the previous files, or ends as a run without the fault would: never a database
// replaced by its template, a file written anew over what it held, or a previous file lost.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "export/installation.h"
#include "support/fault_files.h"

namespace zr::exporttest {
namespace {

namespace fs = std::filesystem;
using testing::Call;
using testing::FaultFiles;

std::map<std::string, std::string> filesOf(const fs::path& folder) {
  std::map<std::string, std::string> all;
  for (const auto& e : fs::directory_iterator(folder))
    if (e.is_regular_file()) all[e.path().filename().string()] = readBytes(e.path());
  return all;
}

TEST(OpenFaults, AFileThatCannotBeOpenedOnceIsNeverTakenForAMissingOne) {
  demo::Options two;
  two.companies = 2;
  two.employees = 2;
  Installation inst(two);
  const fs::path archives = inst.archivesFolder();
  {
    LoadedApp a(inst);
    a.select({inst.summary.companies[0]});  // a previous set that differs from the new one
    ASSERT_EQ(CMDAVVIO_Click(*a.app), RunOutcome::Done);
  }
  const auto before = filesOf(archives);
  {
    LoadedApp a(inst);
    a.selectAll();
    ASSERT_EQ(CMDAVVIO_Click(*a.app), RunOutcome::Done);
  }
  const auto clean = filesOf(archives);
  ASSERT_NE(before.at("QUADST.V24"), clean.at("QUADST.V24"));

  int runs = 0;
  for (const char* path : {"TRCER24P.MDB", "QUADST.V24", "FRONTE.V24"}) {
    for (int k = 1;; ++k) {
      SCOPED_TRACE(std::string(path) + " open " + std::to_string(k));
      for (const auto& [name, bytes] : before) writeBytes(archives / name, bytes);
      FaultFiles* faulty = nullptr;
      LoadedApp a(inst, [&](platform::Files& host) -> std::unique_ptr<platform::Files> {
        auto f = std::make_unique<FaultFiles>(host);
        faulty = f.get();
        return f;
      });
      faulty->inject(testing::fail(Call::Open, 75).on(path).nth(k));
      a.selectAll();
      RunOutcome outcome = RunOutcome::Failed;
      try {
        outcome = CMDAVVIO_Click(*a.app);
      } catch (const ProgramEnd&) {
      }
      if (faulty->fired() == 0) break;  // every open of the file has had its fault
      ++runs;
      const auto now = filesOf(archives);
      if (outcome == RunOutcome::Done) {
        EXPECT_EQ(now, clean);
      } else {
        EXPECT_EQ(now, before);
        ASSERT_FALSE(a.dialogs().empty());
        EXPECT_NE(a.dialogs().back().text.find(path), std::string::npos) << a.transcript();
      }
    }
  }
  EXPECT_GT(runs, 6);
}

}  // namespace
}  // namespace zr::exporttest
