// The company list of the main form (List1) and the form's small handlers: loading the list
// from the company archive, the presenting-company selection check, the check boxes, the help
// texts, the exit. Reads the company archive through the App's library and repository.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace zr {

class App;
struct MainForm;

inline constexpr std::string_view kCodeField = "DITX$,00003,03,N,0,T001";
inline constexpr std::string_view kNameField = "DITX$,00006,30,A,0,T002";
inline constexpr std::string_view kPresenterField = "DITX$,00166,03,N,0,T326";
inline constexpr std::string_view kPresenterText = " Azienda presentatrice 770:";

void caricalistaziende(App& app);
// Every selected substitute's presenting company must be selected too; on the first that is
// not: the message, ERRORELISTA 1 and the list reloaded (so nothing stays selected).
void controllolista(App& app);

// What the form looks like again after an export or a date verification: no company
// selected, Check2 cleared, Check1 and Check3 checked (through their click handling), the
// date grid empty, the list reloaded and shown.
void resetMainForm(App& app);

void Check1_Click(MainForm& form);
void Check2_Click(MainForm& form);
void Check3_Click(MainForm& form);
void Cmdinfo_Click(App& app, int index);
std::string cmdinfoText(int index);
// Index 0 closes the print frame; index 1 ends the program through FINETASK.
void CmdUscita_Click(App& app, int index);
void Form_KeyDown(App& app, int keyCode, int shift);
// Closing the form ends the program as the exit button does.
void Form_Unload(App& app);

// The lines whose company code (columns 1-3) equals one of `codes` as a number ("1", "01" and
// "001" name company 001), in list order; `unknown` lists the codes that name no line.
struct CodeSelection {
  std::vector<std::size_t> lines;
  std::vector<std::string> unknown;
};
CodeSelection linesForCodes(const MainForm& form, const std::vector<std::string>& codes);

}  // namespace zr
