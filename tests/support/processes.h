// Real processes for the tests: a body run in a forked child, the command line (ZR_CLI_PATH)
// started without waiting, with its own environment, and waited for with its exit, its time
// and its CPU use. The child's output goes to files in a folder the test names.
#pragma once

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/installation.h"

namespace zr::testing {

// How a child ended: its exit status, or the signal that ended it.
struct Ended {
  int status = -1;  // -1 when a signal ended it
  int signal = 0;
  std::chrono::duration<double> elapsed{};
  double cpuSeconds = 0;  // user and system time
  bool killedBy(int s) const { return signal == s; }
};

class Child {
 public:
  Child() = default;
  explicit Child(pid_t pid) : pid_(pid), started_(std::chrono::steady_clock::now()) {}
  Child(Child&& o) noexcept : pid_(o.pid_), started_(o.started_) { o.pid_ = -1; }
  Child& operator=(Child&& o) noexcept {
    std::swap(pid_, o.pid_);
    std::swap(started_, o.started_);
    return *this;
  }
  // A child still running when the test gives up on it is killed, never left behind.
  ~Child() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
  }

  pid_t pid() const { return pid_; }
  void signal(int s) const {
    if (pid_ > 0) ::kill(pid_, s);
  }
  Ended wait() {
    int raw = 0;
    struct rusage use {};
    while (::wait4(pid_, &raw, 0, &use) < 0)
      if (errno != EINTR) throw std::runtime_error("wait4");
    pid_ = -1;
    Ended e;
    e.elapsed = std::chrono::steady_clock::now() - started_;
    e.cpuSeconds = static_cast<double>(use.ru_utime.tv_sec + use.ru_stime.tv_sec) +
                   static_cast<double>(use.ru_utime.tv_usec + use.ru_stime.tv_usec) / 1e6;
    if (WIFEXITED(raw)) e.status = WEXITSTATUS(raw);
    if (WIFSIGNALED(raw)) e.signal = WTERMSIG(raw);
    return e;
  }

 private:
  pid_t pid_ = -1;
  std::chrono::steady_clock::time_point started_{};
};

// Runs `body` (returning an exit status) in a forked child; an exception is status 98. The
// child ends with _exit: nothing of the parent's is flushed or destroyed twice.
template <class Body>
Child forkChild(Body body) {
  std::fflush(nullptr);  // nothing buffered is written twice, by the child too
  const pid_t pid = ::fork();
  if (pid < 0) throw std::runtime_error("fork");
  if (pid == 0) {
    int status = 99;
    try {
      status = body();
    } catch (...) {
      status = 98;
    }
    ::_exit(status);
  }
  return Child(pid);
}

// zorir770 with these arguments, started now; stdout and stderr go to `out` and `err`, and the
// variables in `env` are set for it alone.
inline Child startCli(const std::vector<std::string>& args, const std::filesystem::path& out,
                      const std::filesystem::path& err,
                      const std::map<std::string, std::string>& env = {}) {
  return forkChild([&]() -> int {
    for (const auto& [name, value] : env) ::setenv(name.c_str(), value.c_str(), 1);
    if (!std::freopen("/dev/null", "r", stdin) || !std::freopen(out.c_str(), "w", stdout) ||
        !std::freopen(err.c_str(), "w", stderr))
      return 97;
    std::vector<char*> argv{const_cast<char*>(ZR_CLI_PATH)};
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execv(ZR_CLI_PATH, argv.data());
    return 96;
  });
}

// The global options that name an installation for the command line.
inline std::vector<std::string> cliOn(testbed::Installation& inst,
                                      std::vector<std::string> command) {
  std::vector<std::string> args{"--root", inst.dir.str(), "--registry",
                                inst.builder.registryPath()};
  args.insert(args.end(), command.begin(), command.end());
  return args;
}

}  // namespace zr::testing
