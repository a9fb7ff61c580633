// Termination requests (SIGINT, SIGTERM) held back while a run writes, so that the run ends in
// order: before its commit it removes its temporaries, after it it finishes its renames.
// Touches only the calling thread's signal mask and its pending signals.
#pragma once

#include <memory>

namespace zr::platform {

class Interrupts {
 public:
  virtual ~Interrupts() = default;
  // From now on a termination request waits for `requested` instead of ending the process.
  virtual void hold() = 0;
  // True once a request has arrived while held (it stays true until release).
  virtual bool requested() = 0;
  // Back to the default, a request ends the process; one that arrived while held is consumed,
  // since the run that held it has ended in order.
  virtual void release() = 0;
};

// Holds requests for a scope, however it is left.
class HeldInterrupts {
 public:
  explicit HeldInterrupts(Interrupts& i) : interrupts_(i) { interrupts_.hold(); }
  ~HeldInterrupts() { interrupts_.release(); }
  HeldInterrupts(const HeldInterrupts&) = delete;
  HeldInterrupts& operator=(const HeldInterrupts&) = delete;

 private:
  Interrupts& interrupts_;
};

// The process's own signals.
std::unique_ptr<Interrupts> makeHostInterrupts();

}  // namespace zr::platform
