#include "export/exportfiles.h"

#include <algorithm>
#include <cmath>

#include "archive/installation.h"
#include "shell/commitrecord.h"
#include "platform/errors.h"

namespace zr {

namespace {
// Neither ends in ".V24", so the importer never mistakes a half-written file for an export.
constexpr std::string_view kTemporaryKind = ".tmp";
constexpr std::string_view kBackupKind = ".old";
constexpr std::size_t kWriteBlock = std::size_t{1} << 20;
}  // namespace

ExportFile::ExportFile(std::unique_ptr<platform::File> file, std::size_t recordLength,
                       ExportWatcher* watcher, std::string stem)
    : file_(std::move(file)), length_(recordLength), watcher_(watcher), stem_(std::move(stem)) {
  if (watcher_ && length_ > 0) records_ = (file_->size() + length_ - 1) / length_;
}

std::string ExportFile::replacedBy(double first, std::size_t count) {
  const auto n = static_cast<std::uint64_t>(first);
  if (n > records_) return {};
  std::string old;
  const std::size_t held = static_cast<std::size_t>(std::min<std::uint64_t>(count, records_ - n + 1));
  readRecords(first, held, old);
  return old;
}

std::uint64_t ExportFile::offsetOf(double n) const {
  if (!(n >= 1) || n != std::floor(n)) throw RuntimeError::of(63, file_->path());
  return static_cast<std::uint64_t>(n - 1) * length_;
}

void ExportFile::writeRecord(double n, std::string_view record) {
  const std::uint64_t at = offsetOf(n);
  const std::string replaced = watcher_ ? replacedBy(n, 1) : std::string();
  if (!pending_.empty() && at != pendingAt_ + pending_.size()) flush();
  if (pending_.empty()) pendingAt_ = at;
  const std::string_view bytes = record.substr(0, length_);
  pending_.append(bytes);
  pending_.append(length_ - bytes.size(), ' ');
  if (watcher_) {
    records_ = std::max<std::uint64_t>(records_, static_cast<std::uint64_t>(n));
    watcher_->recordsWritten(stem_, n, std::string_view(pending_).substr(pending_.size() - length_),
                             replaced);
  }
  if (pending_.size() >= kWriteBlock) flush();
}

void ExportFile::flush() {
  if (pending_.empty()) return;
  file_->writeAt(pendingAt_, pending_);
  pending_.clear();
}

bool ExportFile::readRecord(double n, std::string& out) {
  flush();
  out.assign(length_, '\0');
  const std::size_t got = platform::readFully(*file_, offsetOf(n), out.data(), length_);
  if (got == 0) return false;
  out.resize(got);
  out.resize(length_, ' ');
  return true;
}

std::size_t ExportFile::readRecords(double first, std::size_t count, std::string& out) {
  flush();
  out.assign(count * length_, '\0');
  const std::size_t got = platform::readFully(*file_, offsetOf(first), out.data(), out.size());
  const std::size_t records = (got + length_ - 1) / length_;
  out.resize(got);
  out.resize(records * length_, ' ');
  return records;
}

void ExportFile::writeRecords(double first, std::string_view bytes) {
  if (bytes.size() % length_ != 0) throw RuntimeError::of(59, file_->path());
  const std::uint64_t at = offsetOf(first);
  const std::size_t count = bytes.size() / length_;
  const std::string replaced = watcher_ ? replacedBy(first, count) : std::string();
  flush();
  file_->writeAt(at, bytes);
  if (watcher_) {
    records_ = std::max<std::uint64_t>(records_, static_cast<std::uint64_t>(first) + count - 1);
    watcher_->recordsWritten(stem_, first, bytes, replaced);
  }
}

ExportFiles::ExportFiles(platform::Files& files, std::string archives)
    : files_(files), archives_(std::move(archives)) {}

ExportFiles::~ExportFiles() {
  for (Entry& e : entries_) {
    e.open.reset();
    // A record left in place needs its temporaries and backups: recovery completes it.
    if (e.moved || pending_ || e.tempPath.empty()) continue;
    try {
      files_.remove(e.tempPath);  // a failed look first would leave it behind
    } catch (...) {
      // Nothing to report from here: the previous export file is untouched either way.
    }
  }
}

std::string ExportFiles::finalName(std::string_view stem) const {
  return archives_ + "\\" + std::string(stem) + std::string(inst::kExportExtension);
}

std::string ExportFiles::temporaryName(std::string_view stem) {
  const Entry* e = find(stem);
  return e ? e->tempPath : std::string();
}

std::string ExportFiles::nameOf(const std::string& path) const {
  return path.substr(archives_.size() + 1);
}

ExportFiles::Entry* ExportFiles::find(std::string_view stem) {
  for (Entry& e : entries_)
    if (e.stem == stem) return &e;
  return nullptr;
}

ExportFiles::Entry& ExportFiles::entry(std::string_view stem) {
  if (Entry* e = find(stem)) return *e;
  Entry e;
  e.stem = stem;
  e.finalPath = finalName(stem);
  entries_.push_back(std::move(e));
  return entries_.back();
}

ExportFile& ExportFiles::create(std::string_view stem, std::size_t length) {
  Entry& e = entry(stem);
  e.open.reset();
  if (!e.tempPath.empty() && !e.moved && files_.exists(e.tempPath)) files_.remove(e.tempPath);
  e.moved = false;
  e.recordLength = length;
  auto made = platform::createTemporary(files_, e.finalPath, kTemporaryKind);
  e.tempPath = std::move(made.path);
  e.open = std::make_unique<ExportFile>(std::move(made.file), length, watcher_, e.stem);
  if (watcher_) watcher_->fileCreated(stem, length);
  return *e.open;
}

ExportFile& ExportFiles::reopen(std::string_view stem, std::size_t length) {
  Entry* e = find(stem);
  if (!e || e->moved) throw RuntimeError::of(53, finalName(stem));
  closeEntry(*e);  // what it still holds reaches the file first
  e->open = std::make_unique<ExportFile>(
      files_.open(e->tempPath, platform::OpenMode::ReadWrite), length, watcher_, e->stem);
  return *e->open;
}

bool ExportFiles::exists(std::string_view stem) {
  // The run made its temporary and nothing else removes it: asking the disk could only add a
  // failed open, read as "not there", and a file written anew over what it held.
  const Entry* e = find(stem);
  return e && !e->moved && !e->tempPath.empty();
}

std::optional<std::uint64_t> ExportFiles::length(std::string_view stem) {
  Entry* e = find(stem);
  if (!e || e->moved) return std::nullopt;
  if (e->open) return e->open->size();
  return files_.fileLength(e->tempPath);
}

void ExportFiles::closeEntry(Entry& e) {
  if (!e.open) return;
  e.open->sync();
  e.open.reset();
}

void ExportFiles::close(std::string_view stem) {
  if (Entry* e = find(stem)) closeEntry(*e);
}

void ExportFiles::closeAll() {
  for (Entry& e : entries_) closeEntry(e);
}

void ExportFiles::commit(const std::function<void()>& lastStop) {
  std::vector<WrittenFile> written;
  CommitRecord forward;
  try {
    closeAll();
    for (Entry& e : entries_) {
      if (e.moved) continue;
      const std::uint64_t bytes = files_.fileLength(e.tempPath).value_or(0);
      written.push_back({e.finalPath, e.recordLength, e.recordLength ? bytes / e.recordLength : 0});
      forward.moves.push_back({nameOf(e.tempPath), nameOf(e.finalPath)});
    }
    for (Entry& e : entries_) {
      // Only a previous file that is not there goes without a copy: one whose open fails now
      // would otherwise be removed by a roll-back with nothing to put back.
      if (e.moved || (!files_.exists(e.finalPath) && !files_.fileLength(e.finalPath))) continue;
      e.backupPath = platform::temporaryName(e.finalPath, kBackupKind);
      // A second name, not the bytes: the rename below replaces the name, never the file.
      files_.keepCopy(e.finalPath, e.backupPath);
      e.backedUp = true;
    }
    if (lastStop) lastStop();
    writeCommitRecord(files_, archives_, forward, OnFailure::Withdraw);
  } catch (...) {
    dropBackups(/*afterRollBack=*/false);
    throw;
  }
  try {
    for (Entry& e : entries_) {
      if (e.moved) continue;
      files_.rename(e.tempPath, e.finalPath);
      e.moved = true;
    }
    // Until the folder is synced the renames may not survive a power loss, some of them or
    // all: a set that cannot be made durable is put back like one that could not be renamed.
    files_.syncFolder(archives_);
  } catch (...) {
    pending_ = !rollBack();
    if (!pending_) dropBackups(/*afterRollBack=*/true);
    throw;
  }
  try {
    // A record left behind is harmless: its temporaries are gone, so completing it only
    // removes it.
    files_.remove(commitRecordPath(archives_));
    files_.syncFolder(archives_);
  } catch (...) {
  }
  dropBackups(/*afterRollBack=*/false);
  written_ = std::move(written);
}

bool ExportFiles::rollBack() noexcept {
  CommitRecord backward;
  backward.forward = false;
  for (Entry& e : entries_) {
    if (!e.moved) continue;
    backward.moves.push_back({e.backedUp ? nameOf(e.backupPath) : std::string(),
                              nameOf(e.finalPath)});
  }
  try {
    // The record that undoes the renames replaces the one that made them: whichever is in place
    // when a crash comes, completing it gives a whole set.
    writeCommitRecord(files_, archives_, backward, OnFailure::Keep);
  } catch (...) {
    return false;  // the forward record stays; the next recovery finishes the new set
  }
  try {
    carryOutCommitRecord(files_, archives_, backward);
  } catch (...) {
    return false;  // the backward record stays; the next recovery puts the old set back
  }
  for (Entry& e : entries_) {
    if (!e.moved) continue;
    e.moved = false;
    e.backedUp = false;
  }
  return true;
}

void ExportFiles::dropBackups(bool afterRollBack) noexcept {
  if (pending_) return;
  for (Entry& e : entries_) {
    // A file that could not be put back keeps its previous version beside it.
    if (!e.backedUp || (afterRollBack && e.moved)) continue;
    try {
      files_.remove(e.backupPath);
      e.backedUp = false;
    } catch (...) {
    }
  }
}

std::vector<std::string> ExportFiles::finalNames() const {
  std::vector<std::string> names;
  for (const Entry& e : entries_) names.push_back(e.finalPath);
  return names;
}

}  // namespace zr
