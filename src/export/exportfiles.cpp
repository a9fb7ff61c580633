#include "export/exportfiles.h"

#include <cmath>

#include "archive/installation.h"
#include "platform/errors.h"

namespace zr {

namespace {
// Not ending in ".V24", so the importer never mistakes a half-written file for an export.
constexpr std::string_view kTemporarySuffix = ".new";
constexpr std::string_view kBackupSuffix = ".old";
}  // namespace

ExportFile::ExportFile(std::unique_ptr<platform::File> file, std::size_t recordLength)
    : file_(std::move(file)), length_(recordLength) {}

std::uint64_t ExportFile::offsetOf(double n) const {
  if (!(n >= 1) || n != std::floor(n)) throw RuntimeError::of(63, file_->path());
  return static_cast<std::uint64_t>(n - 1) * length_;
}

void ExportFile::writeRecord(double n, std::string_view record) {
  std::string bytes(record.substr(0, length_));
  bytes.resize(length_, ' ');
  file_->writeAt(offsetOf(n), bytes);
}

bool ExportFile::readRecord(double n, std::string& out) {
  out.assign(length_, '\0');
  const std::size_t got = file_->readAt(offsetOf(n), out.data(), length_);
  if (got == 0) return false;
  out.resize(got);
  out.resize(length_, ' ');
  return true;
}

ExportFiles::ExportFiles(platform::Files& files, std::string archives)
    : files_(files), archives_(std::move(archives)) {}

ExportFiles::~ExportFiles() {
  for (Entry& e : entries_) {
    e.open.reset();
    if (e.moved) continue;
    try {
      if (files_.exists(e.tempPath)) files_.remove(e.tempPath);
    } catch (...) {
      // Nothing to report from here: the previous export file is untouched either way.
    }
  }
}

std::string ExportFiles::finalName(std::string_view stem) const {
  return archives_ + "\\" + std::string(stem) + std::string(inst::kExportExtension);
}

std::string ExportFiles::temporaryName(std::string_view stem) const {
  return finalName(stem) + std::string(kTemporarySuffix);
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
  e.tempPath = temporaryName(stem);
  e.backupPath = e.finalPath + std::string(kBackupSuffix);
  entries_.push_back(std::move(e));
  return entries_.back();
}

ExportFile& ExportFiles::create(std::string_view stem, std::size_t length) {
  Entry& e = entry(stem);
  e.open.reset();
  e.moved = false;
  e.recordLength = length;
  e.open =
      std::make_unique<ExportFile>(platform::createTemporary(files_, e.tempPath), length);
  return *e.open;
}

ExportFile& ExportFiles::reopen(std::string_view stem, std::size_t length) {
  Entry* e = find(stem);
  if (!e || e->moved) throw RuntimeError::of(53, temporaryName(stem));
  e->open.reset();
  e->open =
      std::make_unique<ExportFile>(files_.open(e->tempPath, platform::OpenMode::ReadWrite), length);
  return *e->open;
}

bool ExportFiles::exists(std::string_view stem) {
  Entry* e = find(stem);
  return e && !e->moved && files_.exists(e->tempPath);
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

void ExportFiles::commit() {
  std::vector<WrittenFile> written;
  try {
    closeAll();
    for (Entry& e : entries_) {
      if (e.moved) continue;
      const std::uint64_t bytes = files_.fileLength(e.tempPath).value_or(0);
      written.push_back({e.finalPath, e.recordLength, e.recordLength ? bytes / e.recordLength : 0});
    }
    for (Entry& e : entries_) {
      if (e.moved || !files_.exists(e.finalPath)) continue;
      files_.copy(e.finalPath, e.backupPath);
      e.backedUp = true;
    }
    for (Entry& e : entries_) {
      if (e.moved) continue;
      files_.rename(e.tempPath, e.finalPath);
      e.moved = true;
    }
    // Until the folder is synced the renames may not survive a power loss, some of them or
    // all: a set that cannot be made durable is put back like one that could not be renamed.
    files_.syncFolder(archives_);
  } catch (...) {
    rollBack();
    dropBackups(/*afterRollBack=*/true);
    throw;
  }
  dropBackups(/*afterRollBack=*/false);
  written_ = std::move(written);
}

void ExportFiles::rollBack() noexcept {
  for (Entry& e : entries_) {
    if (!e.moved) continue;
    try {
      if (e.backedUp)
        files_.rename(e.backupPath, e.finalPath);
      else
        files_.remove(e.finalPath);
      e.backedUp = false;
      e.moved = false;
    } catch (...) {
      // The backup stays beside the file for the operator; the failure is being reported.
    }
  }
  try {
    files_.syncFolder(archives_);
  } catch (...) {
    // The failure that made us roll back is the one reported.
  }
}

void ExportFiles::dropBackups(bool afterRollBack) noexcept {
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
