#include "shell/commitrecord.h"

#include "archive/installation.h"
#include "platform/errors.h"

namespace zr {

namespace {

constexpr std::string_view kHeading = "ZORIR770 COMMIT 1";
constexpr std::string_view kForward = "AVANTI";
constexpr std::string_view kBackward = "INDIETRO";
constexpr std::string_view kEnd = "FINE";
constexpr char kSeparator = '|';  // never in a Windows file name

bool endsWithNoCase(std::string_view s, std::string_view tail) {
  if (s.size() < tail.size()) return false;
  s = s.substr(s.size() - tail.size());
  for (std::size_t i = 0; i < tail.size(); ++i) {
    char a = s[i], b = tail[i];
    if (a >= 'a' && a <= 'z') a = static_cast<char>(a - 'a' + 'A');
    if (b >= 'a' && b <= 'z') b = static_cast<char>(b - 'a' + 'A');
    if (a != b) return false;
  }
  return true;
}

bool plainName(std::string_view name) {
  return !name.empty() && name != "." && name != ".." &&
         name.find_first_of("\\/:") == std::string_view::npos;
}

bool isExportFileName(std::string_view name) {
  return plainName(name) && endsWithNoCase(name, inst::kExportExtension) &&
         name.size() > inst::kExportExtension.size();
}

// A temporary or backup of `final` made by temporaryName.
bool isTemporaryOf(std::string_view name, std::string_view final) {
  return plainName(name) && name.size() > final.size() && name.starts_with(final) &&
         name[final.size()] == '.' && platform::isTemporaryName(name);
}

// The base a temporary name was made from: the name before its mark.
std::string_view baseOf(std::string_view temporary) {
  return temporary.substr(0, temporary.rfind(platform::kTemporaryMark));
}

// ".NAME.tmp<digits>-<digits>-<digits>", what a whole-file copy writes before its rename.
std::optional<std::string_view> hiddenCopyOf(std::string_view name) {
  if (name.size() < 2 || name[0] != '.') return std::nullopt;
  const std::size_t at = name.rfind(".tmp");
  if (at == std::string_view::npos || at < 2) return std::nullopt;
  std::string_view tail = name.substr(at + 4);
  int dashes = 0;
  bool digit = false;
  for (char c : tail) {
    if (c == '-') {
      if (!digit) return std::nullopt;
      ++dashes;
      digit = false;
    } else if (c >= '0' && c <= '9') {
      digit = true;
    } else {
      return std::nullopt;
    }
  }
  if (dashes != 2 || !digit) return std::nullopt;
  return name.substr(1, at - 1);
}

[[noreturn]] void damaged(std::string_view archives, std::string_view why) {
  throw RuntimeError(
      75, "registrazione dei file di esportazione non valida: " + commitRecordPath(archives) +
              " (" + std::string(why) + "); rimuoverla solo dopo averne verificato il contenuto");
}

std::string recordText(const CommitRecord& r) {
  std::string text = std::string(kHeading) + "\r\n";
  text += std::string(r.forward ? kForward : kBackward) + "\r\n";
  for (const SetMove& m : r.moves) text += m.from + kSeparator + m.to + "\r\n";
  text += std::string(kEnd) + "\r\n";
  return text;
}

void removeQuietly(platform::Files& files, const std::string& path) noexcept {
  try {
    if (files.exists(path)) files.remove(path);
  } catch (...) {
    // The failure being reported matters more; recovery removes what is left.
  }
}

// A database this program makes by copying its template: a yearly F24 database at the load,
// the certification database at an export.
bool isCopiedDatabase(std::string_view name) {
  if (name.size() == 12 && name.starts_with("SF24") && endsWithNoCase(name, ".MDB"))
    return name.substr(4, 4).find_first_not_of("0123456789") == std::string_view::npos;
  return name == inst::certificationDatabaseName();
}

}  // namespace

bool isExportTemporary(std::string_view name) {
  if (const auto copied = hiddenCopyOf(name))
    return isExportFileName(*copied) || isExportTemporary(*copied) || isCopiedDatabase(*copied);
  if (!plainName(name) || !platform::isTemporaryName(name)) return false;
  const std::string_view base = baseOf(name);
  return isExportFileName(base) || base == inst::kCommitRecord;
}

std::string commitRecordPath(std::string_view archives) {
  return inst::inArchives(archives, inst::kCommitRecord);
}

void writeCommitRecord(platform::Files& files, std::string_view archives, const CommitRecord& r,
                       OnFailure onFailure) {
  const std::string record = commitRecordPath(archives);
  std::string temporary;
  bool placed = false;
  try {
    auto made = platform::createTemporary(files, record);
    temporary = made.path;
    made.file->writeAt(0, recordText(r));
    made.file->sync();
    made.file.reset();
    files.rename(temporary, record);
    placed = true;
    files.syncFolder(archives);
  } catch (...) {
    if (!placed)
      removeQuietly(files, temporary);
    else if (onFailure == OnFailure::Withdraw)
      removeQuietly(files, record);
    throw;
  }
}

std::optional<CommitRecord> readCommitRecord(platform::Files& files, std::string_view archives) {
  const std::string record = commitRecordPath(archives);
  if (!files.exists(record)) return std::nullopt;
  const std::vector<std::string> lines = files.readLines(record);
  if (lines.size() < 3 || lines[0] != kHeading || lines.back() != kEnd)
    damaged(archives, "incompleta");
  CommitRecord r;
  if (lines[1] == kForward)
    r.forward = true;
  else if (lines[1] == kBackward)
    r.forward = false;
  else
    damaged(archives, "direzione sconosciuta");
  for (std::size_t i = 2; i + 1 < lines.size(); ++i) {
    const std::string& line = lines[i];
    const std::size_t bar = line.find(kSeparator);
    if (bar == std::string::npos) damaged(archives, "riga " + std::to_string(i + 1));
    SetMove m{line.substr(0, bar), line.substr(bar + 1)};
    // Only this program's own files move: a record can never rename anything else.
    const bool fits = isExportFileName(m.to) && (m.from.empty() || isTemporaryOf(m.from, m.to));
    if (!fits) damaged(archives, "riga " + std::to_string(i + 1));
    r.moves.push_back(std::move(m));
  }
  return r;
}

void carryOutCommitRecord(platform::Files& files, std::string_view archives,
                          const CommitRecord& r) {
  for (const SetMove& m : r.moves) {
    const std::string to = inst::inArchives(archives, m.to);
    if (m.from.empty()) {
      if (files.exists(to)) files.remove(to);
      continue;
    }
    const std::string from = inst::inArchives(archives, m.from);
    if (files.exists(from)) files.rename(from, to);
  }
  files.syncFolder(archives);
  files.remove(commitRecordPath(archives));
  files.syncFolder(archives);
}

SetRecovery recoverExportSet(platform::Files& files, std::string_view archives) {
  SetRecovery done;
  if (const auto record = readCommitRecord(files, archives)) {
    carryOutCommitRecord(files, archives, *record);
    done.completed = true;
  }
  for (const std::string& name : files.list(archives)) {
    if (!isExportTemporary(name)) continue;
    files.remove(inst::inArchives(archives, name));
    ++done.removed;
  }
  return done;
}

}  // namespace zr
