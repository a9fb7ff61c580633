// The command line run as a user runs it: zorir770 in a child process (ZR_CLI_PATH) on an
// installation built on disk, its stdout, stderr and exit status captured.
#pragma once

#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "shell_fixture.h"

namespace zr::testing {

struct CliRun {
  int status = -1;
  std::string out, err;
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
    CliRun r;
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.out = readHostFile(out);
    r.err = readHostFile(err);
    return r;
  }
  // The global options that point the program at the test's installation.
  std::vector<std::string> on(std::vector<std::string> rest) {
    std::vector<std::string> a = {"--root", root, "--registry", registryPath()};
    a.insert(a.end(), rest.begin(), rest.end());
    return a;
  }
  std::string taskFile() { return readHostFile(host("C:\\ZAVUVOD\\ZAVUVOD.INI")); }
};

inline std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string l; std::getline(in, l);) lines.push_back(l);
  return lines;
}

}  // namespace zr::testing
