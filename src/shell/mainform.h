// The main form RIZ770 as a Qt-free model: the company list, its selection and current line,
// the check boxes, the date grid, the labels and the print frame. The Qt view binds to it and
// the command line drives it; progress labels are "repainted" through the Ui service.
#pragma once

#include <array>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ui.h"

namespace zr {

struct MainForm {
  // List1: one line per company, with its selection and the current line (-1 none).
  std::vector<std::string> List1;
  std::vector<bool> selected;
  int listIndex = -1;
  bool list1Visible = true;
  bool list2Visible = true;

  // Check boxes: value 1 checked, 0 unchecked.
  int Check1 = 1, Check2 = 0, Check3 = 1;
  std::string Check1Caption =
      "SI Includere nel Quadro ST anche i versamenti delle CERT.UNICA LAV.AUT";
  std::string Check2Caption = "Selezionare tutte le aziende";
  std::string Check3Caption = "SI Compila automaticamente con 'S' (saldo) note Q.SV cod.3847";

  // Text1(0..12): the date grid. Per box the caret (0-based) and the error colours a refused
  // date leaves (black on yellow until the text changes); the box with the focus (-1 none).
  struct DateBox {
    int caret = 0;
    bool errorColours = false;
  };
  std::array<std::string, 13> Text1;
  std::array<DateBox, 13> Text1Box;
  int gridFocus = -1;

  std::string caption;          // the form's caption (message titles)
  std::string cmdAvvioCaption;  // CMDAVVIO
  // Labels by name ("Label1".."Label11", "LabelDESC") with their visibility.
  // Design-time texts; the load and the commands set the others.
  std::map<std::string, std::string, std::less<>> labels{
      {"Label2", "Acquisizioni dati per 770/AAAA in corso ..... Attendere prego"},
      {"Label4", "Acquisizioni dati per 770/AAAA in corso ..... Attendere prego"},
      {"Label5",
       "Questa operazione potrebbe richiedere alcuni minuti a seconda della velocita' del vostro "
       "computer e quantita' di dati da esportare"},
      {"Label11", "Selezione Tipo stampa"},
      {"LabelDESC", "Attendere prego .... stampa in corso"}};
  std::map<std::string, bool, std::less<>> labelVisible;

  // The print-selection frame FrameSelezione(0) and its option buttons Option1(0..4), one
  // checked at a time.
  bool frameVisible = false;
  std::array<bool, 5> Option1{true, false, false, false, false};
  std::string frameCaption;
  int frameWidth = 0, frameHeight = 0, frameLeft = 0, frameTop = 0;

  // Geometry in twips as the load sets it.
  int width = 0, height = 0, left = 0, top = 0;
  int list1Left = 0, list1Top = 0, list1Width = 0, list1Height = 0;
  int label3Width = 14880;  // List1 takes Label3's width
  // The screen in twips; a front end that knows its screen sets it before the load.
  int screenWidth = 1920 * 15, screenHeight = 1080 * 15;

  // CASELLADATA: the date-grid box whose calendar is open; DATACALENDARIO: the date the
  // calendar hands back ("dd/mm/yyyy", "00/00/0000" when none was chosen).
  int CASELLADATA = 0;
  std::string DATACALENDARIO = "00/00/0000";

  bool busy = false;  // the hourglass

  void clearList() {
    List1.clear();
    selected.clear();
    listIndex = -1;
  }
  void addLine(std::string line) {
    List1.push_back(std::move(line));
    selected.push_back(false);
  }
  bool isSelected(std::size_t i) const { return i < selected.size() && selected[i]; }
  bool anySelected() const {
    for (bool s : selected)
      if (s) return true;
    return false;
  }
};

}  // namespace zr
