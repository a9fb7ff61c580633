#include "output.h"

#include <errno.h>
#include <unistd.h>

#include <cstring>

namespace zr::mdb {

void FrameOut::send(const std::string& frame) {
  pending_ += frame;
  if (pending_.size() >= kBlock) flush();
}

void FrameOut::flush() {
  std::size_t done = 0;
  while (done < pending_.size()) {
    const ssize_t n = ::write(fd_, pending_.data() + done, pending_.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) throw PeerGone(std::string("frame output: ") + std::strerror(errno));
    done += static_cast<std::size_t>(n);
  }
  pending_.clear();
}

}  // namespace zr::mdb
