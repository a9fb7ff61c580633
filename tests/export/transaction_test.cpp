// A run that fails half-way leaves the previous export files byte for byte, removes its
// temporaries and says what failed: faults injected through a Files wrapper, or an archive
// that shrank under the list.
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>

#include "export/installation.h"
#include "platform/errors.h"

namespace zr::exporttest {
namespace {

using platform::Icon;

// An open file whose reads or writes fail on request.
class FaultyFile : public platform::File {
 public:
  FaultyFile(std::unique_ptr<platform::File> f, std::function<bool(std::uint64_t)> failRead,
             bool failWrites)
      : f_(std::move(f)), failRead_(std::move(failRead)), failWrites_(failWrites) {}
  std::size_t readAt(std::uint64_t offset, char* buf, std::size_t n) override {
    if (failRead_ && failRead_(offset)) throw RuntimeError::of(57, f_->path());
    return f_->readAt(offset, buf, n);
  }
  void writeAt(std::uint64_t offset, std::string_view bytes) override {
    if (failWrites_) throw RuntimeError::of(61, f_->path());
    f_->writeAt(offset, bytes);
  }
  std::uint64_t size() override { return f_->size(); }
  void sync() override { f_->sync(); }
  const std::string& path() const override { return f_->path(); }

 private:
  std::unique_ptr<platform::File> f_;
  std::function<bool(std::uint64_t)> failRead_;
  bool failWrites_;
};

class FaultyFiles : public platform::FilesWrapper {
 public:
  using FilesWrapper::FilesWrapper;

  // Reads of this file at this offset fail once a file whose path contains `armedBy` opens.
  std::string readPath;
  std::uint64_t readOffset = 0;
  std::string armedBy;
  // Writes to a file whose path contains this fail (a full disk).
  std::string failWritesTo;
  // A rename onto a path containing this fails.
  std::string failRenameTo;

  std::unique_ptr<platform::File> open(std::string_view p, platform::OpenMode m) override {
    if (!armedBy.empty() && p.find(armedBy) != std::string_view::npos) armed_ = true;
    auto f = target_.open(p, m);
    const bool failWrites = !failWritesTo.empty() && p.find(failWritesTo) != std::string_view::npos;
    std::function<bool(std::uint64_t)> failRead;
    if (p == readPath)
      failRead = [this](std::uint64_t offset) { return armed_ && offset == readOffset; };
    if (!failRead && !failWrites) return f;
    return std::make_unique<FaultyFile>(std::move(f), std::move(failRead), failWrites);
  }
  void rename(std::string_view from, std::string_view to) override {
    if (!failRenameTo.empty() && to.find(failRenameTo) != std::string_view::npos)
      throw RuntimeError::of(75, std::string(to));
    target_.rename(from, to);
  }

 private:
  bool armed_ = false;
};

std::optional<std::string> contents(const std::filesystem::path& p) {
  if (!std::filesystem::exists(p)) return std::nullopt;
  return readBytes(p);
}

std::string companyArchivePath(App& app) {
  app.lib.FAIOPEN(1);
  std::string path = app.lib.fileOf(1).path();
  app.lib.CHIUDIFILE(1);
  return path;
}

TEST(TransactionalExport, AFailedRunLeavesThePreviousFilesAndSaysWhatFailed) {
  using Inject = std::function<void(Installation&, LoadedApp&, FaultyFiles&)>;
  struct Case {
    const char* what;
    bool previousExport;
    Inject inject;
    std::vector<std::string> says;  // in the last message
    int programEnd;                 // status the run ends the program with, 0 if it returns
  };
  const Case cases[] = {
      {"company archive shrunk under the list",
       true,
       [](Installation&, LoadedApp& a, FaultyFiles&) {
         // Another program shortens the company archive after the list was loaded.
         const auto host = a.app->files().resolve(companyArchivePath(*a.app));
         std::filesystem::resize_file(host, 2 * static_cast<std::uintmax_t>(a.app->lib.LUNGREC(1)));
       },
       {"NON ESEGUITA", "Fase: frontespizio (FRONTE.V24)", "Azienda: 003 TERZA SNC"},
       0},
      {"full disk on the second file",
       true,
       [](Installation&, LoadedApp&, FaultyFiles& f) { f.failWritesTo = "SOSTITUT.V24"; },
       {"NON ESEGUITA", "Fase: anagrafica sostituti (SOSTITUT.V24)", "Azienda: 004 QUARTA SAS",
        "Errore N.61"},
       0},
      {"failed rename rolls back the files already moved",
       true,
       [](Installation&, LoadedApp&, FaultyFiles& f) { f.failRenameTo = "SOSTITUT.V24"; },
       {"NON ESEGUITA", "Fase: registrazione dei file di esportazione", "Errore N.75"},
       0},
      {"failed rename of a first export",
       false,
       [](Installation&, LoadedApp&, FaultyFiles& f) { f.failRenameTo = "SOSTITUT.V24"; },
       {"NON ESEGUITA", "Fase: registrazione dei file di esportazione", "Errore N.75"},
       0},
      {"archive read error mid-run",
       true,
       [](Installation&, LoadedApp& a, FaultyFiles& f) {
         f.readPath = companyArchivePath(*a.app);
         f.readOffset = static_cast<std::uint64_t>(a.app->lib.LUNGREC(1));  // company 002
         f.armedBy = "FRONTE.V24";
       },
       {"NON ESEGUITA", "Fase: frontespizio (FRONTE.V24)", "Azienda: 002 SECONDA SRL", "archivi"},
       3},  // the archive library's error routine ends the program
      {"unopenable payments database",
       true,
       [](Installation& inst, LoadedApp&, FaultyFiles&) {
         writeBytes(inst.archive("SF242015.MDB"), std::string(2048, 'z'));
       },
       {"SF242015.MDB"},
       0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Installation inst;
    auto& b = inst.builder;
    b.putCompany(company(1, {{"T002", "PRIMA SPA"}, {"T012", "11111111111"}}));
    b.putCompany(company(2, {{"T002", "SECONDA SRL"}, {"T012", "22222222222"}}));
    b.putCompany(company(3, {{"T002", "TERZA SNC"}, {"T012", "33333333333"}}));
    b.putCompany(company(4, {{"T002", "QUARTA SAS"}, {"T012", "44444444444"}, {"T326", "1"}}));
    b.close();
    if (c.previousExport) {
      LoadedApp a(inst);
      a.select({1, 2, 4});
      ASSERT_EQ(CMDAVVIO_Click(*a.app), RunOutcome::Done);
      ASSERT_EQ(std::filesystem::file_size(inst.archive("FRONTE.V24")), 2u * 1964);
    }
    const auto front = contents(inst.archive("FRONTE.V24"));
    const auto substitutes = contents(inst.archive("SOSTITUT.V24"));

    FaultyFiles* faulty = nullptr;
    LoadedApp a(inst, [&](platform::Files& host) {
      auto f = std::make_unique<FaultyFiles>(host);
      faulty = f.get();
      return f;
    });
    c.inject(inst, a, *faulty);
    a.selectAll();
    int status = 0;
    try {
      EXPECT_EQ(CMDAVVIO_Click(*a.app), RunOutcome::Failed);
    } catch (const ProgramEnd& e) {
      status = e.status;
    }
    EXPECT_EQ(status, c.programEnd);
    EXPECT_EQ(contents(inst.archive("FRONTE.V24")), front);
    EXPECT_EQ(contents(inst.archive("SOSTITUT.V24")), substitutes);
    EXPECT_EQ(inst.leftovers(), std::vector<std::string>{});
    if (status == 0) {
      EXPECT_FALSE(a.app->form.anySelected());  // the form is restored after a failed run
    }
    const auto d = a.dialogs();
    ASSERT_FALSE(d.empty());
    EXPECT_EQ(d.back().icon, Icon::Critical);
    for (const auto& text : c.says) EXPECT_NE(d.back().text.find(text), std::string::npos) << text;
    for (const auto& e : d) EXPECT_EQ(e.text.find("terminata"), std::string::npos) << e.text;
  }
}

}  // namespace
}  // namespace zr::exporttest
