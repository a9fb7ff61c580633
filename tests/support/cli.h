// The command line run in a child process (ZR_CLI_PATH) with its stdout, stderr and exit
// status captured.
#pragma once

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace zr::testing {

struct CliRun {
  int status = -1;
  std::string out, err;
  bool saidInErr(const std::string& text) const { return err.find(text) != std::string::npos; }
};

inline std::string quoted(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

// Runs zorir770 with these arguments (each quoted); its output goes through files in `dir`.
// With `seconds`, a run that lasts longer is killed and its status is 124.
inline CliRun runCli(const std::filesystem::path& dir, const std::vector<std::string>& args,
                     int seconds = 0) {
  const std::filesystem::path out = dir / "cli.out", err = dir / "cli.err";
  std::string cmd = (seconds > 0 ? "timeout -k 2 " + std::to_string(seconds) + " " : std::string()) +
                    quoted(ZR_CLI_PATH);
  for (const auto& a : args) cmd += " " + quoted(a);
  cmd += " </dev/null >" + quoted(out.string()) + " 2>" + quoted(err.string());
  const int raw = std::system(cmd.c_str());
  const auto read = [](const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  };
  return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, read(out), read(err)};
}

}  // namespace zr::testing
