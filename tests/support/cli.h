// The command line run in a child process (ZR_CLI_PATH) with its stdout, stderr and exit
// status captured. runProgram starts any of the build's programs the same way: through the
// shell on POSIX, with CreateProcess on Windows.
#pragma once

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include "platform/win/winio.h"
#else
#include <sys/wait.h>
#endif

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
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

// Where a child's standard streams go; an empty path is the null device.
struct Streams {
  std::filesystem::path out, err;
};

#ifdef _WIN32
// The current environment with `env` set over it, as CreateProcess takes it.
inline std::string environmentBlock(const std::map<std::string, std::string>& env) {
  std::map<std::string, std::string> all;
  if (char* block = GetEnvironmentStringsA()) {
    for (const char* p = block; *p; p += std::strlen(p) + 1) {
      const std::string entry = p;
      const auto eq = entry.find('=', 1);  // "=C:=C:\..." entries start with '='
      if (eq != std::string::npos) all[entry.substr(0, eq)] = entry.substr(eq + 1);
    }
    FreeEnvironmentStringsA(block);
  }
  for (const auto& [name, value] : env) all[name] = value;
  std::string out;
  for (const auto& [name, value] : all) out += name + "=" + value + '\0';
  return out + '\0';
}

// Runs `program` with `args`, standard input empty; with `seconds`, a run that lasts longer
// is ended and its status is 124.
inline int runProgram(const std::string& program, const std::vector<std::string>& args,
                      const Streams& streams, int seconds = 0,
                      const std::map<std::string, std::string>& env = {}) {
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  const auto openFor = [&](const std::filesystem::path& p, bool write) {
    return CreateFileA(p.empty() ? "NUL" : p.string().c_str(),
                       write ? GENERIC_WRITE : GENERIC_READ,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &inherit,
                       write && !p.empty() ? CREATE_ALWAYS : OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
  };
  HANDLE in = openFor({}, false), out = openFor(streams.out, true),
         err = openFor(streams.err, true);
  int status = -1;
  if (in != INVALID_HANDLE_VALUE && out != INVALID_HANDLE_VALUE && err != INVALID_HANDLE_VALUE) {
    // A POSIX-style absolute path ("/work/...") names the current drive: make it whole.
    std::string line = platform::winio::commandLineArgument(std::filesystem::absolute(program).string());
    for (const auto& a : args) line += " " + platform::winio::commandLineArgument(a);
    std::string block = env.empty() ? std::string() : environmentBlock(env);
    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = in;
    si.hStdOutput = out;
    si.hStdError = err;
    PROCESS_INFORMATION pi{};
    if (CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0,
                       block.empty() ? nullptr : block.data(), nullptr, &si, &pi)) {
      if (WaitForSingleObject(pi.hProcess, seconds > 0 ? DWORD(seconds) * 1000 : INFINITE) ==
          WAIT_TIMEOUT) {
        TerminateProcess(pi.hProcess, 124);
        WaitForSingleObject(pi.hProcess, INFINITE);
      }
      DWORD code = 0;
      if (GetExitCodeProcess(pi.hProcess, &code)) status = static_cast<int>(code);
      CloseHandle(pi.hThread);
      CloseHandle(pi.hProcess);
    }
  }
  for (HANDLE h : {in, out, err})
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
  return status;
}
#else
inline int runProgram(const std::string& program, const std::vector<std::string>& args,
                      const Streams& streams, int seconds = 0,
                      const std::map<std::string, std::string>& env = {}) {
  std::string cmd;
  for (const auto& [name, value] : env) cmd += name + "=" + quoted(value) + " ";
  if (seconds > 0) cmd += "timeout -k 2 " + std::to_string(seconds) + " ";
  cmd += quoted(program);
  for (const auto& a : args) cmd += " " + quoted(a);
  const auto to = [](const std::filesystem::path& p) {
    return p.empty() ? std::string("/dev/null") : quoted(p.string());
  };
  cmd += " </dev/null >" + to(streams.out) + " 2>" + to(streams.err);
  const int raw = std::system(cmd.c_str());
  return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}
#endif

// Runs zorir770 with these arguments; its output goes through files in `dir`. With
// `seconds`, a run that lasts longer is ended and its status is 124.
inline CliRun runCli(const std::filesystem::path& dir, const std::vector<std::string>& args,
                     int seconds = 0) {
  const std::filesystem::path out = dir / "cli.out", err = dir / "cli.err";
  const int status = runProgram(ZR_CLI_PATH, args, {out, err}, seconds);
  const auto read = [](const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  };
  return {status, read(out), read(err)};
}

}  // namespace zr::testing
