// The program zorir77024 itself, in a child process: a second instance on an installation
// ends at once and without a word; a bad command line is a usage error.
#include <gtest/gtest.h>

#include <cstdlib>

#include "support/cli.h"
#include "support/installation.h"

namespace zr::gui {
namespace {

using testbed::Installation;
using testbed::LoadedApp;

// Runs the program on the offscreen platform, stopped after 20 seconds if it waits for a user.
testing::CliRun runProgram(Installation& inst, const std::vector<std::string>& args) {
  const auto out = inst.dir / "gui.out", err = inst.dir / "gui.err";
  std::string cmd = "QT_QPA_PLATFORM=offscreen timeout 20 " + testing::quoted(ZR_GUI_PATH);
  for (const auto& a : args) cmd += " " + testing::quoted(a);
  cmd += " </dev/null >" + testing::quoted(out.string()) + " 2>" + testing::quoted(err.string());
  const int raw = std::system(cmd.c_str());
  return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, testbed::readBytes(out), testbed::readBytes(err)};
}

TEST(Program, ASecondInstanceEndsSilentlyWithStatusZero) {
  Installation inst;
  inst.builder.putCompany(testbed::company(1, {{"T002", "ALFA SRL"}}));
  inst.builder.close();
  const auto taskFile = inst.builder.hostPath(inst::kTaskFile);
  testbed::writeBytes(taskFile, "01 AS THE LAUNCHER LEFT IT\r\n");
  LoadedApp first(inst);  // loaded: holds the installation's instance lock
  const auto r =
      runProgram(inst, {"--root", inst.dir.str(), "--registry", inst.builder.registryPath()});
  EXPECT_EQ(r.status, 0) << r.err;  // 124 would be a window waiting for its user
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err.find("instance"), std::string::npos) << r.err;
  // It ended before its load went on: the task file is as the launcher left it.
  EXPECT_EQ(testbed::readBytes(taskFile), "01 AS THE LAUNCHER LEFT IT\r\n");
}

TEST(Program, AnUnknownOptionIsAUsageError) {
  Installation inst;
  const auto r = runProgram(inst, {"--no-such-option"});
  EXPECT_EQ(r.status, 2) << r.err;
  EXPECT_NE(r.err.find("--no-such-option"), std::string::npos) << r.err;
  const auto help = runProgram(inst, {"--help"});
  EXPECT_EQ(help.status, 0) << help.err;
  EXPECT_NE(help.out.find("--registry"), std::string::npos) << help.out;
}

}  // namespace
}  // namespace zr::gui
