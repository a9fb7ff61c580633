// POSIX child processes: fork and exec with only async-signal-safe calls in the child, then
// one poll loop over the two pipes until both close or the time runs out.
#include "platform/childprocess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>
#include <thread>

namespace zr::platform {

namespace {

constexpr std::size_t kOutputKept = 64 * 1024;

[[noreturn]] void failSystem(const std::string& what) {
  throw std::system_error(errno, std::generic_category(), what);
}

// Both ends close on exec; the child moves the ones it keeps to fixed numbers.
struct Pipe {
  int read = -1, write = -1;
  Pipe() {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) failSystem("pipe");
    read = fds[0];
    write = fds[1];
  }
  ~Pipe() {
    closeRead();
    closeWrite();
  }
  void closeRead() {
    if (read >= 0) ::close(read);
    read = -1;
  }
  void closeWrite() {
    if (write >= 0) ::close(write);
    write = -1;
  }
  Pipe(const Pipe&) = delete;
  Pipe& operator=(const Pipe&) = delete;
};

// In the child, between fork and exec: nothing that allocates or locks.
[[noreturn]] void becomeChild(const char* program, char* const* argv, int devNull, int out,
                              int stream, int handOver, std::uint64_t dataBytes) {
  // Moved out of the way first, so that no dup2 below overwrites a source still needed.
  const int base = 100;
  if (::dup2(devNull, base) < 0 || ::dup2(out, base + 1) < 0 || ::dup2(stream, base + 2) < 0 ||
      (handOver >= 0 && ::dup2(handOver, base + 3) < 0))
    ::_exit(127);
  if (::dup2(base, 0) < 0 || ::dup2(base + 1, 1) < 0 || ::dup2(base + 1, 2) < 0 ||
      ::dup2(base + 2, 3) < 0 || (handOver >= 0 && ::dup2(base + 3, 4) < 0))
    ::_exit(127);
  for (int fd = 5; fd < base + 4; ++fd) ::close(fd);
  ::closefrom(base + 4);
  if (dataBytes != 0 && !kAddressSanitized) {
    rlimit data{static_cast<rlim_t>(dataBytes), static_cast<rlim_t>(dataBytes)};
    ::setrlimit(RLIMIT_DATA, &data);
  }
  rlimit core{0, 0};
  ::setrlimit(RLIMIT_CORE, &core);
  // Signals the parent ignores or holds must not be inherited that way.
  sigset_t none;
  sigemptyset(&none);
  ::sigprocmask(SIG_SETMASK, &none, nullptr);
  ::signal(SIGPIPE, SIG_DFL);
  char* const noEnvironment[] = {nullptr};
  ::execve(program, argv, noEnvironment);
  ::_exit(127);
}

}  // namespace

ChildEnd runChild(const std::string& program, const std::vector<std::string>& args,
                  const HandedFile* handed, const ChildLimits& limits,
                  const std::function<void(std::string_view)>& stream) {
  const int handOver = handed ? handed->descriptor() : -1;
  if (::access(program.c_str(), X_OK) != 0) failSystem(program);
  std::vector<std::string> owned{program};
  owned.insert(owned.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& a : owned) argv.push_back(a.data());
  argv.push_back(nullptr);

  const int devNull = ::open("/dev/null", O_RDWR | O_CLOEXEC);
  if (devNull < 0) failSystem("/dev/null");
  Pipe out, frames;
  const auto deadline = std::chrono::steady_clock::now() + limits.time;
  const pid_t pid = ::fork();
  if (pid < 0) {
    ::close(devNull);
    failSystem("fork");
  }
  if (pid == 0)
    becomeChild(program.c_str(), argv.data(), devNull, out.write, frames.write, handOver,
                limits.dataBytes);
  ::close(devNull);
  out.closeWrite();
  frames.closeWrite();

  ChildEnd end;
  bool timedOut = false;
  const auto reap = [&](bool kill) {
    if (kill) ::kill(pid, SIGKILL);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return status;
  };
  try {
    char buf[65536];
    while (out.read >= 0 || frames.read >= 0) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0) {
        timedOut = true;
        break;
      }
      pollfd fds[2] = {{out.read, POLLIN, 0}, {frames.read, POLLIN, 0}};
      const int ready = ::poll(fds, 2, static_cast<int>(left.count()) + 1);
      if (ready < 0) {
        if (errno == EINTR) continue;
        failSystem("poll");
      }
      for (int i = 0; i < 2; ++i) {
        if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
        const ssize_t n = ::read(fds[i].fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
          (i == 0 ? out : frames).closeRead();
          continue;
        }
        const std::string_view bytes(buf, static_cast<std::size_t>(n));
        if (i == 1) {
          stream(bytes);
        } else if (end.output.size() < kOutputKept) {
          end.output.append(bytes.substr(0, kOutputKept - end.output.size()));
        }
      }
    }
  } catch (...) {
    reap(true);
    throw;
  }
  int status = 0;
  if (timedOut) {
    status = reap(true);
  } else {
    // Both pipes closed: the child is ending. It still gets the rest of its time to do so.
    for (;;) {
      const pid_t done = ::waitpid(pid, &status, WNOHANG);
      if (done == pid) break;
      if (done < 0 && errno != EINTR) failSystem("waitpid");
      if (std::chrono::steady_clock::now() >= deadline) {
        timedOut = true;
        status = reap(true);
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }
  if (timedOut) {
    end.how = ChildEnd::How::TimedOut;
  } else if (WIFSIGNALED(status)) {
    end.how = ChildEnd::How::Signalled;
    end.code = WTERMSIG(status);
  } else {
    end.code = WEXITSTATUS(status);
  }
  return end;
}

}  // namespace zr::platform
