// An App loaded on a built bureau as the window's load does, for the in-process benchmarks: its
// files through a Files the caller counts with, a scripted Ui that answers nothing, a fixed
// clock and, for the lists, a text printer whose output is only counted. Owns the App and its
// printer; the Files it forwards to are borrowed.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/files.h"
#include "platform/ui.h"
#include "shell/app.h"

namespace zr::bench {

class Bureau;

class BureauApp {
 public:
  // Loads the App; a load that ends the program is an exception saying what it showed.
  BureauApp(const Bureau& bureau, platform::Files& files);
  ~BureauApp();
  BureauApp(const BureauApp&) = delete;
  BureauApp& operator=(const BureauApp&) = delete;

  App& app() { return *app_; }
  platform::ScriptedUi& ui() { return *ui_; }
  // Every company of the list selected, as "Seleziona tutte le aziende" leaves them.
  void selectAll();
  // Bytes the lists printed (their UTF-8 text), since the load.
  std::uint64_t printedBytes() const;
  // The messages shown, for an exception's text.
  std::string dialogsText() const;

 private:
  class CountingPrinters;
  platform::ScriptedUi* ui_ = nullptr;
  CountingPrinters* printers_ = nullptr;
  std::unique_ptr<App> app_;
};

}  // namespace zr::bench
