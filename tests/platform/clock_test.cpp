// The system clock's pauses.
#include "platform/clock.h"

#include <gtest/gtest.h>

namespace zr::platform {
namespace {

using namespace std::chrono_literals;

TEST(ClockTest, SystemClockPausesAndKeepsTheDate) {
  auto system = makeSystemClock();
  auto before = system->now();
  std::chrono::sys_days first{system->today()};
  system->sleepFor(30ms);
  EXPECT_GE(system->now() - before, 30ms);
  std::chrono::sys_days second{system->today()};
  EXPECT_TRUE(second == first || second == first + std::chrono::days{1});
}

}  // namespace
}  // namespace zr::platform
