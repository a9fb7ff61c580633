#include "platform/process.h"

#include <windows.h>

namespace zr::platform {

std::uint64_t currentProcessId() { return ::GetCurrentProcessId(); }

std::string currentUserTag() {
  char name[257];
  DWORD size = sizeof name;
  if (!::GetUserNameA(name, &size) || size == 0) return "user";
  return std::string(name, size - 1);  // the count includes the NUL
}

}  // namespace zr::platform
