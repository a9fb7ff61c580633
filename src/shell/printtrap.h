// Printing inside a command: the printer's failures told apart from the archives' own, and
// the print commands' error trap with its two messages. The payment-date list and the control
// lists print through it.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "platform/errors.h"

namespace zr {

class App;

namespace platform {
class Printer;
}

// A run-time error raised by the printer (none installed, a file that cannot be written).
struct PrintFailure {
  RuntimeError error;
};

// The App's printer for one list: every call that fails throws PrintFailure.
class ListPrinter {
 public:
  explicit ListPrinter(App& app) : app_(app) {}
  void setFont(std::string_view name, double points);
  void line(std::string_view cp1252);
  void newPage();
  void endDocument();

 private:
  platform::Printer& printer();
  App& app_;
};

// The texts of the trap's two messages for an error.
std::string noPrinterText(const RuntimeError& e);      // 484
std::string printErrorText(const RuntimeError& e);     // any other
inline constexpr std::string_view kNoPrinterTitle = "Attenzione !!!";

// Runs `body`. A PrintFailure shows its message (484: "Nessuna stampante installata ...",
// titled "Attenzione !!!", then `onNoPrinter`; any other: "Errore N." with the description,
// titled with the form's caption), ends the document with the pages printed so far, restores
// the pointer and returns false. Anything else passes through.
bool printTrapped(App& app, const std::function<void()>& body,
                  const std::function<void()>& onNoPrinter = {});

// After a printing command stopped on an error: the document ends with the pages printed so
// far and no archive stays open.
void endStoppedPrinting(App& app);

}  // namespace zr
