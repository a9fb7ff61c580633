#include "builder.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "archive/isam.h"
#include "catalogue.h"
#include "databases.h"
#include "fields.h"
#include "platform/text.h"

namespace zr::demo {

// The library runs under ErrorPolicy::Throwing here, so its failures arrive as exceptions and
// nothing is left for a user to read.
class QuietUi : public platform::Ui {
 public:
  void message(std::string_view, std::string_view, platform::Icon) override {}
  platform::Answer ask(std::string_view, std::string_view, platform::Buttons, platform::Icon,
                       platform::Answer safe) override {
    return safe;
  }
  void progress(std::string_view, std::string_view) override {}
  void busy(bool) override {}
};

namespace {
using platform::trimmed;

std::string zeroFilled(long long n, std::size_t width) {
  std::string s = std::to_string(n);
  if (s.size() < width) s.insert(0, width - s.size(), '0');
  return s;
}

void checkCompanyCode(int code) {
  if (code < 1 || code >= kFirstVoidingCompany) {
    throw std::invalid_argument("company code out of range 1.." +
                                std::to_string(kFirstVoidingCompany - 1) + ": " +
                                std::to_string(code));
  }
}

std::string f24Key(int company, int year, int month) {
  checkCompanyCode(company);
  if (year < 1000 || year > 9999 || month < 0 || month > 99) {
    throw std::invalid_argument("F24 key out of range");
  }
  return zeroFilled(company, 3) + std::to_string(year) + zeroFilled(month, 2);
}

std::vector<Columns> releaseRows(std::optional<int> value) {
  if (!value) return {};
  return {{{"RELEASE", platform::Value(static_cast<double>(*value))}}};
}

}  // namespace

std::string asText(std::string_view descriptor) {
  constexpr std::size_t kType = 15;  // "FFFF$,SSSSS,LL,T,G,IIII"
  if (descriptor.size() <= kType || descriptor[kType - 1] != ',' || descriptor[kType + 1] != ',') {
    throw std::invalid_argument("not a field descriptor: " + std::string(descriptor));
  }
  std::string d(descriptor);
  d[kType] = 'A';
  return d;
}

InstallationBuilder::InstallationBuilder(std::string root)
    : root_(std::filesystem::absolute(root).lexically_normal().string()),
      files_(platform::makeHostFiles(root_)),
      ui_(std::make_unique<QuietUi>()),
      clock_(std::make_unique<platform::FixedClock>(std::chrono::year{2024} / 3 / 15)) {
  const SkeletonOptions defaults;
  config_.PERCORSOARCHIVI = defaults.archivesFolder;
  config_.PERCORSOPROGRAMMI = defaults.programsFolder;
  config_.CODICETASK = "01";
  lib_ = std::make_unique<ArchiveLib>(*files_, *ui_, *clock_, config_, ErrorPolicy::Throwing);
  repo_ = std::make_unique<Repository>(*lib_);
}

InstallationBuilder::~InstallationBuilder() {
  try {
    close();
  } catch (...) {
    // Closing files that were only written cannot lose anything acknowledged.
  }
}

template <class F>
auto InstallationBuilder::library(std::string_view what, F&& body) -> decltype(body()) {
  try {
    return body();
  } catch (const ProgramStopped& e) {
    throw std::runtime_error(std::string(what) + ": " + e.what());
  } catch (const RuntimeError& e) {
    throw std::runtime_error(std::string(what) + ": error " + std::to_string(e.number()) + " " +
                             e.description());
  }
}

void InstallationBuilder::writeSkeleton(const SkeletonOptions& o) {
  close();
  config_.PERCORSOARCHIVI = o.archivesFolder;
  config_.PERCORSOPROGRAMMI = o.programsFolder;
  config_.CODICETASK = o.taskLine ? trimmed(o.taskLine->substr(0, 2)) : "01";
  catalogue_ = o.catalogue.empty() ? defaultCatalogue() : o.catalogue;

  files_->makeDirectories(o.archivesFolder);
  files_->makeDirectories(o.programsFolder);
  if (o.programsFolderFilled) {
    files_->writeText(o.programsFolder + "\\LEGGIMI.TXT",
                      "Cartella dei programmi della procedura paghe.\r\n");
  }
  writeConfiguration(o);
  files_->writeText(archivePath(inst::kCatalogueFile), catalogueImage(catalogue_));
  if (o.semaphore)
    files_->writeText(archivePath(inst::kSemaphoreFile), std::string(inst::kSemaphoreRecord, ' '));
  if (o.archives) createArchives();
  writeDatabases(o);
}

void InstallationBuilder::writeConfiguration(const SkeletonOptions& o) {
  if (o.pathFiles) {
    files_->makeDirectories(inst::kPathFolder);
    files_->writeText(inst::kArchivesPathFile, o.archivesFolder + "\r\n");
    files_->writeText(inst::kProgramsPathFile, o.programsFolder + "\r\n");
  }
  if (o.taskLine) {
    std::string line = *o.taskLine;
    if (line.size() < inst::kTaskLineLength) line.resize(inst::kTaskLineLength, ' ');
    files_->makeDirectories(inst::kTaskFolder);
    files_->writeText(inst::kTaskFile, line + "\r\n");
  }
  if (o.registry) {
    files_->writeText(registryPath(), "[" + std::string(inst::kRegistryKey) + "]\r\n" +
                                          std::string(inst::kRegistryArchives) + "=" +
                                          o.registryArchivesFolder.value_or(o.archivesFolder) +
                                          "\r\n" + std::string(inst::kRegistryPrograms) + "=" +
                                          o.programsFolder + "\r\n");
  }
}

void InstallationBuilder::createArchives() {
  for (int base : openedBases()) {
    const bool listed = std::any_of(catalogue_.begin(), catalogue_.end(),
                                    [&](const CatalogueEntry& e) { return e.base == base; });
    if (!listed) continue;
    library("create archive " + std::to_string(base), [&] {
      bool prefix = true;
      const std::string name = lib_->DAMMIFILE(base, prefix);
      files_->open(name, platform::OpenMode::Truncate);
      lib_->FAIOPEN(base);
    });
  }
  for (int index : {inst::kF24Index, inst::kEmployeeIndex}) {
    if (lib_->NUMFILE(index) == 0) continue;
    library("create index " + std::to_string(index),
            [&] { return CERCAISAM(*lib_, index, "", 9, 0); });
  }
}

void InstallationBuilder::writeDatabases(const SkeletonOptions& o) {
  const auto f24 = f24Schema();
  const auto cert = certificationSchema();
  std::string access;
  if (o.accessDatabase) {
    std::ifstream in(*o.accessDatabase, std::ios::binary);
    access.assign(std::istreambuf_iterator<char>(in), {});
    if (!in.good() && !in.eof()) throw std::runtime_error("cannot read " + *o.accessDatabase);
  }
  const auto make = [&](const std::string& path, const std::vector<TableDef>& schema,
                        const std::vector<TableRows>& rows) {
    if (!o.accessDatabase) return createDatabase(*files_, path, schema, rows);
    files_->open(path, platform::OpenMode::Truncate)->writeAt(0, access);
  };
  if (o.f24Template) make(archivePath(inst::kF24TemplateName), f24, {{"RELEASE", releaseRows(1)}});
  for (int year : o.f24Years)
    make(archivePath(inst::f24DatabaseName(year)), f24, {{"RELEASE", releaseRows(o.releaseValue)}});
  if (o.certificationTemplate) make(archivePath(inst::certificationTemplateName()), cert, {});
  if (o.certificationDatabase) make(archivePath(inst::certificationDatabaseName()), cert, {});
}

std::string InstallationBuilder::fillRecord(Family family, double length, const Fields& keyFields,
                                            const Fields& fields) {
  std::string& buffer = repo_->buffer(family);
  buffer.assign(static_cast<std::size_t>(length), ' ');
  for (const Fields* list : {&keyFields, &fields}) {
    for (const auto& f : *list) {
      if (f.value.empty()) continue;  // not given: the field stays blank
      std::string value = f.value;
      library("store field " + f.descriptor,
              [&] { repo_->RepoW(f.descriptor, value, static_cast<std::int16_t>(f.k)); });
    }
  }
  if (buffer.size() != static_cast<std::size_t>(length)) {
    throw std::logic_error("record length changed while storing fields");
  }
  return buffer;
}

double InstallationBuilder::openLength(int base) {
  if (lib_->NUMFILE(base) == 0) {
    library("open archive " + std::to_string(base), [&] {
      bool prefix = true;
      if (!files_->exists(lib_->DAMMIFILE(base, prefix))) {
        throw std::logic_error("archive " + std::to_string(base) +
                               " does not exist: writeSkeleton() with archives first");
      }
      lib_->FAIOPEN(base);
    });
  }
  return lib_->LUNGREC(base);
}

double InstallationBuilder::nextRecord(int base) {
  const double length = openLength(base);
  return static_cast<double>(lib_->openFileLength(base) / static_cast<std::uint64_t>(length)) + 1;
}

void InstallationBuilder::writeRecord(int base, double record, std::string_view bytes) {
  library("write record " + std::to_string(record) + " of archive " + std::to_string(base),
          [&] { lib_->SCRIVIREC(base, record, bytes); });
}

void InstallationBuilder::putCompany(const CompanyRecord& c) {
  checkCompanyCode(c.code);
  const double length = openLength(inst::kCompanies);
  const auto records = static_cast<int>(lib_->openFileLength(inst::kCompanies) / length);
  // A gap in the record numbers would be read as garbage: it is filled with deleted records.
  const std::string deleted = "99" + std::string(static_cast<std::size_t>(length) - 2, ' ');
  for (int r = records + 1; r < c.code; ++r) writeRecord(inst::kCompanies, r, deleted);

  std::string record = fillRecord(Family::DITX, length,
                                  {{std::string(fld::T001), std::to_string(c.code)}}, c.fields);
  if (c.voidRecord) record.replace(0, 2, "99");
  writeRecord(inst::kCompanies, c.code, record);
}

void InstallationBuilder::checkUnindexed(int base, const std::string& key) {
  openLength(base);
  const std::string what = "index " + std::to_string(base) + " key " + key;
  const double found = library(what, [&] { return CERCAISAM(*lib_, base, key, 2, 0); });
  if (found == 0) throw std::runtime_error(what + ": the index gave no answer");
  if (found != -1) throw std::invalid_argument(what + ": key already indexed");
}

void InstallationBuilder::index(int base, const std::string& key, double record) {
  const std::string what = "index " + std::to_string(base) + " key " + key;
  const double r = library(what, [&] { return CERCAISAM(*lib_, base, key, 1, record); });
  if (r == 0) throw std::runtime_error(what + ": the index gave no answer");
}

double InstallationBuilder::putF24(const F24Record& f) {
  const std::string key = f24Key(f.company, f.year, f.month);
  const double length = openLength(inst::kF24);
  const std::string year = std::to_string(f.year), month = zeroFilled(f.month, 2);
  std::string record = fillRecord(Family::F24X, length,
                                  {{std::string(fld::A001), std::to_string(f.company)},
                                   {std::string(fld::A567), year},
                                   {std::string(fld::A568), month}},
                                  f.fields);
  if (f.voidRecord) record.replace(0, 2, "99");
  // The index is asked first, so a refused key leaves no record behind.
  if (f.indexed) checkUnindexed(inst::kF24Index, key);
  const double r = nextRecord(inst::kF24);
  writeRecord(inst::kF24, r, record);
  if (f.indexed) index(inst::kF24Index, key, r);
  return r;
}

void InstallationBuilder::indexF24At(int company, int year, int month, double record) {
  const std::string key = f24Key(company, year, month);
  if (record != std::floor(record) || record < 1 || record >= 999999) {
    throw std::invalid_argument("F24 index entry " + key + ": record number out of range");
  }
  checkUnindexed(inst::kF24Index, key);
  index(inst::kF24Index, key, record);
}

double InstallationBuilder::putEmployee(const EmployeeRecord& e) {
  if (e.company < 1 || e.company > 999 || e.number < 0 || e.number > 9999999) {
    throw std::invalid_argument("employee code out of range");
  }
  const double length = openLength(inst::kEmployees);
  const std::string code = zeroFilled(e.company, 3) + zeroFilled(e.number, 7);
  const std::string record =
      fillRecord(Family::DIPX, length, {{std::string(fld::P001), code}}, e.fields);
  if (e.indexed) checkUnindexed(inst::kEmployeeIndex, code);
  const double r = nextRecord(inst::kEmployees);
  writeRecord(inst::kEmployees, r, record);
  if (e.indexed) index(inst::kEmployeeIndex, code, r);
  return r;
}

void InstallationBuilder::addLocalTaxRows(int year, const std::vector<LocalTaxRow>& rows) {
  std::vector<Columns> table;
  table.reserve(rows.size());
  for (const auto& r : rows) {
    table.push_back({{"KDITTA", r.company},
                     {"KPERIODO", r.period},
                     {"KRIGO", static_cast<double>(r.row)},
                     {"F24ELI_7", r.code},
                     {"F24ELI_9", r.yearField},
                     {"F24ELI_10", r.debit},
                     {"F24ELI_11", r.credit},
                     {"F24ELI_12", r.amountA},
                     {"F24ELI_13", r.amountB},
                     {"F24ELI_14", r.amountC}});
  }
  addF24Rows(year, "F24ENTILOCICI", table);
}

void InstallationBuilder::addRegionRows(int year, const std::vector<RegionRow>& rows) {
  std::vector<Columns> table;
  table.reserve(rows.size());
  for (const auto& r : rows) {
    table.push_back({{"KDITTA", r.company},
                     {"KPERIODO", r.period},
                     {"KRIGO", static_cast<double>(r.row)},
                     {"F24REG_1", r.code},
                     {"F24REG_4", r.debit},
                     {"F24REG_5", r.credit}});
  }
  addF24Rows(year, "F24REGIONI", table);
}

void InstallationBuilder::addF24Rows(int year, std::string_view table,
                                     const std::vector<Columns>& rows) {
  insertRows(*files_, archivePath(inst::f24DatabaseName(year)), table, rows);
}

void InstallationBuilder::dropF24Table(int year, std::string_view table) {
  dropTable(*files_, archivePath(inst::f24DatabaseName(year)), table);
}

void InstallationBuilder::addCertificationRows(std::string_view table,
                                               const std::vector<Columns>& rows) {
  insertRows(*files_, archivePath(inst::certificationDatabaseName()), table, rows);
}

void InstallationBuilder::close() {
  library("close archives", [&] { lib_->CHIUDIFILE(0); });
}

std::string InstallationBuilder::archivesPath() const {
  return config_.PERCORSOARCHIVI;
}

std::string InstallationBuilder::archivePath(std::string_view name) const {
  return config_.PERCORSOARCHIVI + "\\" + std::string(name);
}

std::string InstallationBuilder::hostPath(std::string_view systemPath) const {
  return files_->resolve(systemPath);
}

std::string InstallationBuilder::registryPath() const {
  return root_ + "/registry.ini";
}

std::vector<CatalogueEntry> InstallationBuilder::defaultCatalogue() {
  return standardCatalogue();
}

}  // namespace zr::demo
