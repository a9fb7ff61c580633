// Checks that an archive a command relies on is not cut or scrambled: a length that is no whole
// number of records (a copy or a crash that stopped half-way), or a company record filed under
// another record number. Found before a run they refuse it; found mid-run they fail it.
#pragma once

#include <optional>
#include <string>

namespace zr {

class App;
class ArchiveLib;

// An open archive whose length is not a whole number of its records: what is wrong, naming the
// archive, its length and its record length. Nothing when it is whole.
std::optional<std::string> partialRecordDamage(ArchiveLib& lib, double base);
// The same for a producer mid-run: a RunFailure carrying that text. Any producer calls it on
// the archives it reads by record number once it has opened them.
void requireWholeRecords(ArchiveLib& lib, double base);

// The company archive as a whole, before a run relies on its record numbers: a length that is
// no whole number of records, or a company record (not void) whose code (T001) is not its
// record number. Opens and closes base number 1; nothing when the archive is sound.
std::optional<std::string> companyArchiveDamage(App& app);

}  // namespace zr
