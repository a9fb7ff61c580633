// A child process of our own, run to completion under limits: a cleared environment, a time
// limit, a data-size limit, no core file, and its standard output and error captured. One
// file descriptor of the parent can be handed over as the child's descriptor 4, and the child's
// descriptor 3 is a pipe whose bytes are passed on as they arrive.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
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

// Runs `program` with `args` (argv[1..]). `stream` receives the descriptor-3 bytes; when it
// throws, the child is killed and the exception goes on. `handOver` (or -1) becomes the child's
// descriptor 4. A program that cannot be started is a std::system_error.
ChildEnd runChild(const std::string& program, const std::vector<std::string>& args, int handOver,
                  const ChildLimits& limits, const std::function<void(std::string_view)>& stream);

}  // namespace zr::platform
