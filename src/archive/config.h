// The configuration values that start-up fills and every layer reads. Plain data, defined
// here because archive naming needs PERCORSOARCHIVI and CODICETASK.
#pragma once

#include <string>
#include <string_view>

namespace zr {

inline constexpr std::string_view kProjectName = "ZORIR77024";
inline constexpr std::string_view ANNO770 = "2024";
inline constexpr std::string_view ANNORIFERIMENTO = "2023";

struct Config {
  std::string projectExe{kProjectName};  // the project name, held twice as the original does
  std::string projectVbp{kProjectName};
  std::string PERCORSOARCHIVI;    // archives folder, no trailing backslash
  std::string PERCORSOPROGRAMMI;  // programs folder
  std::string CODICETASK;         // task code from the task file
  std::string taskFileLine;       // the task file's first line as read
  // The load found the task file: only then does the exit rewrite it, with the code it read.
  bool taskFileRead = false;
};

}  // namespace zr
