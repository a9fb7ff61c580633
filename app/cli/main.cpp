// zorir770: the headless front end. Parses the command line and hands one command to the frame
// (frontend.h), which starts and ends the program as the window does.
#include <iostream>

#include "commandline.h"
#include "frontend.h"
#include "platform/console.h"

int main(int argc, char** argv) {
  using namespace zr::cli;
  zr::platform::prepareConsole();
  GlobalOptions global;
  Command command;
  switch (parseCommandLine(argc, argv, global, command, std::cout, std::cerr)) {
    case Parsed::Run:
      return runCommand(global, command);
    case Parsed::Help:
      return flushOutput("the help text") ? kDone : kFailed;
    case Parsed::Usage:
      return kUsage;
  }
  return kUsage;
}
