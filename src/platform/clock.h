// Today's date, the passing of time and pauses: through one service so tests can fix them.
#pragma once

#include <chrono>
#include <memory>

namespace zr::platform {

class Clock {
 public:
  virtual ~Clock() = default;
  virtual std::chrono::year_month_day today() = 0;
  virtual std::chrono::steady_clock::time_point now() = 0;
  virtual void sleepFor(std::chrono::milliseconds d) = 0;
};

std::unique_ptr<Clock> makeSystemClock();

// A clock whose date is fixed and whose pauses only advance its own time.
class FixedClock : public Clock {
 public:
  explicit FixedClock(std::chrono::year_month_day day) : day_(day) {}
  std::chrono::year_month_day today() override { return day_; }
  std::chrono::steady_clock::time_point now() override { return now_; }
  void sleepFor(std::chrono::milliseconds d) override { now_ += d; }

 private:
  std::chrono::year_month_day day_;
  std::chrono::steady_clock::time_point now_{};
};

}  // namespace zr::platform
