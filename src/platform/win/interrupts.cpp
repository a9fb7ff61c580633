// Ctrl+C and Ctrl+Break held back while a run writes. The console calls its handler on a
// thread of its own and hands it no context, so the request is kept in an event object named
// after the process: the handler finds it by name, and nothing of the program's is global.
#include "platform/interrupts.h"

#include <windows.h>

#include <string>

#include "platform/win/winio.h"

namespace zr::platform {

namespace {

std::string eventName() {
  return "Local\\zorir770-interrupt-" + std::to_string(::GetCurrentProcessId());
}

BOOL WINAPI onControl(DWORD type) {
  if (type != CTRL_C_EVENT && type != CTRL_BREAK_EVENT) return FALSE;
  HANDLE e = ::OpenEventA(EVENT_MODIFY_STATE, FALSE, eventName().c_str());
  if (!e) return FALSE;  // not held: the default handler ends the process
  ::SetEvent(e);
  ::CloseHandle(e);
  return TRUE;
}

class HostInterrupts : public Interrupts {
 public:
  void hold() override {
    if (depth_++ > 0) return;
    event_ = winio::Handle(::CreateEventA(nullptr, TRUE, FALSE, eventName().c_str()));
    if (event_) ::SetConsoleCtrlHandler(onControl, TRUE);
  }

  bool requested() override {
    return depth_ > 0 && event_ && ::WaitForSingleObject(event_.get(), 0) == WAIT_OBJECT_0;
  }

  void release() override {
    if (depth_ == 0 || --depth_ > 0) return;
    if (event_) ::SetConsoleCtrlHandler(onControl, FALSE);
    event_.reset();
  }

 private:
  int depth_ = 0;
  winio::Handle event_;
};

}  // namespace

std::unique_ptr<Interrupts> makeHostInterrupts() { return std::make_unique<HostInterrupts>(); }

}  // namespace zr::platform
