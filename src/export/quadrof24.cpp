#include "export/quadrof24.h"

#include <cmath>

#include "archive/installation.h"
#include "archive/isam.h"
#include "export/valuerules.h"
#include "platform/numtext.h"
#include "repository/amounts.h"
#include "repository/descriptors.h"
#include "shell/progress.h"

namespace zr::quadro {

namespace {

using namespace exportrules;

constexpr std::size_t kNumberWidth = 4;
constexpr std::size_t kNumberingBlock = 4096;  // records read and written back at a time

}  // namespace

void NUMERAPROGRESSIVI(ExportFile& file, std::size_t keyLength) {
  const std::size_t length = file.recordLength();
  std::string previous(keyLength, ' ');
  std::uint64_t counter = 0;
  std::string block;
  double first = 1;
  for (;;) {
    const std::size_t n = file.readRecords(first, kNumberingBlock, block);
    if (n == 0) break;
    for (std::size_t i = 0; i < n; ++i) {
      char* record = block.data() + i * length;
      const std::string_view key(record, keyLength);
      if (key != previous) {
        previous.assign(key);
        counter = 0;
      }
      ++counter;
      progressive4(counter).copy(record + keyLength, kNumberWidth);
    }
    file.writeRecords(first, block);
    first += static_cast<double>(n);
    if (n < kNumberingBlock) break;
  }
}

void setFiscalCodes(App& app, QuadroState& q) {
  Repository& repo = app.repo;
  q.CFSOSTITUTO = fiscalCode(repo.STRCOSTANTE(desc::T012), repo.STRCOSTANTE(desc::T013));
  q.CFDICHIARANTE = q.CFSOSTITUTO;
  const double declarant = repo.VALCOSTANTE(desc::T326);
  if (declarant == 0) return;
  ArchiveLib& lib = app.lib;
  if (lib.LEGGIREC(inst::kCompanies, declarant) == 1)
    throw ExportFailure({}, "il record della ditta dichiarante " + repo.STRCOSTANTE(desc::T326) +
                                " non e' piu' presente nell'archivio aziende");
  const std::string& record = lib.BUFFERREC(inst::kCompanies);
  // The buffer keeps the company's own record: the declarant's is read where it lies.
  q.CFDICHIARANTE =
      fiscalCode(repo.STRCOSTANTE(desc::T012, 0, record), repo.STRCOSTANTE(desc::T013, 0, record));
}

bool readF24(App& app, std::string_view code, std::string_view year, int month, F24Kind kind) {
  const std::string key = std::string(code) + std::string(year) + twoDigits(month);
  ArchiveLib& lib = app.lib;
  const double found = CERCAISAM(lib, inst::kF24Index, key, 2, 0);
  if (found == -1) return false;
  const auto damaged = [&](const std::string& cause) -> bool {
    app.ui().message("NON ESISTE F24 CON K " + key + " - FARE RIPRISTINO ISAM F24 -",
                     app.form.caption, platform::Icon::Exclamation);
    throw ExportFailure({}, "indice F24 danneggiato: la chiave " + key + " " + cause +
                                "; ripristinare l'indice F24 (base 378) e rilanciare");
  };
  if (found == 0) return damaged("non ha avuto risposta dall'indice");
  if (lib.LEGGIREC(inst::kF24, found) == 1)
    return damaged("rimanda al record " + platform::shortText(found) +
                   " oltre la fine dell'archivio F24");
  if (lib.BUFFERREC(inst::kF24).starts_with("99")) {
    if (kind == F24Kind::NextJanuary) return false;
    return damaged("rimanda al record annullato " + platform::shortText(found));
  }
  app.repo.F24X() = lib.BUFFERREC(inst::kF24);
  return true;
}

std::optional<RowAmounts> archiveRow(std::int64_t a, std::int64_t b, std::int64_t c,
                                     std::int64_t p, std::int64_t credit, bool creditCounts) {
  if (a == 0) a = p;
  if (a + p + (creditCounts ? credit : 0) == 0) return std::nullopt;
  const auto money = [](std::int64_t cents) { return static_cast<double>(cents) / 100; };
  return RowAmounts{money(a), money(b), money(c), money(p), money(credit)};
}

std::optional<RowAmounts> tableRow(double a, double b, double c, double p) {
  if (a == 0) a = p;
  if (a + p == 0) return std::nullopt;
  return RowAmounts{a, b, c, p, 0};
}

void QuadroWriter::number(std::string& r) {
  const std::string_view key(r.data(), numberKey_);
  if (counter_ == 0 || key != previousKey_) {
    previousKey_.assign(key);
    counter_ = 0;
  }
  ++counter_;
  progressive4(counter_).copy(r.data() + numberKey_, kNumberWidth);
}

void QuadroWriter::write(const QuadroRow& row) {
  namespace st = layout::st;
  Repository& repo = app_.repo;
  std::string& r = q_.RIGAQUADRO;
  r.assign(inst::kQuadroST.length, ' ');
  const std::string zeroText = exportAmount(0);  // "0,00" right-aligned in 14
  put(r, layout::kCompany, repo.STRCOSTANTE(desc::T001));
  put(r, layout::kDeclarantCode, q_.CFDICHIARANTE);
  put(r, layout::kOwnCode, q_.CFSOSTITUTO);
  put(r, st::kSection, std::string(1, row.section));
  put(r, st::kProgressive, "0000");
  put(r, st::kPeriod, row.period);
  putAmount(r, st::kAmountA, row.amounts.A, fileName_);
  putAmount(r, st::kAmountB, row.amounts.B, fileName_);
  putAmount(r, st::kAmountC, row.amounts.C, fileName_);
  putAmount(r, st::kPaid, row.amounts.P, fileName_);
  put(r, st::kZero103, zeroText);
  put(r, st::kNote, std::string(1, row.note));
  put(r, st::kZero129, "0");
  put(r, st::kTributeCode, tributeCode(row.code));
  put(r, st::kRowKind, "0");
  put(r, st::kRegion, row.region);
  const std::string date = row.amounts.P != 0
                               ? paymentDateYmd(repo.STRCOSTANTE(desc::paymentDate))
                               : std::string("00000000");
  put(r, st::kPaymentDate, date);
  put(r, st::kZero147, "0");
  putAmount(r, st::kCredit, row.creditAt148 ? row.amounts.credit : 0, fileName_);
  putAmount(r, st::kZero162, 0, fileName_);
  put(r, st::kZero177, zeroText);
  if (!withSection_) r.erase(layout::kSectionOffset, 1);
  if (numberKey_ > 0) number(r);
  out_.writeRecord(q_.NUMRECQUADRO, r);
  q_.NUMRECQUADRO += 1;
}

void QuadroWriter::skipped(std::string_view period, std::string_view code) {
  ExportWatcher* w = out_.watcher();
  // A row without a code is an empty one, not a payment left out.
  const std::string c = trimmed(code);
  if (!w || c.empty() || c.find_first_not_of('0') == std::string::npos) return;
  w->rowSkipped(app_.repo.STRCOSTANTE(desc::T001), period, c);
}

void QuadroWriter::f24Company(bool shiftedYear) {
  if (ExportWatcher* w = out_.watcher()) w->f24Company(app_.repo.STRCOSTANTE(desc::T001), shiftedYear);
}

void QuadroWriter::f24Read(std::string_view period) {
  if (ExportWatcher* w = out_.watcher()) w->f24Read(app_.repo.STRCOSTANTE(desc::T001), period);
}

void runQuadroPass(App& app, ExportFiles& files, QuadroState& q, RunPlace& place,
                   const QuadroPass& pass,
                   const std::function<void(QuadroWriter&, const SelectedCompany&)>& company) {
  ArchiveLib& lib = app.lib;
  openExportArchives(app, files, place);
  place.enterStep(pass.step);
  ExportFile& out = files.create(pass.stem, pass.length);
  q.NUMRECQUADRO = 1;
  showLabel(app, "Label4", "");
  const std::string fileName = std::string(pass.stem) + std::string(inst::kExportExtension);
  // Numbered as written, unless the straightforward paths are asked for: then by a second pass
  // that reads the whole file back.
  const bool numberAsWritten = lib.runCaching;
  QuadroWriter writer(app, q, out, fileName, pass.length == inst::kQuadroST.length,
                      numberAsWritten ? pass.keyLength : 0);
  walkSelectedCompanies(
      app, CompanyRead::ByCode,
      [&](const SelectedCompany& selected) {
        requireCompanyRecord(selected);
        showLabel(app, "Label2",
                  std::string(pass.caption) + selected.name + " in corso ... Attendere prego");
        if (selected.record == CompanyRecord::Void) return;
        company(writer, selected);
      },
      &place);
  lib.CHIUDIFILE(0);
  files.closeAll();
  if (numberAsWritten) return;
  place.enterStep(std::string("numerazione ") + fileName);
  NUMERAPROGRESSIVI(files.reopen(pass.stem, pass.length), pass.keyLength);
  files.closeAll();
}

}  // namespace zr::quadro
