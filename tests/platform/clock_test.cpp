// The system clock's pauses and the fixed clock that tests use in its place.
#include "platform/clock.h"

#include <gtest/gtest.h>

namespace zr::platform {
namespace {

using namespace std::chrono_literals;

TEST(ClockTest, SystemClockPausesAndKeepsTheDate) {
  auto clock = makeSystemClock();
  auto before = clock->now();
  std::chrono::year_month_day first = clock->today();
  clock->sleepFor(30ms);
  EXPECT_GE(clock->now() - before, 30ms);
  EXPECT_TRUE(first.ok());
  // The date moves forward only, and by a day at most across a pause this short.
  std::chrono::sys_days a{first}, b{clock->today()};
  EXPECT_TRUE(b == a || b == a + std::chrono::days{1});
}

TEST(ClockTest, FixedClockAdvancesOnlyByItsPauses) {
  FixedClock clock(std::chrono::year{2024} / 3 / 15);
  auto start = clock.now();
  clock.sleepFor(1500ms);
  clock.sleepFor(500ms);
  EXPECT_EQ(clock.now() - start, 2s);
  EXPECT_EQ(clock.today(), std::chrono::year{2024} / 3 / 15);
}

}  // namespace
}  // namespace zr::platform
