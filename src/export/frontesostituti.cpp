// FRONTESOSTITUTI: the front page of every selected company that presents its own return
// (FRONTE.V24, 1964 characters a record) and the registry record of every selected company
// presented by another (SOSTITUT.V24, 202), both from the company record alone.
#include <string>
#include <string_view>

#include "archive/installation.h"
#include "export/exportrun.h"
#include "export/valuerules.h"
#include "repository/descriptors.h"
#include "repository/repository.h"
#include "shell/archivecheck.h"
#include "shell/companywalk.h"
#include "shell/progress.h"

namespace zr {

namespace {

using namespace exportrules;

constexpr std::size_t kFrontLength = inst::kFront.length;
constexpr std::size_t kSubstituteLength = inst::kSubstitutes.length;

namespace dit = desc;  // the company-record fields

// The constant fields of the front page: position and text.
struct Constant {
  std::size_t pos;
  std::string_view text;
};
constexpr std::string_view kZero14 = "             0";  // 13 blanks then "0"
constexpr std::string_view kZeros = "0000000000000000000000000000000000000000";
static_assert(kZero14.size() == 14 && kZeros.size() >= 28);
constexpr Constant kFrontConstants[] = {
    {134, "00"},
    {426, "00000000"},
    {434, "000000"},
    {532, "000000"},
    {773, kZero14},
    {787, kZero14},
    {801, "00"},
    {824, "00"},
    {826, "00000000"},
    {850, "00"},
    {1002, "0"},
    {1004, "0"},
    {1005, kZeros.substr(0, 28)},
    {1033, "00"},
    {1051, "00"},
    {1053, kZero14},
    {1067, "0"},
    {1068, kZero14},
    {1082, "000"},
    {1154, kZeros.substr(0, 16)},
    {1193, "0"},
    {1602, "0000000"},
    {1625, "0"},
    {1749, "0000"},
    {1773, "0"},
    {1841, "0"},
    {1909, "0"},
    {1963, "00"},
};
// Positions 1676-1748 hold four fields (3, 24, 35 and 11 characters) that this record leaves
// blank: the block that fills the record's remaining fields blanks them, and a half-blanked
// value (only its tail past the sixteenth character surviving) would be a wrong value.
// 1773, 1841 and 1909 are the "0" of the three 68-character blocks at 1757.

// The company record in the DITX buffer, read field by field.
class Company {
 public:
  explicit Company(Repository& repo) : repo_(repo) {}
  std::string operator()(std::string_view descriptor) { return repo_.STRCOSTANTE(descriptor); }
  std::string t(std::string_view descriptor) { return trimmed(repo_.STRCOSTANTE(descriptor)); }
  bool naturalPerson() {
    const std::string sex = repo_.STRCOSTANTE(dit::T023);
    return sex == "M" || sex == "F";
  }
  std::string fiscalCode() {
    return exportrules::fiscalCode((*this)(dit::T012), (*this)(dit::T013));
  }

 private:
  Repository& repo_;
};

std::string buildFrontRecord(Company& c) {
  std::string r(kFrontLength, ' ');
  for (const Constant& k : kFrontConstants) put(r, k.pos, k.text.size(), k.text);
  const bool natural = c.naturalPerson();
  put(r, layout::kCompany, c(dit::T001));
  put(r, layout::front::kFiscalCode, c.fiscalCode());
  if (natural) {
    put(r, layout::front::kSurname, c.t(dit::T021));
    put(r, layout::front::kName, c.t(dit::T020));
    put(r, 283, 40, joined({c(dit::T024), c(dit::T490)}, 40));
    put(r, 323, 2, c.t(dit::T025));
    put(r, 333, 1, c.t(dit::T023));
  } else {
    put(r, layout::front::kName, joined({c(dit::T002), c(dit::T003), c(dit::T103)}, 60));
  }
  put(r, 136, 1, c.t(dit::T411).substr(0, 1));
  put(r, 137, 6, c.t(dit::T014));
  put(r, 143, 20, digits20({c(dit::T223), c(dit::T224)}));
  put(r, 163, 20, digits20({c(dit::T289)}));
  put(r, 183, 100, joined({nonZero(c(dit::T302)), nonZero(c(dit::T491))}, 100));
  put(r, 325, 8, dateYmd(c(dit::T022)));
  put(r, 538, 1, c.t(dit::T148));
  put(r, 539, 2, c.t(dit::T149));
  put(r, 541, 1, c.t(dit::T150));
  put(r, 558, 16, c.t(dit::T081));
  put(r, 574, 2, c.t(dit::T631));
  put(r, 576, 24, c.t(dit::T082));
  put(r, 600, 20, c.t(dit::T083));
  put(r, 620, 1, c.t(dit::T084));
  put(r, 621, 8, dateYmd(c(dit::T085)));
  put(r, 629, 40, joined({c(dit::T087), c(dit::T734)}, 40));
  const std::string province = c.t(dit::T088);
  if (province != "0" && province != "00") put(r, 669, 2, province);
  if (!nonZero(c(dit::T483)).empty()) put(r, 671, 40, joined({c(dit::T089), c(dit::T735)}, 40));
  put(r, 753, 20, digits20({c(dit::T353), c(dit::T354)}));
  const std::string names = joined({c(dit::T348), c(dit::T523)}, 50);
  put(r, 902, 50, names);
  put(r, 1003, 1, trimmed(names).empty() ? "0" : "1");
  put(r, 1554, 8, dateYmd(c(dit::T409)));
  put(r, 1562, 8, dateYmd(c(dit::T410)));
  return r;
}

std::string buildSubstituteRecord(Company& c) {
  std::string r(kSubstituteLength, ' ');
  const bool natural = c.naturalPerson();
  put(r, layout::kCompany, c(dit::T001));
  put(r, layout::substitute::kFiscalCode, c.fiscalCode());
  if (natural) {
    put(r, layout::substitute::kName, c.t(dit::T002));
    put(r, 50, 20, c.t(dit::T021));
    put(r, 70, 1, c.t(dit::T023));
    put(r, 71, 8, dateYmd(c(dit::T022)));
    put(r, 79, 40, c.t(dit::T024));
    put(r, 119, 2, c.t(dit::T025));
  } else {
    put(r, layout::substitute::kName, joined({c(dit::T002), c(dit::T003)}, 30));
  }
  put(r, 121, 40, c.t(dit::T010));
  put(r, 161, 2, c.t(dit::T011));
  put(r, 163, 35, c.t(dit::T008));
  std::string declarant = c.t(dit::T326);
  if (declarant.size() < 3) declarant.insert(0, 3 - declarant.size(), '0');
  put(r, layout::substitute::kDeclarant, declarant);
  const std::string kind = c.t(dit::T411);
  put(r, layout::substitute::kKind, kind == "A" ? "30" : padCut(kind, 2));
  return r;
}

// One pass over the selected lines of List1, writing one record per qualifying company.
struct Pass {
  std::string_view step;  // for the failure message
  std::string_view stem;
  std::size_t length;
  bool substitutes;               // companies presented by another one, else self-presenting
  std::string_view progressText;  // "Acquisizione ... " + code + name + " in corso ..."
  std::string (*build)(Company&);
};

constexpr Pass kPasses[] = {
    {"frontespizio (FRONTE.V24)", inst::kFront.stem, kFrontLength, false,
     "Acquisizione dati azienda ", buildFrontRecord},
    {"anagrafica sostituti (SOSTITUT.V24)", inst::kSubstitutes.stem, kSubstituteLength, true,
     "Acquisizione anagrafica sostituti ", buildSubstituteRecord},
};

void runPass(App& app, ExportFiles& files, QuadroState& quadro, RunPlace& place,
             const Pass& pass) {
  place.enterStep(pass.step);
  ExportFile& out = files.create(pass.stem, pass.length);
  quadro.NUMRECQUADRO = 1;
  Company company(app.repo);
  walkSelectedCompanies(
      app, CompanyRead::ByCode,
      [&](const SelectedCompany& selected) {
        quadro.RIGAQUADRO.assign(pass.length, ' ');
        requireCompanyRecord(selected);
        if (selected.record == CompanyRecord::Void) return;
        const bool presented = app.repo.VALCOSTANTE(dit::T326) != 0;
        if (presented != pass.substitutes) return;
        showLabel(app, "Label2",
                  std::string(pass.progressText) + company(dit::T001) + " " +
                      company.t(dit::T002) + " in corso ... Attendere prego");
        quadro.RIGAQUADRO = pass.build(company);
        out.writeRecord(quadro.NUMRECQUADRO, quadro.RIGAQUADRO);
        quadro.NUMRECQUADRO += 1;
      },
      &place);
}

}  // namespace

void FRONTESOSTITUTI(App& app, ExportFiles& files, QuadroState& quadro, RunPlace& place) {
  ArchiveLib& lib = app.lib;
  openExportArchives(app, files, place);
  // Read by record number later in the run: a cut last record is damage, not the end.
  place.enterStep("controllo archivi");
  for (int base : {inst::kEmployees, inst::kF24}) requireWholeRecords(lib, base);
  for (const Pass& pass : kPasses) runPass(app, files, quadro, place, pass);
  lib.CHIUDIFILE(0);
  files.closeAll();
}

}  // namespace zr
