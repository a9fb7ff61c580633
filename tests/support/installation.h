// Test support for the commands: a payroll installation built on disk with the installation
// builder, and an App loaded on it as the window's load does, with a scripted Ui.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "builder.h"
#include "platform/printer.h"
#include "platform/settings.h"
#include "platform/ui.h"
#include "shell/app.h"
#include "shell/startup.h"
#include "support/tempdir.h"

namespace zr::testbed {

// Every company-record field that the front page and substitutes producer reads, with the
// value a test company holds there unless it says otherwise ("" leaves a text field blank).
inline std::vector<std::pair<std::string, std::string>> producerFieldsBlank() {
  return {
      {"DITX$,00006,30,A,0,T002", ""},         {"DITX$,01451,10,A,0,T003", ""},
      {"DITX$,00109,30,A,0,T008", ""},         {"DITX$,00144,20,A,0,T010", ""},
      {"DITX$,00164,02,A,0,T011", ""},         {"DITX$,00036,16,A,0,T012", ""},
      {"DITX$,00834,11,A,0,T013", ""},         {"DITX$,01229,06,A,0,T014", ""},
      {"DITX$,01001,15,A,0,T020", ""},         {"DITX$,01016,15,A,0,T021", ""},
      {"DITX$,01037,01,A,0,T023", ""},         {"DITX$,01038,20,A,0,T024", ""},
      {"DITX$,01058,02,A,0,T025", ""},         {"DITX$,00251,16,A,0,T081", ""},
      {"DITX$,00267,15,A,0,T082", ""},         {"DITX$,00282,15,A,0,T083", ""},
      {"DITX$,00297,01,A,0,T084", ""},         {"DITX$,00305,15,A,0,T087", ""},
      {"DITX$,00320,02,A,0,T088", ""},         {"DITX$,00322,15,A,0,T089", ""},
      {"DITX$,03262,20,A,0,T103", ""},         {"DITX$,00723,01,A,0,T148", ""},
      {"DITX$,00724,02,A,0,T149", ""},         {"DITX$,00726,01,A,0,T150", ""},
      {"DITX$,01840,04,A,0,T223", ""},         {"DITX$,01844,08,A,0,T224", ""},
      {"DITX$,02197,12,A,0,T289", ""},         {"DITX$,01663,30,A,0,T302", ""},
      {"DITX$,00166,03,N,0,T326", "0"},        {"DITX$,02378,30,A,0,T348", ""},
      {"DITX$,02448,04,A,0,T353", ""},         {"DITX$,02452,12,A,0,T354", ""},
      {"DITX$,06095,02,A,0,T411", ""},         {"DITX$,00743,03,A,0,T483", ""},
      {"DITX$,00767,20,A,0,T484", ""},         {"DITX$,00787,20,A,0,T485", ""},
      {"DITX$,00807,16,A,0,T486", ""},         {"DITX$,02941,30,A,0,T490", ""},
      {"DITX$,03000,30,A,0,T491", ""},         {"DITX$,03282,30,A,0,T523", ""},
      {"DITX$,04651,02,A,0,T631", ""},         {"DITX$,05215,30,A,0,T734", ""},
      {"DITX$,05245,30,A,0,T735", ""},         {"DITX$,02073,08,D,0,T022", "00000000"},
      {"DITX$,02001,08,D,0,T085", "00000000"}, {"DITX$,00664,08,D,0,T409", "00000000"},
      {"DITX$,00672,08,D,0,T410", "00000000"},
  };
}

// A company with every producer field set: the blanks above overridden by `values`, keyed by
// the field's id ("T002"). A date id with a trailing "A" ("T022A") stores the text as it stands
// (blanks included) instead of through the date type.
inline demo::CompanyRecord company(int code, const std::map<std::string, std::string>& values) {
  demo::CompanyRecord record;
  record.code = code;
  std::map<std::string, bool> used;
  for (const auto& [descriptor, blank] : producerFieldsBlank()) {
    const std::string id = descriptor.substr(19);
    auto it = values.find(id);
    record.fields.push_back({descriptor, it == values.end() ? blank : it->second, 0});
    if (it != values.end()) used[id] = true;
  }
  for (const auto& [id, value] : values) {
    if (used.count(id)) continue;
    bool asText = false;
    for (const auto& [descriptor, blank] : producerFieldsBlank())
      if (id == descriptor.substr(19) + "A" && descriptor[15] == 'D') {
        std::string textDescriptor = descriptor;
        textDescriptor[15] = 'A';
        record.fields.push_back({textDescriptor, value, 0});
        asText = true;
      }
    if (!asText) ADD_FAILURE() << "test company " << code << ": unknown field " << id;
  }
  return record;
}

// A record laid out by hand: blanks, then each field at its 1-based position.
class Rec {
 public:
  explicit Rec(std::size_t length) : bytes_(length, ' ') {}
  Rec& at(std::size_t pos, const std::string& text) {
    EXPECT_LE(pos - 1 + text.size(), bytes_.size()) << "field at " << pos;
    bytes_.replace(pos - 1, text.size(), text);
    return *this;
  }
  const std::string& str() const { return bytes_; }

 private:
  std::string bytes_;
};

// Reports the first differing record and position instead of two 2000-byte strings.
inline void expectRecords(const std::string& actual, const std::vector<std::string>& records,
                   std::size_t length, const std::string& what) {
  std::string expected;
  for (const auto& r : records) {
    ASSERT_EQ(r.size(), length) << what;
    expected += r;
  }
  ASSERT_EQ(actual.size(), expected.size()) << what << ": file length";
  for (std::size_t i = 0; i < expected.size(); ++i)
    if (actual[i] != expected[i]) {
      const std::size_t rec = i / length, pos = i % length + 1;
      ADD_FAILURE() << what << ": record " << rec + 1 << " position " << pos << ": got \""
                    << actual.substr(i, std::min<std::size_t>(20, actual.size() - i))
                    << "\" expected \"" << expected.substr(i, 20) << "\"";
      return;
    }
}

inline std::string readBytes(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void writeBytes(const std::filesystem::path& p, const std::string& bytes) {
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out << bytes;
}

// An F24 record built field by field in a chain; each test adds its own row helpers (Self).
template <class Self>
struct F24Chain {
  demo::F24Record rec;
  F24Chain(int company, int year, int month) {
    rec.company = company;
    rec.year = year;
    rec.month = month;
  }
  Self& f(std::string_view descriptor, const std::string& value, int k = 0) {
    rec.fields.push_back({std::string(descriptor), value, k});
    return static_cast<Self&>(*this);
  }
};

// An installation under a fresh drive root.
class Installation {
 public:
  explicit Installation(const demo::SkeletonOptions& options = {}) : builder(dir.str()) {
    builder.writeSkeleton(options);
  }
  // The demo bureau, as the demo tool writes it.
  explicit Installation(const demo::Options& demo) : builder(dir.str()) {
    summary = demo::buildDemo(dir.str(), demo);
  }
  testing::TempDir dir;
  demo::InstallationBuilder builder;
  demo::DemoSummary summary;  // of the demo bureau

  // Host path of a file in the archives folder.
  std::filesystem::path archive(const std::string& name) {
    return builder.hostPath(builder.archivePath(name));
  }
  std::filesystem::path archivesFolder() { return builder.hostPath(builder.archivesPath()); }
  // Names of the files in the archives folder that a run must never leave behind.
  std::vector<std::string> leftovers() {
    std::vector<std::string> found;
    for (const auto& e : std::filesystem::directory_iterator(archivesFolder())) {
      const std::string n = e.path().filename().string();
      // Old-style and current temporaries, backups, hidden copies and the commit record.
      if (n.ends_with(".new") || n.ends_with(".old") || n.ends_with(".tmp") ||
          n.find(".zr770-") != std::string::npos || n.starts_with(".") || n == "ZORIR770.CMT")
        found.push_back(n);
    }
    return found;
  }
};

// An App on an installation, loaded as the window's load does; the load's own dialogs are
// cleared. `files` replaces the host files (fault injection); it must forward to `host`.
class LoadedApp {
 public:
  explicit LoadedApp(Installation& inst,
                     std::function<std::unique_ptr<platform::Files>(platform::Files&)> wrap = {},
                     std::unique_ptr<platform::PrinterProvider> printers = {})
      : host_(platform::makeHostFiles(inst.dir.str())) {
    Services s;
    s.printers = std::move(printers);
    s.files = wrap ? wrap(*host_) : platform::makeHostFiles(inst.dir.str());
    auto ui = std::make_unique<platform::ScriptedUi>();
    this->ui = ui.get();
    s.ui = std::move(ui);
    s.clock = std::make_unique<platform::FixedClock>(std::chrono::year_month_day{
        std::chrono::year{2024}, std::chrono::month{2}, std::chrono::day{20}});
    s.settings = platform::makeIniSettings(*s.files, inst.builder.registryPath());
    app = std::make_unique<App>(std::move(s));
    RIZ770_Load(*app);
    this->ui->clear();
  }
  ~LoadedApp() {
    app.reset();  // before the host files it may forward to
  }

  // Selects the lines of the given company codes (columns 1-3).
  void select(std::initializer_list<int> codes) {
    for (int code : codes) {
      bool found = false;
      for (std::size_t i = 0; i < app->form.List1.size(); ++i)
        if (std::stoi(app->form.List1[i].substr(0, 3)) == code) {
          app->form.selected[i] = true;
          found = true;
        }
      if (!found) ADD_FAILURE() << "company " << code << " is not in the list";
    }
  }
  void selectAll() { app->form.selected.assign(app->form.List1.size(), true); }

  std::vector<platform::ScriptedUi::Event> dialogs() const { return ui->dialogs(); }
  // Every dialog's text, one a line: what a failed expectation prints.
  std::string transcript() const {
    std::string all;
    for (const auto& e : ui->dialogs()) all += e.text + "\n";
    return all;
  }

  std::unique_ptr<platform::Files> host_;
  std::unique_ptr<App> app;
  platform::ScriptedUi* ui = nullptr;
};

// A printer that keeps the command's document as text, for the test to read; with failAt > 0
// that line (counted from 1) fails with error 57, as a printer that stops mid-list.
class StringPrinters : public platform::PrinterProvider {
 public:
  explicit StringPrinters(int failAt = 0) : printer_(out_, failAt) {}
  platform::Printer& printer() override { return printer_; }
  void finish() override { printer_.finish(); }
  std::string text() const { return out_.str(); }
  std::string fontName() const { return printer_.fontName(); }
  double fontSize() const { return printer_.fontSize(); }

 private:
  class P : public platform::TextPrinter {
   public:
    P(std::ostream& o, int failAt) : TextPrinter(o, "the test's document"), failAt_(failAt) {}
    void printLine(std::string_view l) override {
      if (++lines_ == failAt_) throw RuntimeError::of(57, "stampante di prova");
      TextPrinter::printLine(l);
    }

   private:
    int failAt_;
    int lines_ = 0;
  };
  std::ostringstream out_;
  P printer_;
};

// The texts a label showed during a run, in order (empty ones left out).
inline std::vector<std::string> progressOf(const LoadedApp& a, const std::string& label) {
  std::vector<std::string> texts;
  for (const auto& e : a.ui->events)
    if (e.kind == platform::ScriptedUi::Kind::Progress && e.title == label && !e.text.empty())
      texts.push_back(e.text);
  return texts;
}

}  // namespace zr::testbed
