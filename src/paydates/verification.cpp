#include "paydates/verification.h"

#include <array>

#include "archive/installation.h"
#include "archive/isam.h"
#include "paydates/dategrid.h"
#include "platform/numtext.h"
#include "platform/text.h"
#include "repository/descriptors.h"
#include "shell/app.h"
#include "shell/companylist.h"
#include "shell/companywalk.h"
#include "shell/f24read.h"
#include "shell/installationlock.h"
#include "shell/printtrap.h"
#include "shell/progress.h"
#include "shell/runfailure.h"

namespace zr {

namespace {

using platform::Icon;

constexpr double kF24 = inst::kF24;
constexpr double kF24Index = inst::kF24Index;
constexpr int kMonths = 13;
constexpr std::size_t kStatusWidth = 70;
constexpr int kLastLine = 65;  // company lines are printed while the count is at most this
constexpr std::string_view kEmptyBox = "00/00/0000";
constexpr std::string_view kAllMissing =
    "  N    N    N    N    N    N    N    N    N    N    N    N    N";

// Month m (1..13) of the list: its key year and month; 13 is January of the following year.
struct ListMonth {
  std::string_view year;
  std::string month;
};
ListMonth listMonth(int m) {
  if (m == kMonths) return {ANNO770, "01"};
  return {ANNORIFERIMENTO, std::string{char('0' + m / 10), char('0' + m % 10)}};
}

std::string dashes(std::size_t n) { return std::string(n, '-'); }

// A stored payment date is missing only when its eight bytes are all zeros or all blanks;
// anything else is somebody's date and is never overwritten.
bool dateMissing(std::string_view stored) {
  return stored.find_first_not_of('0') == std::string_view::npos ||
         stored.find_first_not_of(' ') == std::string_view::npos;
}

FailureTexts failureTexts(int AGGIORNADATE) {
  return {"VERIFICA DATE DI VERSAMENTO F24 NON COMPLETATA",
          AGGIORNADATE == 1
              ? "Le date di versamento gia' aggiornate restano registrate, ciascuna completa; "
                "nessun altro dato degli archivi e' stato modificato."
              : "Nessun archivio e' stato modificato."};
}

class Verification {
 public:
  Verification(App& app, int AGGIORNADATE)
      : app_(app), lib_(app.lib), repo_(app.repo), printer_(app), AGGIORNADATE_(AGGIORNADATE) {}

  void run(RunPlace& place) {
    // Index nodes and catalogue records are read once for the command; every date written
    // reads its record afresh under the semaphore all the same.
    ArchiveLib::RunScope kept(lib_);
    lib_.FAIOPEN(kF24);
    lib_.FAIOPEN(kF24Index);
    pageHeader();
    walkSelectedCompanies(
        app_, CompanyRead::No, [&](const SelectedCompany& c) { company(c); }, &place);
    printer_.line(dashes(98));
    printer_.endDocument();
    if (!app_.form.List1.empty()) app_.form.listIndex = 0;
    // The dates written reach the disk before the command says it is done.
    if (written_ > 0) lib_.guarded([&] { lib_.fileOf(kF24).sync(); });
    lib_.CHIUDIFILE(kF24);
    lib_.CHIUDIFILE(kF24Index);
  }

 private:
  void pageHeader() {
    ++page_;
    printer_.setFont("Courier New", 9);
    printer_.line(dashes(98));
    printer_.line("Lista di controllo ditta F24 'PRESENZA DATA VERSAMENTO COMPILATA'                 "
                  "Pagina " +
                  std::to_string(page_));
    printer_.line(dashes(98));
    printer_.line("LEGENDA 'S'  = DATA VERSAMENTO PRESENTE");
    printer_.line("LEGENDA 'N'  = DATA VERSAMENTO NON PRESENTE");
    printer_.line("LEGENDA 'A'  = DATA VERSAMENTO AGGIORNATO DA GRIGLIA DATE");
    if (AGGIORNADATE_ == 1) gridBlock();
    printer_.line("LEGENDA '-'  = F24 MESE NON PRESENTE");
    printer_.line(dashes(98));
    printer_.line("DITTA" + std::string(25, ' ') + " " +
                  "| G  | F  | M  | A  | M  | G  | L  | A  | S  | O  | N  | D | G /AC |");
    printer_.line(dashes(98));
    lines_ = AGGIORNADATE_ == 1 ? 18 : 10;
  }

  void gridBlock() {
    const auto& t = app_.form.Text1;
    const std::string indent(15, ' ');
    printer_.line(indent + dashes(66));
    printer_.line(indent + "GRIGLIA DATE PER AGGIORNAMENTO");
    printer_.line(indent + dashes(65));
    for (int row = 0; row < 3; ++row) {
      const auto mm = [&](int col) { return "MM " + std::string(listMonth(row + 1 + 3 * col).month) + " "; };
      // No blank between the third date and the fourth group, as the list has always shown.
      printer_.line(indent + mm(0) + t[row] + " " + mm(1) + t[row + 3] + " " + mm(2) +
                    t[row + 6] + mm(3) + t[row + 9]);
    }
    printer_.line(indent + "MM 01/" + std::string(ANNO770) + " " + t[12]);
    printer_.line(indent + dashes(66));
  }

  void company(const SelectedCompany& c) {
    std::string status(kStatusWidth, ' ');
    if (ownsFirstF24Record(app_, c.code)) {
      for (int m = 1; m <= kMonths; ++m) status[5 * m - 3] = mark(c, m);
    }
    if (lines_ > kLastLine) {
      printer_.line(dashes(98));
      printer_.newPage();
      pageHeader();
    }
    const std::string& entry = app_.form.List1[c.line];
    const bool none = platform::trimmed(status).empty();
    printer_.line(entry.substr(0, 30) + " " + (none ? std::string(kAllMissing) : status));
    ++lines_;
  }

  char mark(const SelectedCompany& c, int m) {
    const ListMonth lm = listMonth(m);
    const std::string key = c.code + std::string(lm.year) + lm.month;
    const double r = CERCAISAM(lib_, kF24Index, key, 2, 0);
    if (r == -1) return '-';
    readLookedUpF24(app_, key, r);
    // A void record is no record: nothing is written to it.
    if (repo_.F24X().starts_with("99")) return '-';
    if (!dateMissing(repo_.STRCOSTANTE(desc::A003))) return 'S';
    const std::string& box = app_.form.Text1[m - 1];
    if (AGGIORNADATE_ != 1 || box == kEmptyBox) return 'N';
    writeDate(c, lm, r, box);
    return 'A';
  }

  // Only the date's eight bytes are written, into the record as it is now on disk, while the
  // semaphore keeps the payroll programs out; they are read back before the next month.
  void writeDate(const SelectedCompany& c, const ListMonth& lm, double r, const std::string& box) {
    const std::string month = lm.month + "/" + std::string(lm.year);
    const auto stop = [&](const std::string& why) {
      throw RunFailure(c.name, "mese " + month + ", record F24 " + platform::shortText(r) + ": " +
                                   why + "; nessuna data scritta per questo mese");
    };
    const std::size_t length = lib_.BUFFERREC(kF24).size();
    const FieldLayout date = parseDescriptor(desc::A003);
    const std::size_t pos = static_cast<std::size_t>(date.start - 1);
    HeldSemaphore held(lib_);
    std::string fresh(length, ' ');
    if (lib_.readRecordPart(kF24, r, 0, fresh) == 1)
      stop("il record non e' piu' nell'archivio F24");
    if (repo_.STRCOSTANTE(desc::A001, 0, fresh) != c.code)
      stop("il record non e' piu' della ditta " + c.code);
    if (!dateMissing(repo_.STRCOSTANTE(desc::A003, 0, fresh)))
      stop("la data di versamento e' stata compilata nel frattempo da un altro programma");
    std::string value = ("00000000" + box.substr(0, 2) + box.substr(3, 2) + box.substr(6, 4));
    value = value.substr(value.size() - 8);
    repo_.RepoW(desc::A003, value, 0, fresh);
    const std::string bytes = fresh.substr(pos, static_cast<std::size_t>(date.length));
    lib_.writeRecordPart(kF24, r, pos, bytes);
    std::string back(bytes.size(), ' ');
    if (lib_.readRecordPart(kF24, r, pos, back) == 1 || back != bytes)
      stop("la data riletta dopo la scrittura non corrisponde (\"" + back + "\")");
    ++written_;
  }

  App& app_;
  ArchiveLib& lib_;
  Repository& repo_;
  ListPrinter printer_;
  const int AGGIORNADATE_;
  int page_ = 0;
  int lines_ = 0;
  int written_ = 0;
};

// Before anything is written every box to be used must be a date the archive can hold.
bool gridWritable(const MainForm& form) {
  for (const std::string& box : form.Text1)
    if (box != kEmptyBox && !isWritableGridDate(box)) return false;
  return true;
}

VerifyOutcome verifyAndReset(App& app, int AGGIORNADATE) {
  RunPlace place;
  place.enterStep(AGGIORNADATE == 1 ? "verifica e aggiornamento date di versamento F24"
                                    : "verifica date di versamento F24");
  bool done = false;
  const bool printed = printTrapped(app, [&] {
    done = runGuarded(app, place, failureTexts(AGGIORNADATE),
                      [&] { Verification(app, AGGIORNADATE).run(place); });
  });
  if (!printed || !done) endStoppedPrinting(app);
  setBusy(app, false);
  resetMainForm(app);
  return printed && done ? VerifyOutcome::Done : VerifyOutcome::Failed;
}

}  // namespace

std::string updateQuestionText() {
  return "Viene generata una lista di controllo con indicazione delle date di versamento "
         "MODELLO F24 se compilate o mancanti, per ogni ditta selezionata nella lista\r\r"
         "Vuoi aggornare le eventuali date versamento mancanti con le date specificate nella "
         "griglia date?";
}

void VERIFICAESI_DITTAF24(App& app, int AGGIORNADATE) {
  RunPlace place;
  Verification(app, AGGIORNADATE).run(place);
}

VerifyOutcome cmdverifica_Click(App& app, UpdateAnswer answer) {
  MainForm& form = app.form;
  if (!checkSelection(app)) return VerifyOutcome::Refused;
  if (answer == UpdateAnswer::Ask)
    answer = app.ui().ask(updateQuestionText(), form.caption, platform::Buttons::YesNo,
                          Icon::Question, platform::Answer::No) == platform::Answer::Yes
                 ? UpdateAnswer::Yes
                 : UpdateAnswer::No;
  const int AGGIORNADATE = answer == UpdateAnswer::Yes ? 1 : 0;
  if (AGGIORNADATE == 0) {
    setBusy(app, true);
    return verifyAndReset(app, 0);
  }

  if (!gridWritable(form)) {
    app.ui().message("Data errata", form.caption, Icon::Information);
    return VerifyOutcome::Refused;
  }
  // The update writes the archives: no termination half-way through a date, no second run.
  platform::HeldInterrupts held(app.interrupts());
  const WritingSession session =
      beginWriting(app, failureTexts(1), "Nessuna data e' stata modificata.");
  if (session.start != WritingStart::Held)
    return session.start == WritingStart::Refused ? VerifyOutcome::Refused : VerifyOutcome::Failed;
  setBusy(app, true);
  return verifyAndReset(app, 1);
}

}  // namespace zr
