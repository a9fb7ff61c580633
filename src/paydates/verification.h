// The payment-date verification of the main form (cmdverifica, VERIFICAESI_DITTAF24): for each
// selected company and month whether its F24 record exists and carries its payment date, the
// marks list printed, and on request the missing dates filled from the date grid. The one
// place where the program writes into the payroll archives: only the eight bytes of a missing
// date, under the semaphore, in a record read afresh.
#pragma once

#include <string>
#include <string_view>

namespace zr {

class App;

enum class VerifyOutcome {
  Done,     // the list printed, the updates (if asked) written
  Refused,  // nothing selected, a grid date refused, the installation busy: nothing done
  Failed,   // stopped on an error after its message; the dates written so far stay
};

// How the update question is answered: asked through the Ui (the window), or given already
// (the command line's --update).
enum class UpdateAnswer { Ask, Yes, No };

VerifyOutcome cmdverifica_Click(App& app, UpdateAnswer answer = UpdateAnswer::Ask);

// The list and the updates for the companies selected in List1. AGGIORNADATE 1 writes the
// missing dates from Text1 (each box already checked) and prints the grid in the header.
void VERIFICAESI_DITTAF24(App& app, int AGGIORNADATE);

// The question's text (CR CR between its two sentences).
std::string updateQuestionText();

}  // namespace zr
