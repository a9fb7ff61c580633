#include "output.h"

#include <errno.h>
#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include <algorithm>
#include <cstring>

namespace zr::mdb {

void FrameOut::send(const std::string& frame) {
  pending_ += frame;
  if (pending_.size() >= kBlock) flush();
}

void FrameOut::flush() {
  std::size_t done = 0;
  while (done < pending_.size()) {
#ifdef _WIN32
    const std::size_t chunk = std::min<std::size_t>(pending_.size() - done, 1u << 30);
    const int n = ::_write(fd_, pending_.data() + done, static_cast<unsigned>(chunk));
#else
    const ssize_t n = ::write(fd_, pending_.data() + done, pending_.size() - done);
#endif
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) throw PeerGone(std::string("frame output: ") + std::strerror(errno));
    done += static_cast<std::size_t>(n);
  }
  pending_.clear();
}

}  // namespace zr::mdb
