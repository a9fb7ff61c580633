#include "shell/companylist.h"

#include <iterator>
#include <optional>

#include "archive/installation.h"
#include "platform/text.h"
#include "shell/app.h"
#include "shell/startup.h"

namespace zr {
namespace {

constexpr double kLastCompanyRecord = 10000;
constexpr std::size_t kNameWidth = 30;

// A name trimmed, then padded with blanks or cut to 30 characters.
std::string name30(std::string_view name) {
  std::string s = platform::trimmed(name);
  s.resize(kNameWidth, ' ');
  return s;
}

bool isVoid(std::string_view record) {
  return record.starts_with("99");
}

// " Azienda presentatrice 770:" + code + " " + name(30) of the presenting company. The own
// record is current on entry and again on return. A presenter that cannot be read (past the
// end, void) shows the code the own record names and a blank name, never another company's.
std::string presenterSuffix(App& app, double presenter) {
  std::string& ditx = app.repo.DITX();
  const std::string own = ditx;
  std::string suffix(kPresenterText);
  if (presenter >= 1 && app.lib.LEGGIREC(inst::kCompanies, presenter) == 0 &&
      !isVoid(app.lib.BUFFERREC(inst::kCompanies))) {
    ditx = app.lib.BUFFERREC(inst::kCompanies);
    suffix += app.repo.STRCOSTANTE(kCodeField) + " " + name30(app.repo.STRCOSTANTE(kNameField));
  } else {
    suffix += app.repo.STRCOSTANTE(kPresenterField) + " " + std::string(kNameWidth, ' ');
  }
  ditx = own;
  app.lib.BUFFERREC(inst::kCompanies) = own;
  return suffix;
}

std::string field(const std::string& line, std::size_t column, std::size_t length) {
  return column - 1 < line.size() ? line.substr(column - 1, length) : std::string{};
}

bool presentedByAnother(const std::string& line) {
  return platform::trimmed(field(line, 35, 26)) == "Azienda presentatrice 770";
}

// A company code as a number: digits only, at most nine of them.
std::optional<long> codeNumber(std::string_view text) {
  if (text.empty() || text.size() > 9) return std::nullopt;
  long n = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    n = n * 10 + (c - '0');
  }
  return n;
}

void setCheck(MainForm& form, int& check, void (*click)(MainForm&)) {
  if (check == 1) return;
  check = 1;
  click(form);  // a changed value fires the box's click, as on the window
}

}  // namespace

void caricalistaziende(App& app) {
  MainForm& form = app.form;
  form.clearList();
  app.lib.FAIOPEN(inst::kCompanies);
  for (double r = 1; r <= kLastCompanyRecord; ++r) {
    if (app.lib.LEGGIREC(inst::kCompanies, r) == 1) break;
    std::string& ditx = app.repo.DITX();
    ditx = app.lib.BUFFERREC(inst::kCompanies);
    if (isVoid(ditx)) continue;
    std::string line =
        app.repo.STRCOSTANTE(kCodeField) + " " + name30(app.repo.STRCOSTANTE(kNameField));
    const double presenter = app.repo.VALCOSTANTE(kPresenterField);
    if (presenter != 0) line += presenterSuffix(app, presenter);
    form.addLine(std::move(line));
  }
  app.lib.CHIUDIFILE(inst::kCompanies);
}

void controllolista(App& app) {
  MainForm& form = app.form;
  bool failed = false;
  for (std::size_t i = 0; i < form.List1.size(); ++i) {
    form.listIndex = static_cast<int>(i);
    if (failed || !form.isSelected(i) || !presentedByAnother(form.List1[i])) continue;
    const std::string presenter = field(form.List1[i], 62, 3);
    for (std::size_t j = 0; j < form.List1.size(); ++j) {
      if (field(form.List1[j], 1, 3) != presenter || form.isSelected(j)) continue;
      app.ui().message(std::string("Attenzione e' stata selezionata una azienda\r"
                                   "non presentatrice del mod.770/") +
                           std::string(ANNO770) +
                           " senza aver selezionato anche\rl'azienda presentatrice",
                       form.caption, platform::Icon::Critical);
      form.busy = false;
      app.ui().busy(false);
      app.flags.ERRORELISTA = 1;
      caricalistaziende(app);
      // The reloaded list has nothing selected: the rest of the scan can find nothing more.
      failed = true;
      break;
    }
  }
}

void resetMainForm(App& app) {
  MainForm& form = app.form;
  form.Check2 = 0;
  form.Check2Caption = "Seleziona tutte le aziende";
  setCheck(form, form.Check1, Check1_Click);
  setCheck(form, form.Check3, Check3_Click);
  form.Text1.fill("00/00/0000");
  for (auto& box : form.Text1Box) box.errorColours = false;  // a changed text's colours
  caricalistaziende(app);
  form.list1Visible = true;
  form.labelVisible["Label3"] = true;
}

void Check1_Click(MainForm& form) {
  form.Check1Caption = form.Check1 == 1
                           ? "SI Includere nel Quadro ST anche i versamenti delle C.UNICA LAV.AUT"
                           : "NO Non Includere nel Quadro ST anche i versamenti delle C.UNICA "
                             "LAV.AUT";
}

void Check3_Click(MainForm& form) {
  form.Check3Caption = form.Check3 == 1
                           ? "SI Compilare automaticamente con 'S' (saldo) note Q.SV cod.3847"
                           : "NO Non compilare automaticamente con 'S' (saldo) note Q.SV cod.3847";
}

void Check2_Click(MainForm& form) {
  const bool all = form.Check2 != 0;
  form.Check2Caption = all ? "Deseleziona tutte le aziende" : "Seleziona tutte le aziende";
  form.selected.assign(form.List1.size(), all);
  if (!form.List1.empty()) form.listIndex = 0;
}

std::string cmdinfoText(int index) {
  static constexpr std::string_view kHelp[] = {
      "Viene prodotta una stampa di controllo per le ditte selezionate",
      "",
      "ELENCO DEI CONTROLLI ESEGUITI",
      "1) DATA VERSAMENTO PRESENTE",
      "2) DATA VERSAMENTO NON PRESENTE",
      "3) DATA VERSAMENTO AGGIORNATA DA DATE SPECIFICATE NELLA GRIGLIA DALL'UTENTE",
      "4) F24 MESE NON PRESENTE",
      "",
      "Attenzione!!! se non compilata la  data di versamento, ogni rigo prodotto per "
      "QUADRO ST/SV dovra' essere succesivamente integrato nella gestione 770.",
      "Inoltre per quanto il QUADRO SV la mancata compilazione della data di versamento "
      "produrra'un rigo di totale anche per data 00/00/0000",
      "La totalizzazione dei righi SV avviene per il seguente raggruppamento",
      "DITTA ,CF DICH ,CF SOST , PERIODO RIFERIMENTO , NOTE , COD.TRIBUTO, DATA VERSAMENTO",
  };
  static constexpr std::string_view kGuide[] = {
      "Da 'Help-->Argomenti guida korvante",
      "",
      "               --->PROCEDURA MODELLO 770",
  };
  std::string text;
  auto join = [&text](const auto& lines) {
    for (std::size_t k = 0; k < std::size(lines); ++k) {
      if (k != 0) text += '\r';
      text += lines[k];
    }
  };
  if (index == 0) join(kHelp);
  if (index == 1) join(kGuide);
  return text;
}

void Cmdinfo_Click(App& app, int index) {
  app.ui().message(cmdinfoText(index), app.form.caption, platform::Icon::Information);
}

void CmdUscita_Click(App& app, int index) {
  app.form.frameVisible = false;
  if (index != 1) return;
  app.lib.CHIUDIFILE(0);
  FINETASK(app);
}

void Form_KeyDown(App& app, int keyCode, int shift) {
  constexpr int kKeyP = 80, kShiftCtrl = 3;
  if (keyCode == kKeyP && shift == kShiftCtrl) INFOPROGETTO(app);
}

void Form_Unload(App& app) {
  CmdUscita_Click(app, 1);
}

CodeSelection linesForCodes(const MainForm& form, const std::vector<std::string>& codes) {
  CodeSelection out;
  std::vector<bool> chosen(form.List1.size(), false);
  for (const std::string& code : codes) {
    const auto wanted = codeNumber(code);
    bool found = false;
    for (std::size_t i = 0; wanted && i < form.List1.size(); ++i) {
      if (codeNumber(field(form.List1[i], 1, 3)) == wanted) {
        chosen[i] = true;
        found = true;
      }
    }
    if (!found) out.unknown.push_back(code);
  }
  for (std::size_t i = 0; i < chosen.size(); ++i)
    if (chosen[i]) out.lines.push_back(i);
  return out;
}

}  // namespace zr
