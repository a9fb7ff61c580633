#include "platform/interrupts.h"

#include <pthread.h>
#include <signal.h>

#include <ctime>

namespace zr::platform {

namespace {

sigset_t terminationSignals() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  return set;
}

class HostInterrupts : public Interrupts {
 public:
  void hold() override {
    if (depth_++ > 0) return;
    const sigset_t set = terminationSignals();
    pthread_sigmask(SIG_BLOCK, &set, &previous_);
    requested_ = false;
  }

  bool requested() override {
    if (depth_ == 0) return false;
    if (!requested_) requested_ = takePending();
    return requested_;
  }

  void release() override {
    if (depth_ == 0 || --depth_ > 0) return;
    while (takePending()) {
    }
    pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
    requested_ = false;
  }

 private:
  // Consumes one pending request without waiting.
  static bool takePending() {
    const sigset_t set = terminationSignals();
    const timespec now{0, 0};
    return sigtimedwait(&set, nullptr, &now) > 0;
  }

  int depth_ = 0;
  bool requested_ = false;
  sigset_t previous_{};
};

}  // namespace

std::unique_ptr<Interrupts> makeHostInterrupts() { return std::make_unique<HostInterrupts>(); }

}  // namespace zr::platform
