// The command line run as a user runs it: zorir770 in a child process (ZR_CLI_PATH) on an
// installation built on disk, its stdout, stderr and exit status captured.
#pragma once

#include <sys/wait.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "shell_fixture.h"

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

class CliTest : public ShellTest {
 protected:
  // Runs zorir770 with these arguments (each quoted), stdout and stderr captured.
  CliRun cli(const std::vector<std::string>& args) {
    const std::filesystem::path out = dir / "cli.out", err = dir / "cli.err";
    std::string cmd = quoted(ZR_CLI_PATH);
    for (const auto& a : args) cmd += " " + quoted(a);
    cmd += " </dev/null >" + quoted(out.string()) + " 2>" + quoted(err.string());
    const int raw = std::system(cmd.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, readHostFile(out), readHostFile(err)};
  }
  // Runs it pointed at the test's installation.
  CliRun on(std::vector<std::string> rest) {
    rest.insert(rest.begin(), {"--root", root, "--registry", registryPath()});
    return cli(rest);
  }
};

}  // namespace zr::testing
