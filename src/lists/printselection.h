// The print selection of the main form (CmdVer1655, FrameSelezione with Option1, CmdStampa,
// CmdUscita(0)) and the dispatch to the control lists, under the print commands' error trap.
#pragma once

#include <array>
#include <string_view>

namespace zr {

class App;

// Option1(0..4): the lists the frame offers, in their order.
inline constexpr std::array<std::string_view, 5> kOption1Captions = {
    "SEZIONE ERARIO", "SEZIONE REGIONI", "SEZIONE COMUNI", "TUTTE (ERA/REG/COM)",
    "CODICI F24 PER Q.SX SX1_1  SX2_1"};

// Checks the selection as the verification does; when a company is selected, checks
// Option1(0) and shows the frame. False (frame closed) when nothing is selected.
bool CmdVer1655_Click(App& app);

// Checks Option1(index) and clears the others, as a click on the option does.
void Option1_Click(App& app, int index);

enum class ListOutcome {
  Done,    // the list(s) printed
  Failed,  // stopped on an error after its message; what was printed stays in the document
};

// Prints the list of the checked option for the companies selected in List1.
ListOutcome CmdStampa_Click(App& app);

}  // namespace zr
