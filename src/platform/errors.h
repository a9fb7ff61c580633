// The two ways a routine leaves abnormally: the program's end and a classic run-time error.
// Every layer throws these; only the front ends' top level catches ProgramEnd.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace zr {

// "Ends the program": thrown after the messages have been shown. Deliberately not a
// std::exception, so that no generic handler can swallow it.
struct ProgramEnd {
  int status = 3;  // 3 ended on an error, 0 the user's own exit
};

// A run-time error with its classic number (53, 59, 70, 75, 91, 482, 3420, ...) and description.
class RuntimeError : public std::runtime_error {
 public:
  RuntimeError(int number, std::string description);
  // The classic description of the number, followed by detail (a file name, a reason) if any.
  static RuntimeError of(int number, std::string_view detail = {});

  int number() const { return number_; }
  const std::string& description() const { return description_; }

 private:
  int number_;
  std::string description_;
};

// The run time's wording of a classic error number ("Bad record length" for 59).
std::string classicDescription(int number);

}  // namespace zr

namespace zr {

// Ends the command that was running (after its message was shown) without ending the program:
// the window goes back to idle, the command line exits with `status`.
struct CommandAborted {
  int status = 3;
};

}  // namespace zr
