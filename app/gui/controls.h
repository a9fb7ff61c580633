// The widgets of RIZ770 by their control names, for the window's own files (and tests, which
// find them by object name as well).
#pragma once

#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <array>
#include <map>
#include <string>
#include <vector>

#include "clicklabel.h"
#include "datebox.h"

namespace zr::gui {

inline constexpr int kBoxes = 13;
inline constexpr int kOptions = 5;

struct Controls {
  QScrollArea* scroll = nullptr;
  QWidget* canvas = nullptr;  // the form's client area at its size in twips
  QListWidget* List1 = nullptr;
  QListWidget* List2 = nullptr;
  QCheckBox* Check1 = nullptr;
  QCheckBox* Check2 = nullptr;
  QCheckBox* Check3 = nullptr;
  QPushButton* CMDAVVIO = nullptr;
  QPushButton* cmdverifica = nullptr;
  QPushButton* CmdVer1655 = nullptr;
  std::array<QPushButton*, 2> Cmdinfo{};
  std::array<QPushButton*, 2> CmdUscita{};
  QPushButton* CmdStampa = nullptr;
  QPushButton* savePdf = nullptr;
  QPushButton* saveText = nullptr;
  std::array<DateBox*, kBoxes> Text1{};
  std::array<ClickLabel*, kBoxes> Label7{};
  std::map<std::string, QLabel*, std::less<>> labels;  // Label1..Label11, LabelDESC
  QFrame* FrameSelezione = nullptr;
  QGroupBox* Frame1 = nullptr;
  std::array<QRadioButton*, kOptions> Option1{};
  std::vector<std::string> shownLines;  // what List1 holds now, to reload only on change

  QLabel* label(std::string_view name) const { return labels.find(name)->second; }

  // The buttons that start work (and the exit), off while a command runs.
  std::vector<QWidget*> starters() const {
    return {CMDAVVIO, cmdverifica, CmdVer1655,   CmdStampa,
            savePdf,  saveText,    CmdUscita[0], CmdUscita[1]};
  }
};

}  // namespace zr::gui
