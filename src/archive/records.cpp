// Fixed-length records: record R of a base number occupies bytes (R-1)*L .. R*L-1.
#include <cmath>

#include "archive/archive.h"
#include "archive/runcache.h"
#include "platform/numtext.h"

namespace zr {

namespace {

// "LEGGIREC (377-12)" into a stack buffer: the read path allocates nothing.
struct TraceName {
  char text[16 + 2 * platform::kShortTextChars];
  std::size_t size = 0;

  TraceName(std::string_view routine, double n, double r) {
    append(routine);
    append(" (");
    size += platform::writeShortText(n, text + size);
    append("-");
    size += platform::writeShortText(r, text + size);
    append(")");
  }
  void append(std::string_view s) {
    s.copy(text + size, s.size());
    size += s.size();
  }
  std::string_view view() const { return {text, size}; }
};

std::uint64_t recordOffset(double r, std::size_t length) {
  if (!(r >= 1) || std::trunc(r) != r || r > 9.0e15) throw RuntimeError::of(63);
  return (static_cast<std::uint64_t>(r) - 1) * length;
}

}  // namespace

std::string& ArchiveLib::recordBuffer(double n) {
  const int s = slot(n);
  if (static_cast<double>(buffer_[s].size()) != length_[s]) throw RuntimeError::of(59);
  return buffer_[s];
}

int ArchiveLib::LEGGIREC(double n, double r) {
  TRACCIAOPERAZIONE(TraceName("LEGGIREC", n, r).view());
  return guarded([&]() -> int {
    std::string& buffer = recordBuffer(n);
    const std::size_t length = buffer.size();
    platform::File& file = fileOf(n);
    const std::uint64_t offset = recordOffset(r, length);
    ++recordsRead_;
    return platform::readFully(file, offset, buffer.data(), length) < length ? 1 : 0;
  });
}

int ArchiveLib::readIndexNode(double n, double r) {
  if (!run_) return LEGGIREC(n, r);
  TRACCIAOPERAZIONE(TraceName("LEGGIREC", n, r).view());
  return guarded([&]() -> int {
    std::string& buffer = recordBuffer(n);
    const std::size_t length = buffer.size();
    platform::File& file = fileOf(n);
    const std::pair key{RunCache::keyOf(file), recordOffset(r, length)};
    auto& nodes = run_->nodes;
    if (auto it = nodes.find(key); it != nodes.end() && it->second.size() == length) {
      buffer.assign(it->second);
      return 0;
    }
    ++recordsRead_;
    // Only a node read whole is kept: a short read is the end of the index, read again.
    if (platform::readFully(file, key.second, buffer.data(), length) < length) return 1;
    nodes.insert_or_assign(key, buffer);
    return 0;
  });
}

void ArchiveLib::SCRIVIREC(double n, double r, std::string_view s) {
  TRACCIAOPERAZIONE(TraceName("SCRIVIREC", n, r).view());
  guarded([&] {
    std::string& buffer = recordBuffer(n);
    if (!s.empty()) {
      if (s.size() != buffer.size()) throw RuntimeError::of(59);
      buffer.assign(s);
    }
    platform::File& file = fileOf(n);
    forgetFile(file);
    file.writeAt(recordOffset(r, buffer.size()), buffer);
  });
}

}  // namespace zr

namespace zr {

namespace {

// The record's place, checked to hold the part and to lie wholly in the file.
struct PartPlace {
  std::uint64_t offset = 0;
  bool inFile = false;
};

PartPlace partPlace(platform::File& file, double r, std::size_t length, std::size_t pos,
                    std::size_t n) {
  if (pos + n > length) throw RuntimeError::of(59);
  const std::uint64_t start = recordOffset(r, length);
  return {start + pos, start + length <= file.size()};
}

}  // namespace

int ArchiveLib::readRecordPart(double n, double r, std::size_t pos, std::string& part) {
  TRACCIAOPERAZIONE(TraceName("LEGGIREC", n, r).view());
  return guarded([&]() -> int {
    const int s = slot(n);
    platform::File& file = fileOf(n);
    const PartPlace place = partPlace(file, r, buffer_[s].size(), pos, part.size());
    if (!place.inFile) return 1;
    return platform::readFully(file, place.offset, part.data(), part.size()) < part.size() ? 1 : 0;
  });
}

void ArchiveLib::writeRecordPart(double n, double r, std::size_t pos, std::string_view part) {
  TRACCIAOPERAZIONE(TraceName("SCRIVIREC", n, r).view());
  guarded([&] {
    const std::size_t length = recordBuffer(n).size();
    platform::File& file = fileOf(n);
    const PartPlace place = partPlace(file, r, length, pos, part.size());
    if (!place.inFile) throw RuntimeError::of(63);
    forgetFile(file);
    // A write that fails may have put part of the bytes (a short write, a full disk): the
    // previous bytes go back, so the field is whole, old or new, never a mix of the two.
    std::string previous(part.size(), ' ');
    if (platform::readFully(file, place.offset, previous.data(), previous.size()) != part.size())
      throw RuntimeError::of(63);
    try {
      file.writeAt(place.offset, part);
    } catch (const RuntimeError&) {
      try {
        file.writeAt(place.offset, previous);
      } catch (const RuntimeError& again) {
        throw RuntimeError(again.number(), again.description() +
                                               " (the field could not be put back as it was)");
      }
      throw;
    }
  });
}

}  // namespace zr
