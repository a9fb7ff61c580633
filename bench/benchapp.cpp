#include "benchapp.h"

#include <ostream>
#include <stdexcept>
#include <streambuf>

#include "bureau.h"
#include "platform/clock.h"
#include "platform/printer.h"
#include "platform/settings.h"
#include "shell/startup.h"

namespace zr::bench {

namespace {

// An output stream that keeps nothing and counts what passes.
class CountingBuffer : public std::streambuf {
 public:
  std::uint64_t count = 0;

 protected:
  int_type overflow(int_type c) override {
    if (c != traits_type::eof()) ++count;
    return traits_type::not_eof(c);
  }
  std::streamsize xsputn(const char*, std::streamsize n) override {
    count += static_cast<std::uint64_t>(n);
    return n;
  }
};

// The App's own forwarder to the caller's Files, the semaphore's kept file included (as the
// host gives it to the command line), so the counts are those of the real program.
class Forwarder : public platform::FilesWrapper {
 public:
  using FilesWrapper::FilesWrapper;
  std::unique_ptr<platform::LockableFile> openLockable(std::string_view p) override {
    return target_.openLockable(p);
  }
};

}  // namespace

class BureauApp::CountingPrinters : public platform::PrinterProvider {
 public:
  CountingPrinters() : out_(&buffer_) {}
  platform::Printer& printer() override {
    if (!printer_) printer_ = std::make_unique<platform::TextPrinter>(out_, "the benchmark");
    return *printer_;
  }
  void finish() override {
    if (printer_) printer_->finish();
    printer_.reset();
  }
  std::uint64_t bytes() const { return buffer_.count; }

 private:
  CountingBuffer buffer_;
  std::ostream out_;
  std::unique_ptr<platform::Printer> printer_;
};

BureauApp::BureauApp(const Bureau& bureau, platform::Files& files) {
  auto ui = std::make_unique<platform::ScriptedUi>();
  auto printers = std::make_unique<CountingPrinters>();
  ui_ = ui.get();
  printers_ = printers.get();
  Services s;
  s.files = std::make_unique<Forwarder>(files);
  s.ui = std::move(ui);
  s.printers = std::move(printers);
  s.clock = std::make_unique<platform::FixedClock>(std::chrono::year_month_day{
      std::chrono::year{2024}, std::chrono::month{2}, std::chrono::day{20}});
  s.settings = platform::makeIniSettings(*s.files, bureau.registryPath());
  app_ = std::make_unique<App>(std::move(s));
  try {
    RIZ770_Load(*app_);
  } catch (const ProgramEnd& e) {
    throw std::runtime_error("the load ended the program (" + std::to_string(e.status) +
                             "):" + dialogsText());
  }
  const auto listed = static_cast<int>(app_->form.List1.size());
  if (listed != bureau.summary().companies)
    throw std::runtime_error("the list shows " + std::to_string(listed) + " companies");
}

BureauApp::~BureauApp() = default;

void BureauApp::selectAll() {
  app_->form.selected.assign(app_->form.List1.size(), true);
}

std::uint64_t BureauApp::printedBytes() const {
  return printers_->bytes();
}

std::string BureauApp::dialogsText() const {
  std::string text;
  for (const auto& d : ui_->dialogs()) text += " [" + d.title + ": " + d.text + "]";
  return text;
}

}  // namespace zr::bench
