// The task file at the load and at the exit: one that cannot be opened at the load stops it
// naming the file (never a run without its task code), and one the load did not find is not
// rewritten at the exit, since its code is one this run never read.
#include <gtest/gtest.h>

#include "archive/installation.h"
#include "support/fault_files.h"
#include "support/installation.h"

namespace zr::testbed {
namespace {

using zr::testing::Call;
using zr::testing::FaultFiles;

TEST(TaskFileFaults, ATaskFileTheLoadCouldNotReadIsNeverRewritten) {
  Installation inst;
  inst.builder.putCompany(company(1, {{"T002", "ALFA SRL"}}));
  inst.builder.close();
  const auto task = inst.builder.hostPath(inst::kTaskFile);
  const std::string launcher = "05 LANCIO\r\nSECONDA\r\n";
  writeBytes(task, launcher);
  try {
    LoadedApp a(inst, [&](platform::Files& host) -> std::unique_ptr<platform::Files> {
      auto f = std::make_unique<FaultFiles>(host);
      f->inject(zr::testing::fail(Call::Open, 75).on("ZAVUVOD.INI"));
      return f;
    });
    ADD_FAILURE() << "the load went on without the task code";
  } catch (const ProgramEnd& e) {
    EXPECT_EQ(e.status, 3);  // through the error routine, which names the file
  }
  EXPECT_EQ(readBytes(task), launcher);

  // Not there at the load, there at the exit: left as the launcher wrote it.
  std::filesystem::remove(task);
  {
    LoadedApp a(inst);
    EXPECT_EQ(a.app->config.CODICETASK, "");
    writeBytes(task, launcher);
    EXPECT_THROW(FINETASK(*a.app), ProgramEnd);
  }
  EXPECT_EQ(readBytes(task), launcher);

  // Read at the load, it is rewritten with its code as ever.
  LoadedApp a(inst);
  EXPECT_EQ(a.app->config.CODICETASK, "05");
  EXPECT_THROW(FINETASK(*a.app), ProgramEnd);
  EXPECT_EQ(readBytes(task), "05" + std::string(98, ' ') + "\r\n");
}

}  // namespace
}  // namespace zr::testbed
