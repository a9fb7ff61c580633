// The export files of one run. Each ".V24" file is written to a temporary beside its final name
// and moved over it by commit() only when the whole run has succeeded; a run that never
// commits (an error, a ProgramEnd) removes its temporaries and leaves the previous files.
// Touches files only through platform::Files.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files.h"

namespace zr {

// A file that a committed run put in place: its final name, record length and record count.
struct WrittenFile {
  std::string name;
  std::size_t recordLength = 0;
  std::uint64_t records = 0;
};

// Sees what a run writes as it writes it, for the export report; it changes no byte of a file.
// Records reach it whole (blank-padded), by record number, rewrites with what they replace.
class ExportWatcher {
 public:
  virtual ~ExportWatcher() = default;
  // The run's file of `stem` was created afresh: whatever it held before is gone.
  virtual void fileCreated(std::string_view stem, std::size_t recordLength) = 0;
  // Whole records laid end to end from record `first`; `replaced`: what the first of them held
  // before (the records already in the file that these overwrite, end to end; empty when all
  // are new).
  virtual void recordsWritten(std::string_view stem, double first, std::string_view bytes,
                              std::string_view replaced) = 0;
  // What the quadro producers saw besides their records: a row with a tribute code left out
  // because A + P is 0 (`period` is its F24 record's), a company's F24 months starting, an F24
  // record read.
  virtual void rowSkipped(std::string_view company, std::string_view period,
                          std::string_view code) = 0;
  virtual void f24Company(std::string_view company, bool shiftedYear) = 0;
  virtual void f24Read(std::string_view company, std::string_view period) = 0;
};

// An export file open for random access with fixed-length records.
class ExportFile {
 public:
  ExportFile(std::unique_ptr<platform::File> file, std::size_t recordLength,
             ExportWatcher* watcher = nullptr, std::string stem = {});
  ExportFile(const ExportFile&) = delete;
  ExportFile& operator=(const ExportFile&) = delete;

  std::size_t recordLength() const { return length_; }
  ExportWatcher* watcher() const { return watcher_; }
  // Writes record n (1-based), blank-padded or cut to the record length.
  void writeRecord(double n, std::string_view record);
  // Reads record n into out; false past the end of the file.
  bool readRecord(double n, std::string& out);
  // Reads up to `count` whole records from record `first` into out; returns how many were read
  // (a cut last record counts as whole, blank-padded as readRecord pads it).
  std::size_t readRecords(double first, std::size_t count, std::string& out);
  // Writes whole records laid end to end from record `first`.
  void writeRecords(double first, std::string_view bytes);
  std::uint64_t size() {
    flush();
    return file_->size();
  }
  void sync() {
    flush();
    file_->sync();
  }

 private:
  std::uint64_t offsetOf(double n) const;
  void flush();
  // For the watcher: what records from `first` hold now, up to `count` of them.
  std::string replacedBy(double first, std::size_t count);

  std::unique_ptr<platform::File> file_;
  std::size_t length_;
  ExportWatcher* watcher_;
  std::string stem_;
  // Records written one after the other reach the file in blocks: a quadro file holds
  // hundreds of thousands of them.
  std::string pending_;
  std::uint64_t pendingAt_ = 0;
  std::uint64_t records_ = 0;  // records in the file (only kept while watched)
};

class ExportFiles {
 public:
  ExportFiles(platform::Files& files, std::string archives);
  ~ExportFiles();  // removes every temporary that commit() has not moved into place
  ExportFiles(const ExportFiles&) = delete;
  ExportFiles& operator=(const ExportFiles&) = delete;

  // Every file created or reopened from now on reports its records to `watcher` (which must
  // outlive the files), or to none.
  void watch(ExportWatcher* watcher) { watcher_ = watcher; }

  // PERCORSOARCHIVI + "\" + stem + ".V24".
  std::string finalName(std::string_view stem) const;
  // The run's temporary for it, once created (empty before).
  std::string temporaryName(std::string_view stem);

  // Deletes the run's file if present and creates it empty, open for records of `length`.
  ExportFile& create(std::string_view stem, std::size_t length);
  // Opens the run's file again (created earlier in this run) for records of `length`.
  ExportFile& reopen(std::string_view stem, std::size_t length);
  // Whether the run has created the file, and its length; the final file is never consulted.
  bool exists(std::string_view stem);
  std::optional<std::uint64_t> length(std::string_view stem);
  // Flushes and closes one file, or all; they stay on disk for commit().
  void close(std::string_view stem);
  void closeAll();

  // Flushes every file to stable storage and copies each previous file aside; then, after
  // `lastStop` (where a run may still give up, by throwing), writes the commit record, renames
  // each file over its final name in the order of creation, syncs the folder and removes the
  // record. A rename or the folder sync failing puts back the files already moved, under a
  // record of its own: the set stays the previous one or becomes the new one, durably, as a
  // whole, even across a crash (the next run's recovery completes a record left in place).
  // Throws the platform's RuntimeError once everything is put back.
  void commit(const std::function<void()>& lastStop = {});
  // After a failed commit: the folder holds a record that the next recovery must complete
  // (the set could be neither finished nor put back here).
  bool completionPending() const { return pending_; }
  // The final names of the files this run has written (or would write), in order.
  std::vector<std::string> finalNames() const;
  // What commit() put in place, in order of creation (empty before a commit).
  const std::vector<WrittenFile>& written() const { return written_; }

 private:
  struct Entry {
    std::string stem;
    std::string finalPath;
    std::string tempPath;
    std::string backupPath;
    std::unique_ptr<ExportFile> open;
    std::size_t recordLength = 0;
    bool backedUp = false;
    bool moved = false;
  };
  bool rollBack() noexcept;
  std::string nameOf(const std::string& path) const;
  void dropBackups(bool afterRollBack) noexcept;
  Entry* find(std::string_view stem);
  Entry& entry(std::string_view stem);
  void closeEntry(Entry& e);

  platform::Files& files_;
  std::string archives_;
  std::vector<Entry> entries_;
  std::vector<WrittenFile> written_;
  bool pending_ = false;
  ExportWatcher* watcher_ = nullptr;
};

}  // namespace zr
