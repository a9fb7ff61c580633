// The command line run in-process on an installation, its files through the fault injector: the
// same frame, commands and exit statuses as zorir770, with the dialogs, the printed document and
// the standard streams kept for the sweep once the frame has ended the program.
#pragma once

#include <CLI/CLI.hpp>

#include <chrono>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "commands.h"
#include "frontend.h"
#include "platform/clock.h"
#include "platform/settings.h"
#include "platform/ui.h"
#include "shell/app.h"
#include "support/fault_files.h"
#include "support/installation.h"

namespace zr::reliability {

// The frame destroys its services with the App: these forward to objects the sweep keeps.
class ForwardUi : public platform::Ui {
 public:
  explicit ForwardUi(platform::Ui& target) : target_(target) {}
  void message(std::string_view text, std::string_view title, platform::Icon icon) override {
    target_.message(text, title, icon);
  }
  platform::Answer ask(std::string_view text, std::string_view title, platform::Buttons buttons,
                       platform::Icon icon, platform::Answer safe) override {
    return target_.ask(text, title, buttons, icon, safe);
  }
  void progress(std::string_view label, std::string_view text) override {
    target_.progress(label, text);
  }
  void busy(bool on) override { target_.busy(on); }
  void beep() override { target_.beep(); }

 private:
  platform::Ui& target_;
};

class ForwardPrinters : public platform::PrinterProvider {
 public:
  explicit ForwardPrinters(platform::PrinterProvider& target) : target_(target) {}
  platform::Printer& printer() override { return target_.printer(); }
  void finish() override { target_.finish(); }

 private:
  platform::PrinterProvider& target_;
};

// Standard output and error taken into strings for one run.
class CapturedStreams {
 public:
  CapturedStreams() : out_(std::cout.rdbuf(outText_.rdbuf())), err_(std::cerr.rdbuf(errText_.rdbuf())) {}
  ~CapturedStreams() {
    std::cout.rdbuf(out_);
    std::cerr.rdbuf(err_);
  }
  CapturedStreams(const CapturedStreams&) = delete;
  CapturedStreams& operator=(const CapturedStreams&) = delete;
  std::string out() const { return outText_.str(); }
  std::string err() const { return errText_.str(); }

 private:
  std::ostringstream outText_, errText_;
  std::streambuf* out_;
  std::streambuf* err_;
};

struct CommandRun {
  int status = -1;
  std::vector<platform::ScriptedUi::Event> dialogs;
  std::string document;  // what the command printed
  std::string out, err;
  std::vector<testing::FaultFiles::Seen> history;
  std::vector<std::string> firedOn;
  std::array<int, testing::kCallKinds> calls{};
};

// Runs `zorir770 ARGS` (without --root and --registry: the installation gives them) with the
// faults pending from the start, the load included.
inline CommandRun runInProcess(testbed::Installation& inst, const std::vector<std::string>& args,
                               const std::vector<testing::Fault>& faults = {}) {
  CLI::App cli;
  cli::Command command;
  cli::GlobalOptions global;
  cli::addCommands(cli, command, global);
  std::vector<std::string> reversed(args.rbegin(), args.rend());
  cli.parse(reversed);

  auto host = platform::makeHostFiles(inst.dir.str());
  testing::FaultFiles faulty(*host);
  for (const auto& f : faults) faulty.inject(f);
  platform::ScriptedUi ui;
  testbed::StringPrinters printers;
  Services s;
  s.files = std::make_unique<platform::FilesWrapper>(static_cast<platform::Files&>(faulty));
  s.ui = std::make_unique<ForwardUi>(ui);
  s.clock = std::make_unique<platform::FixedClock>(std::chrono::year_month_day{
      std::chrono::year{2024}, std::chrono::month{2}, std::chrono::day{20}});
  s.printers = std::make_unique<ForwardPrinters>(printers);
  s.settings = platform::makeIniSettings(*s.files, inst.builder.registryPath());

  CommandRun run;
  {
    CapturedStreams streams;
    run.status = cli::runCommand(std::move(s), command);
    run.out = streams.out();
    run.err = streams.err();
  }
  run.dialogs = ui.dialogs();
  run.document = printers.text();
  run.history = faulty.history();
  run.firedOn = faulty.firedOn();
  for (std::size_t k = 0; k < testing::kCallKinds; ++k)
    run.calls[k] = faulty.calls(static_cast<testing::Call>(k));
  return run;
}

}  // namespace zr::reliability
