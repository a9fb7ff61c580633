// The host-independent half of the files layer: temporaries' names, the default lockable file,
// whole reads and line splitting.
#include "platform/files_common.h"

#include <cstdio>
#include <random>

#include "platform/errors.h"
#include "platform/files_host.h"
#include "platform/process.h"

namespace zr::platform {

namespace filescommon {

std::string readWhole(File& f) {
  std::string out(f.size(), '\0');
  std::size_t got = f.readAt(0, out.data(), out.size());
  out.resize(got);
  // A file that grew since size() was taken: take the rest too.
  char buf[65536];
  while (std::size_t more = f.readAt(out.size(), buf, sizeof buf)) out.append(buf, more);
  return out;
}

void copyInPieces(File& source, const std::function<void(std::string_view)>& write) {
  std::string buf(std::size_t{1} << 20, '\0');
  for (std::uint64_t at = 0;;) {
    const std::size_t got = source.readAt(at, buf.data(), buf.size());
    if (got == 0) return;
    write(std::string_view(buf.data(), got));
    at += got;
  }
}

std::vector<std::string> splitLines(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    std::size_t next = end == std::string::npos ? text.size() : end + 1;
    if (end == std::string::npos) end = text.size();
    std::size_t stop = (end > start && text[end - 1] == '\r') ? end - 1 : end;
    lines.emplace_back(text.substr(start, stop - start));
    start = next;
  }
  return lines;
}

std::uint64_t fnv1a(std::string_view s) {
  std::uint64_t h = 1469598103934665603ull;
  for (char c : s) {
    h ^= static_cast<unsigned char>(c);
    h *= 1099511628211ull;
  }
  return h;
}

std::string safeName(std::string_view program) {
  std::string out;
  for (char c : program) out += (c == '/' || c == '\\' || c == '\0') ? '_' : c;
  return out.empty() ? std::string("program") : out;
}

std::string instanceLockName(std::string_view program, std::string_view installation) {
  char hash[17];
  std::snprintf(hash, sizeof hash, "%016llx",
                static_cast<unsigned long long>(fnv1a(installation)));
  return safeName(program) + "-" + safeName(currentUserTag()) + "-" + hash;
}

}  // namespace filescommon

std::size_t readFully(File& file, std::uint64_t offset, char* buf, std::size_t n) {
  std::size_t done = 0;
  while (done < n) {
    const std::size_t got = file.readAt(offset + done, buf + done, n - done);
    if (got == 0) break;
    done += got;
  }
  return done;
}

std::string temporaryName(std::string_view finalPath, std::string_view kind) {
  // A fresh draw for every name: two runs of one process id (a reused id, another machine on a
  // share) still differ.
  std::random_device random;
  const std::uint64_t draw = (static_cast<std::uint64_t>(random()) << 32) ^ random();
  char part[17];
  std::snprintf(part, sizeof part, "%012llx",
                static_cast<unsigned long long>(draw & 0xffffffffffffull));
  return std::string(finalPath) + std::string(kTemporaryMark) +
         std::to_string(currentProcessId()) + "-" + part + std::string(kind);
}

bool isTemporaryName(std::string_view name) {
  const std::size_t at = name.rfind(kTemporaryMark);
  if (at == std::string_view::npos || at == 0) return false;
  std::string_view rest = name.substr(at + kTemporaryMark.size());
  const auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
  const auto isHex = [&](char c) { return isDigit(c) || (c >= 'a' && c <= 'f'); };
  std::size_t i = 0;
  while (i < rest.size() && isDigit(rest[i])) ++i;
  if (i == 0 || i == rest.size() || rest[i] != '-') return false;
  const std::size_t hexStart = ++i;
  while (i < rest.size() && isHex(rest[i])) ++i;
  if (i == hexStart) return false;
  const std::string_view kind = rest.substr(i);
  return kind == ".tmp" || kind == ".old";
}

Temporary createTemporary(Files& files, std::string_view finalPath, std::string_view kind) {
  for (int attempt = 0;; ++attempt) {
    std::string path = temporaryName(finalPath, kind);
    try {
      return {files.open(path, OpenMode::CreateNew), std::move(path)};
    } catch (const RuntimeError& e) {
      if (e.number() != 58 || attempt >= 100) throw;
    }
  }
}

namespace {

// Each lock() a new exclusive open through the Files it came from, each unlock() its close.
class ReopeningLockable : public LockableFile {
 public:
  ReopeningLockable(Files& files, std::string path) : files_(files), path_(std::move(path)) {}
  File& lock() override {
    if (!held_) held_ = files_.openLocked(path_);
    return *held_;
  }
  void unlock() override { held_.reset(); }

 private:
  Files& files_;
  std::string path_;
  std::unique_ptr<File> held_;
};

}  // namespace

std::unique_ptr<LockableFile> Files::openLockable(std::string_view path) {
  return std::make_unique<ReopeningLockable>(*this, std::string(path));
}

}  // namespace zr::platform

namespace zr::platform {

// Either host's text files: read whole through its own open, split the same way.
std::vector<std::string> HostFiles::readLines(std::string_view path) {
  auto file = open(path, OpenMode::Read);
  return filescommon::splitLines(filescommon::readWhole(*file));
}

}  // namespace zr::platform
