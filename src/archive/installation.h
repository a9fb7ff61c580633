// The facts of a payroll installation that the program and the installation builder share: the
// base numbers of the archives, the catalogue's record layout, the path, task and registry
// names, the export files, and the names of the F24 and certification databases.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "archive/config.h"

namespace zr::inst {

// --- base numbers (records of TRBASE.DAT) ---
inline constexpr int kCompanies = 1;       // KVDITTE: one record per company code
inline constexpr int kSemaphore = 16;      // TRSEMA: held open while the program runs
inline constexpr int kEmployees = 29;      // KVDIPEND
inline constexpr int kEmployeeIndex = 30;  // its three-level index
inline constexpr int kParameters = 63;     // KVPARAM
inline constexpr int kCausals = 67;        // KVCAUSAL
inline constexpr int kContracts = 68;      // KVCONTRA
inline constexpr int kHistory = 355;       // KVSTORIC
inline constexpr int kScrutiny = 357;      // KVSCRUT
inline constexpr int kF24 = 377;           // KVF24
inline constexpr int kF24Index = 378;      // its three-level index
// Every base number an export opens, in the order it opens them.
inline constexpr int kExportBases[] = {kCompanies, kEmployees, kEmployeeIndex, kParameters,
                                       kCausals,   kContracts, kHistory,       kScrutiny,
                                       kF24,       kF24Index};

// --- the catalogue ---
inline constexpr std::string_view kCatalogueFile = "TRBASE.DAT";
inline constexpr std::string_view kSemaphoreFile = "TRSEMA.DAT";
inline constexpr std::size_t kSemaphoreRecord = 2000;
inline constexpr std::size_t kCatalogueRecord = 79;       // 77 characters and a line end
inline constexpr std::size_t kCatalogueNumberChars = 3;   // bytes 1-3
inline constexpr std::size_t kCataloguePatternStart = 3;  // bytes 4-32
inline constexpr std::size_t kCataloguePatternChars = 29;
inline constexpr std::size_t kCatalogueLengthStart = 32;  // bytes 33-37
inline constexpr std::size_t kCatalogueLengthChars = 5;
inline constexpr int kHighestBase = 600;

// --- configuration files ---
inline constexpr std::string_view kPathFolder = "C:\\RORIZIDO";
inline constexpr std::string_view kArchivesPathFileName = "TRPERARK.TRP";
inline constexpr std::string_view kProgramsPathFileName = "TRPERPRO.TRP";
inline constexpr std::string_view kArchivesPathFile = "C:\\RORIZIDO\\TRPERARK.TRP";
inline constexpr std::string_view kProgramsPathFile = "C:\\RORIZIDO\\TRPERPRO.TRP";
// The launcher's hand-off file that carries the task code.
inline constexpr std::string_view kTaskFolder = "C:\\ZAVUVOD";
inline constexpr std::string_view kTaskFile = "C:\\ZAVUVOD\\ZAVUVOD.INI";
inline constexpr std::size_t kTaskLineLength = 100;
inline constexpr std::string_view kRegistryKey = "SOFTWARE\\VERANTIDATA\\KORVANTE";
inline constexpr std::string_view kRegistryArchives = "PERCORSOARCHIVI";
inline constexpr std::string_view kRegistryPrograms = "PERCORSOPROGRAMMI";

// --- export files: stem (name without ".V24") and record length ---
struct ExportFileFact {
  std::string_view stem;
  std::size_t length;
};
inline constexpr std::string_view kExportExtension = ".V24";
inline constexpr ExportFileFact kFront{"FRONTE", 1964};
inline constexpr ExportFileFact kSubstitutes{"SOSTITUT", 202};
inline constexpr ExportFileFact kQuadroST{"QUADST", 190};
inline constexpr ExportFileFact kQuadroSV{"QUADSV", 189};
inline constexpr ExportFileFact kEmployeesFile{"Q770ULTE", 219};
// In the archives folder: the export set's commit record, and the lock that an export run and
// a date update hold for their whole length.
inline constexpr std::string_view kCommitRecord = "ZORIR770.CMT";
inline constexpr std::string_view kInstallationLock = "ZORIR770.LCK";

// --- databases ---
inline constexpr std::string_view kF24TemplateName = "SF24XXXX.MDB";
// "SF24" + the year + ".MDB", the one yearly F24 database name.
inline std::string f24DatabaseName(int year) {
  return "SF24" + std::to_string(year) + ".MDB";
}
// The certification database and its empty template carry the return's two-digit year.
inline std::string certificationDatabaseName() {
  return "TRCER" + std::string(ANNO770.substr(2)) + "P.MDB";
}
inline std::string certificationTemplateName() {
  return "TRUNCE" + std::string(ANNO770.substr(2)) + "X.MDB";
}

// A file of the archives folder: folder + "\" + name.
inline std::string inArchives(std::string_view archives, std::string_view name) {
  return std::string(archives) + "\\" + std::string(name);
}

}  // namespace zr::inst
