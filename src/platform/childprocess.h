// A child process of our own, run to completion under limits: a cleared environment, a time
// limit, a memory limit, no core file, and its standard output and error captured. A file of
// bytes can be handed over for the child to open by a name, and the child's descriptor 3 is a
// pipe whose bytes are passed on as they arrive.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace zr::platform {

// The address sanitizer reserves terabytes of shadow memory up front, which any data limit
// forbids: in such a build the child runs without one.
#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool kAddressSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr bool kAddressSanitized = true;
#else
inline constexpr bool kAddressSanitized = false;
#endif
#else
inline constexpr bool kAddressSanitized = false;
#endif

struct ChildLimits {
  std::chrono::milliseconds time{30000};
  std::uint64_t dataBytes = std::uint64_t{1} << 30;  // 0: none
};

struct ChildEnd {
  enum class How { Exited, Signalled, TimedOut };
  How how = How::Exited;
  int code = 0;        // exit status, or the signal
  std::string output;  // what it wrote on descriptors 1 and 2, at most the first 64 KiB
};

// Bytes a child reads as a file, fixed once made: a sealed memory file on POSIX (the child's
// descriptor 4), a temporary file removed with this object on Windows.
class HandedFile {
 public:
  virtual ~HandedFile() = default;
  HandedFile() = default;
  HandedFile(const HandedFile&) = delete;
  HandedFile& operator=(const HandedFile&) = delete;
  // The name the child opens it by.
  virtual const std::string& childPath() const = 0;
  // The descriptor the child inherits, or -1 when it opens the file by its name only.
  virtual int descriptor() const = 0;
};

// `what` names the file in messages; failure is RuntimeError 3035 naming it.
std::unique_ptr<HandedFile> makeHandedFile(const std::string& what, const std::string& bytes);

// Runs `program` with `args` (argv[1..]). `stream` receives the descriptor-3 bytes; when it
// throws, the child is killed and the exception goes on. `handOver` (or nullptr) is given to the
// child. A program that cannot be started is a std::system_error.
ChildEnd runChild(const std::string& program, const std::vector<std::string>& args,
                  const HandedFile* handOver, const ChildLimits& limits,
                  const std::function<void(std::string_view)>& stream);

// The program `name` in the folder of this process's own executable ("name" alone when that
// folder cannot be told); on Windows with ".exe" added.
std::string siblingProgram(const std::string& name);

}  // namespace zr::platform
