// Ctrl+C held while a run writes: in a child of the test (a console of its own, whose Ctrl+C
// reaches no one else), a request that arrives while held is seen and does not end the
// process; released, the next one does.
#include <io.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "platform/childprocess.h"
#include "platform/interrupts.h"

namespace zr::platform {
namespace {

using namespace std::chrono_literals;

void say(std::string_view what) { ::_write(3, what.data(), static_cast<unsigned>(what.size())); }

bool requestedWithin(Interrupts& interrupts, std::chrono::milliseconds limit) {
  const auto until = std::chrono::steady_clock::now() + limit;
  while (!interrupts.requested()) {
    if (std::chrono::steady_clock::now() > until) return false;
    std::this_thread::sleep_for(10ms);
  }
  return true;
}

TEST(WinInterruptsTest, CtrlCWaitsWhileHeldAndEndsTheProcessOtherwise) {
  std::string said;
  const ChildEnd end = runChild(
      siblingProgram("test_platform"),
      {"--gtest_also_run_disabled_tests", "--gtest_filter=WinInterruptsHelper.DISABLED_HoldsCtrlC"},
      nullptr, {30s, 0}, [&](std::string_view bytes) { said.append(bytes); });
  if (said == "no console") GTEST_SKIP() << "no console to send Ctrl+C to";
  EXPECT_EQ(said, "held seen released ");
  // The last Ctrl+C, not held, ended the child before it could exit with its own status
  // (Windows gives STATUS_CONTROL_C_EXIT, Wine 0).
  EXPECT_EQ(end.how, ChildEnd::How::Exited);
  EXPECT_NE(end.code, 9) << end.output;
}

TEST(WinInterruptsHelper, DISABLED_HoldsCtrlC) {
  auto interrupts = makeHostInterrupts();
  {
    HeldInterrupts held(*interrupts);
    say("held ");
    if (!::GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0)) {
      say("no console");
      std::_Exit(0);
    }
    if (requestedWithin(*interrupts, 5s)) say("seen ");
  }
  EXPECT_FALSE(interrupts->requested());
  say("released ");
  ::GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0);
  std::this_thread::sleep_for(5s);
  std::_Exit(9);  // not reached when the request ends the process
}

}  // namespace
}  // namespace zr::platform
