#include "lists/printselection.h"

#include "lists/sectionlists.h"
#include "platform/text.h"
#include "shell/app.h"
#include "shell/companylist.h"
#include "shell/companywalk.h"
#include "shell/printtrap.h"
#include "shell/progress.h"
#include "shell/runfailure.h"

namespace zr {

namespace {

using platform::Icon;

constexpr std::string_view kPrinting = "Attendere prego .... stampa in corso";

int checkedOption(const MainForm& form) {
  for (std::size_t i = 0; i < form.Option1.size(); ++i)
    if (form.Option1[i]) return static_cast<int>(i);
  return -1;
}

// The lists an option prints, in their order.
std::vector<ControlList> listsOf(int option) {
  switch (option) {
    case 0:
      return {ControlList::Erario};
    case 1:
      return {ControlList::Regioni};
    case 2:
      return {ControlList::Comuni};
    case 3:
      return {ControlList::Erario, ControlList::Regioni, ControlList::Comuni};
    case 4:
      return {ControlList::Sx};
    default:
      return {};
  }
}

FailureTexts failureTexts() {
  return {"STAMPA DELLA LISTA DI CONTROLLO NON COMPLETATA",
          "Quanto gia' stampato resta nel documento; nessun archivio e' stato modificato."};
}

// Whatever way the lists end, the pointer and the progress label come back.
void endPrinting(App& app) {
  setBusy(app, false);
  hideLabel(app, "LabelDESC", false);
}

}  // namespace

bool CmdVer1655_Click(App& app) {
  if (!checkSelection(app)) return false;
  Option1_Click(app, 0);
  app.form.frameVisible = true;
  return true;
}

void Option1_Click(App& app, int index) {
  for (std::size_t i = 0; i < app.form.Option1.size(); ++i)
    app.form.Option1[i] = static_cast<int>(i) == index;
}

ListOutcome CmdStampa_Click(App& app) {
  MainForm& form = app.form;
  const int option = checkedOption(form);
  if (option >= 0 && option <= 3)
    app.ui().message("Viene generata una lista di controllo " +
                         platform::trimmed(kOption1Captions[static_cast<std::size_t>(option)]) +
                         "\rper le ditte selezionate",
                     form.caption, Icon::Information);
  setBusy(app, true);
  showLabel(app, "LabelDESC", kPrinting);
  RunPlace place;
  bool done = false;
  const bool printed = printTrapped(
      app,
      [&] {
        done = runGuarded(app, place, failureTexts(), [&] {
          ListPrinter printer(app);
          for (ControlList list : listsOf(option)) {
            place.enterStep(std::string("lista ") +
                            std::string(kOption1Captions[static_cast<std::size_t>(option)]));
            printControlList(app, list, printer);
          }
        });
      },
      [&] { CmdUscita_Click(app, 0); });
  if (!printed || !done) {
    endStoppedPrinting(app);
    endPrinting(app);
    return ListOutcome::Failed;
  }
  Option1_Click(app, 0);
  endPrinting(app);
  form.frameVisible = false;
  return ListOutcome::Done;
}

}  // namespace zr
