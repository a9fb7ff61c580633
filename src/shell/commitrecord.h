// The commit record "ZORIR770.CMT" that makes the export set all-or-nothing across crashes, and
// the recovery that completes it. The record lists each rename still to do, by name inside the
// archives folder; a record in place is always complete, so finishing it never mixes two sets.
// Touches only the archives folder, through platform::Files.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files.h"

namespace zr {

// One step of a record: `from` renamed over `to`; an empty `from` removes `to`.
struct SetMove {
  std::string from;
  std::string to;
};

struct CommitRecord {
  bool forward = true;  // towards the new set; false when a failed commit puts the old one back
  std::vector<SetMove> moves;
};

std::string commitRecordPath(std::string_view archives);

// Writes the record through a temporary of its own, synced, renamed into place, and the folder
// synced: once this returns the record survives a crash. If it throws, a record that reached its
// place is withdrawn or kept as `onFailure` says (a record that undoes renames must stay).
enum class OnFailure { Withdraw, Keep };
void writeCommitRecord(platform::Files& files, std::string_view archives, const CommitRecord& r,
                       OnFailure onFailure);

// The record in place, if any. One that is damaged or names anything but this program's export
// files and temporaries in the folder is a RuntimeError naming it; nothing is then touched.
std::optional<CommitRecord> readCommitRecord(platform::Files& files, std::string_view archives);

// Does every move still to do (a `from` that is gone was done already), syncs the folder and
// removes the record. Safe to repeat after a crash at any point.
void carryOutCommitRecord(platform::Files& files, std::string_view archives,
                          const CommitRecord& r);

// What the start of an export or a date update does under the installation lock: a record in
// place is completed, then every temporary of this program left in the folder is removed.
struct SetRecovery {
  bool completed = false;    // a record was found and carried out
  std::size_t removed = 0;   // leftover temporaries removed
};
SetRecovery recoverExportSet(platform::Files& files, std::string_view archives);

// Whether a name in the archives folder is one of this program's export temporaries: an export
// file's or the record's temporary or backup, or the hidden file a copy writes before renaming
// (of those, and of the databases copied from their templates, which a crash may cut short).
bool isExportTemporary(std::string_view name);

}  // namespace zr
