// How routines leave abnormally. Every control-flow exception of the program, who throws it and
// who catches it:
// - ProgramEnd{status}: "ends the program", after its messages were shown. Thrown by the shared
//   error routine, the archive library's and repository's fatal checks, start-up and FINETASK;
//   caught only by the front ends' top level (the run guard reports it first and rethrows).
// - RuntimeError{number}: a classic run-time error. Thrown by the platform and every layer;
//   caught by the archive library's guard (the shared error routine) and by the callers that
//   handle a number themselves (53 on an absent file, 70 on a held lock, 3021, ...).
// - CommandAborted{status}: ends one command, not the program, after its message. Thrown by the
//   F24 database opening and the run guard; caught by the front ends' command dispatch.
// - ProgramStopped: what ProgramEnd is under ErrorPolicy::Throwing, carrying the message. Thrown
//   by the archive library; caught by the installation builder's callers and the tools.
// - RunFailure (shell/runfailure.h): a run's failure with its company and cause. Thrown by the
//   export producers and the archive checks; caught by the run guard, which reports it and
//   ends the run with status 3.
// - isam::Damaged (archive/isam_node.h): an index that contradicts its layout. Thrown inside an
//   ISAM call; caught by CERCAISAM, which shows the damaged-index message and returns 0.
// - UsageError (app/cli/frontend.h): a bad command line. Thrown by the command parsers; caught by
//   the command line's top level (exit 2).
// - AnotherInstance (shell/startup.h): a ProgramEnd{1} for a second instance. Thrown by start-up;
//   caught by the command line (its message, exit 1); the window ends silently.
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

// Ends the command that was running (after its message was shown) without ending the program:
// the window goes back to idle, the command line exits with `status`.
struct CommandAborted {
  int status = 3;
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

// How the shared error routine ends a failure: the front ends show the message and end the
// program; the builder and the tools, which have no operator to read it, get an exception.
enum class ErrorPolicy { Interactive, Throwing };

// Under ErrorPolicy::Throwing, the end of the program (or a failure message the library would
// have shown), with the message's text.
struct ProgramStopped : std::runtime_error {
  using std::runtime_error::runtime_error;
};

}  // namespace zr
