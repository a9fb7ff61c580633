#include "shell/printtrap.h"

#include "platform/printer.h"
#include "platform/text.h"
#include "shell/app.h"
#include "shell/progress.h"

namespace zr {

namespace {

template <class F>
void printing(F&& call) {
  try {
    call();
  } catch (const RuntimeError& e) {
    throw PrintFailure{e};
  }
}

}  // namespace

platform::Printer& ListPrinter::printer() {
  platform::Printer* p = nullptr;
  printing([&] { p = &app_.printer(); });
  return *p;
}

void ListPrinter::setFont(std::string_view name, double points) {
  platform::Printer& p = printer();
  printing([&] { p.setFont(name, points); });
}

void ListPrinter::line(std::string_view cp1252) {
  platform::Printer& p = printer();
  printing([&] { p.printLine(cp1252); });
}

void ListPrinter::newPage() {
  platform::Printer& p = printer();
  printing([&] { p.newPage(); });
}

void ListPrinter::endDocument() {
  platform::Printer& p = printer();
  printing([&] { p.endDocument(); });
}

std::string noPrinterText(const RuntimeError& e) {
  return "Errore N." + std::to_string(e.number()) +
         "\rNessuna stampante installata non e' possibile proseguire";
}

std::string printErrorText(const RuntimeError& e) {
  return "Errore N." + std::to_string(e.number()) + "\r" + platform::trimmed(e.description()) +
         "\r\rNon e' possibile proseguire";
}

bool printTrapped(App& app, const std::function<void()>& body,
                  const std::function<void()>& onNoPrinter) {
  try {
    body();
    return true;
  } catch (const PrintFailure& f) {
    setBusy(app, false);
    if (f.error.number() == 484) {
      app.ui().message(noPrinterText(f.error), kNoPrinterTitle, platform::Icon::Critical);
      if (onNoPrinter) onNoPrinter();
    } else {
      app.ui().message(printErrorText(f.error), app.form.caption, platform::Icon::Critical);
      // What was printed before the failure stays in the document.
      try {
        app.printer().endDocument();
      } catch (const RuntimeError&) {
      }
    }
  }
  return false;
}

void endStoppedPrinting(App& app) {
  try {
    app.printer().endDocument();
  } catch (const RuntimeError&) {
  }
  try {
    app.lib.CHIUDIFILE(0);
  } catch (...) {
  }
}

}  // namespace zr
