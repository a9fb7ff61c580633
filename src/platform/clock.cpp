#include "platform/clock.h"

#include <ctime>
#include <thread>

namespace zr::platform {

namespace {

class SystemClock : public Clock {
 public:
  // The local calendar date, as the user's own clock shows it.
  std::chrono::year_month_day today() override {
    std::time_t t = std::time(nullptr);
    std::tm local{};
#ifdef _WIN32
    ::localtime_s(&local, &t);
#else
    ::localtime_r(&t, &local);
#endif
    return std::chrono::year_month_day{std::chrono::year{local.tm_year + 1900},
                                       std::chrono::month{static_cast<unsigned>(local.tm_mon + 1)},
                                       std::chrono::day{static_cast<unsigned>(local.tm_mday)}};
  }
  std::chrono::steady_clock::time_point now() override { return std::chrono::steady_clock::now(); }
  void sleepFor(std::chrono::milliseconds d) override { std::this_thread::sleep_for(d); }
};

}  // namespace

std::unique_ptr<Clock> makeSystemClock() {
  return std::make_unique<SystemClock>();
}

}  // namespace zr::platform
