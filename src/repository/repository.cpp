#include "repository/repository.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "platform/errors.h"
#include "platform/numtext.h"

namespace zr {

namespace {

constexpr std::string_view kUnknownFamily = "ERRORE REPOSITORY - STRCOSTANTE";
constexpr std::string_view kUnknownLetter = "ERRORE REPOSITORY - LETTERA SCONOSCIUTA";

// The run time's substring of `count` characters from 1-based `pos`: fewer at the end, none
// beyond it; a position below 1 or a negative count is error 5.
std::string_view middle(std::string_view s, std::int64_t pos, std::int64_t count) {
  if (pos < 1 || count < 0) throw RuntimeError::of(5, "field position outside the record");
  const auto at = static_cast<std::size_t>(pos - 1);
  if (at >= s.size()) return {};
  return s.substr(at, static_cast<std::size_t>(count));
}

// The sign moved to the front and the implied point inserted before the last `decimals` of the
// field's length, as numeric fields are returned (no trimming: blanks stay).
std::string numericField(std::string_view raw, const FieldLayout& f) {
  const std::int64_t wholeLen = f.length - f.decimals;
  if (wholeLen < 0) throw RuntimeError::of(5, "field shorter than its decimals");
  const std::size_t minus = raw.find('-');
  std::string out;
  out.reserve(raw.size() + 2);
  if (minus != std::string_view::npos) out.push_back('-');
  const std::size_t first = out.size();
  out.append(raw);
  if (minus != std::string_view::npos) out[first + minus] = '0';
  if (f.decimals != 0)
    out.insert(first + std::min(raw.size(), static_cast<std::size_t>(wholeLen)), 1, '.');
  return out;
}

}  // namespace

Repository::Repository(ArchiveLib& lib) : lib_(lib) {}

[[noreturn]] void Repository::unknownFamily() {
  lib_.endProgram(kUnknownFamily, lib_.config().projectExe);
}

std::int16_t Repository::SPOSTAMENTOGRUPPO(std::string_view descriptor, std::int16_t k) {
  return offsetOf(descriptor, parseDescriptor(descriptor), k);
}

std::int16_t Repository::offsetOf(std::string_view descriptor, const FieldLayout& f,
                                  std::int16_t k) {
  bool missingLetter = false;
  const std::int16_t off = groupOffset(descriptor, f, k, missingLetter);
  if (missingLetter)
    lib_.tellFailure(kUnknownLetter);
  return off;
}

std::string Repository::STRCOSTANTE(std::string_view descriptor, std::int16_t k,
                                    std::string_view record) {
  return lib_.guarded([&]() -> std::string {
    try {
      return readField(descriptor, k, record);
    } catch (const RuntimeError&) {
      lib_.TRACCIAOPERAZIONE("RepoR");
      throw;
    }
  });
}

std::string Repository::readField(std::string_view descriptor, std::int16_t k,
                                  std::string_view record) {
  const FieldLayout f = parseDescriptor(descriptor);
  const std::int16_t off = offsetOf(descriptor, f, k);
  if (record.empty()) {
    if (f.family == Family::Count) unknownFamily();
    record = buffer(f.family);
  }
  const std::string_view raw = middle(record, f.start + off, f.length);
  if (!f.numeric) return std::string(raw);
  return numericField(raw, f);
}

double Repository::VALCOSTANTE(std::string_view descriptor, std::int16_t k,
                               std::string_view record) {
  return platform::valNumber(STRCOSTANTE(descriptor, k, record));
}

void Repository::RepoW(std::string_view descriptor, std::string& value, std::int16_t k) {
  std::string none;
  RepoW(descriptor, value, k, none);
}

void Repository::RepoW(std::string_view descriptor, std::string& value, std::int16_t k,
                       std::string& target) {
  lib_.guarded([&] {
    try {
      writeField(descriptor, value, k, target);
    } catch (const RuntimeError&) {
      lib_.TRACCIAOPERAZIONE("RepoW");
      throw;
    }
  });
}

std::string Repository::storedText(const FieldLayout& f, std::string_view value) {
  const auto length = static_cast<std::size_t>(f.length);
  std::string v(value);
  if (f.type == 'A') {
    v.resize(length, ' ');
    return v;
  }
  const bool negative = !v.empty() && v.front() == '-';
  if (negative) v.erase(0, 1);
  if (f.decimals != 0) {
    std::int16_t d = static_cast<std::int16_t>(f.decimals);
    v = ARROTONDA(platform::valNumber(v), d);
  }
  NOTAZIONEDECIMALE(v);
  if (f.decimals != 0) {
    std::size_t sep = v.find(',');
    if (sep == std::string::npos) sep = v.find('.');
    const auto d = static_cast<std::size_t>(f.decimals);
    if (sep != std::string::npos) {
      std::string frac = v.substr(sep + 1) + std::string(d, '0');
      v = v.substr(0, sep) + frac.substr(0, d);
    } else {
      v.append(d, '0');
    }
  }
  if (v.size() < length) v.insert(0, length - v.size(), '0');
  v.erase(0, v.size() - length);
  if (negative && !v.empty()) v.front() = '-';
  return v;
}

void Repository::writeField(std::string_view descriptor, std::string& value, std::int16_t k,
                            std::string& target) {
  if (const std::size_t comma = value.find(','); comma != std::string::npos) value[comma] = '.';
  const FieldLayout f = parseDescriptor(descriptor);
  const std::int16_t off = offsetOf(descriptor, f, k);
  if (f.length < 0) throw RuntimeError::of(5, "negative field length");
  const std::string v = storedText(f, value);

  std::string* into = &target;
  if (target.empty()) {
    if (f.family == Family::Count) unknownFamily();
    into = &buffer(f.family);
  }
  // The whole field must lie inside the record: a store that silently kept only part of a
  // date or an amount would corrupt the record without anyone knowing.
  const std::int64_t pos = f.start + off;
  if (pos < 1 || pos - 1 + f.length > static_cast<std::int64_t>(into->size()))
    throw RuntimeError::of(5, std::string(descriptor) + " outside a record of " +
                                  std::to_string(into->size()) + " characters");
  into->replace(static_cast<std::size_t>(pos - 1), v.size(), v);
}

std::int64_t centsOf(Repository& repo, std::string_view descriptor, int k) {
  return std::llround(repo.VALCOSTANTE(descriptor, static_cast<std::int16_t>(k)) * 100);
}

}  // namespace zr
