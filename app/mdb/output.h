// Frame output on one file descriptor, and the failure that ends a run with an Error frame.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>

namespace zr::mdb {

// Something in the file or on the command line that the reader cannot get past; its text goes
// into the Error frame.
struct Failure : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// The peer stopped reading: nothing more can be said to it.
struct PeerGone : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// Collects frames and writes them in large blocks, so that a big table is not one system call
// per row; whatever was collected goes out before an Error frame and at the end.
class FrameOut {
 public:
  explicit FrameOut(int fd) : fd_(fd) {}
  FrameOut(const FrameOut&) = delete;
  FrameOut& operator=(const FrameOut&) = delete;

  void send(const std::string& frame);
  void flush();

 private:
  static constexpr std::size_t kBlock = 64 * 1024;
  int fd_;
  std::string pending_;
};

}  // namespace zr::mdb
