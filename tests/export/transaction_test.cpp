// A run that fails half-way leaves the previous export files byte for byte, removes its
// temporaries and says what failed: faults injected through a Files wrapper, or an archive
// that shrank under the list.
#include <gtest/gtest.h>

#include <functional>
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

struct Previous {
  std::string front, substitutes;
};

// Three self-presenting companies and one presented by 001, exported once.
Previous bureauWithPreviousExport(Installation& inst) {
  auto& b = inst.builder;
  b.putCompany(company(1, {{"T002", "PRIMA SPA"}, {"T012", "11111111111"}}));
  b.putCompany(company(2, {{"T002", "SECONDA SRL"}, {"T012", "22222222222"}}));
  b.putCompany(company(3, {{"T002", "TERZA SNC"}, {"T012", "33333333333"}}));
  b.putCompany(company(4, {{"T002", "QUARTA SAS"}, {"T012", "44444444444"}, {"T326", "1"}}));
  b.close();
  LoadedApp a(inst);
  a.select({1, 2, 4});
  EXPECT_EQ(CMDAVVIO_Click(*a.app), RunOutcome::Done);
  Previous p{readBytes(inst.archive("FRONTE.V24")), readBytes(inst.archive("SOSTITUT.V24"))};
  EXPECT_EQ(p.front.size(), 2u * 1964);
  EXPECT_EQ(p.substitutes.size(), 202u);
  return p;
}

void expectUntouched(Installation& inst, const Previous& p) {
  EXPECT_EQ(readBytes(inst.archive("FRONTE.V24")), p.front);
  EXPECT_EQ(readBytes(inst.archive("SOSTITUT.V24")), p.substitutes);
  EXPECT_EQ(inst.leftovers(), std::vector<std::string>{});
}

// The run's own failure message: critical, naming the step, the company and the cause.
void expectFailureMessage(const LoadedApp& a, const std::string& step, const std::string& company,
                          const std::string& cause) {
  const auto d = a.dialogs();
  ASSERT_FALSE(d.empty());
  const auto& m = d.back();
  EXPECT_EQ(m.icon, Icon::Critical);
  EXPECT_NE(m.text.find("NON ESEGUITA"), std::string::npos) << m.text;
  EXPECT_NE(m.text.find("Fase: " + step), std::string::npos) << m.text;
  if (!company.empty()) {
    EXPECT_NE(m.text.find("Azienda: " + company), std::string::npos) << m.text;
  }
  EXPECT_NE(m.text.find(cause), std::string::npos) << m.text;
  for (const auto& e : d) EXPECT_EQ(e.text.find("terminata"), std::string::npos) << e.text;
}

std::string companyArchivePath(App& app) {
  app.lib.FAIOPEN(1);
  std::string path = app.lib.fileOf(1).path();
  app.lib.CHIUDIFILE(1);
  return path;
}

TEST(TransactionalExport, CompanyArchiveShrunkUnderTheListFailsTheWholeRun) {
  Installation inst;
  const Previous before = bureauWithPreviousExport(inst);
  LoadedApp a(inst);
  a.selectAll();
  // Another program shortens the company archive after the list was loaded.
  const auto host = a.app->files().resolve(companyArchivePath(*a.app));
  std::filesystem::resize_file(host, 2 * static_cast<std::uintmax_t>(a.app->lib.LUNGREC(1)));

  EXPECT_EQ(CMDAVVIO_Click(*a.app), RunOutcome::Failed);
  expectUntouched(inst, before);
  expectFailureMessage(a, "frontespizio (FRONTE.V24)", "003 TERZA SNC", "003");
  EXPECT_FALSE(a.app->form.anySelected());  // the form is restored after a failed run
}

TEST(TransactionalExport, FullDiskOnTheSecondFileKeepsBothPreviousFiles) {
  Installation inst;
  const Previous before = bureauWithPreviousExport(inst);
  FaultyFiles* faulty = nullptr;
  LoadedApp a(inst, [&](platform::Files& host) {
    auto f = std::make_unique<FaultyFiles>(host);
    faulty = f.get();
    return f;
  });
  faulty->failWritesTo = "SOSTITUT.V24";
  a.selectAll();

  EXPECT_EQ(CMDAVVIO_Click(*a.app), RunOutcome::Failed);
  expectUntouched(inst, before);
  expectFailureMessage(a, "anagrafica sostituti (SOSTITUT.V24)", "004 QUARTA SAS", "Errore N.61");
}

TEST(TransactionalExport, FailedRenameRollsBackTheFilesAlreadyMoved) {
  Installation inst;
  const Previous before = bureauWithPreviousExport(inst);
  FaultyFiles* faulty = nullptr;
  LoadedApp a(inst, [&](platform::Files& host) {
    auto f = std::make_unique<FaultyFiles>(host);
    faulty = f.get();
    return f;
  });
  faulty->failRenameTo = "SOSTITUT.V24";
  a.selectAll();

  EXPECT_EQ(CMDAVVIO_Click(*a.app), RunOutcome::Failed);
  expectUntouched(inst, before);
  expectFailureMessage(a, "registrazione dei file di esportazione", "", "Errore N.75");
}

TEST(TransactionalExport, FailedRenameOfAFirstExportLeavesNoExportFile) {
  Installation inst;
  inst.builder.putCompany(company(1, {{"T002", "PRIMA SPA"}, {"T012", "11111111111"}}));
  inst.builder.close();
  FaultyFiles* faulty = nullptr;
  LoadedApp a(inst, [&](platform::Files& host) {
    auto f = std::make_unique<FaultyFiles>(host);
    faulty = f.get();
    return f;
  });
  faulty->failRenameTo = "SOSTITUT.V24";
  a.selectAll();
  EXPECT_EQ(CMDAVVIO_Click(*a.app), RunOutcome::Failed);
  EXPECT_FALSE(std::filesystem::exists(inst.archive("FRONTE.V24")));
  EXPECT_FALSE(std::filesystem::exists(inst.archive("SOSTITUT.V24")));
  EXPECT_EQ(inst.leftovers(), std::vector<std::string>{});
}

TEST(TransactionalExport, ArchiveReadErrorMidRunEndsWithTemporariesRemoved) {
  Installation inst;
  const Previous before = bureauWithPreviousExport(inst);
  FaultyFiles* faulty = nullptr;
  LoadedApp a(inst, [&](platform::Files& host) {
    auto f = std::make_unique<FaultyFiles>(host);
    faulty = f.get();
    return f;
  });
  faulty->readPath = companyArchivePath(*a.app);
  faulty->readOffset = static_cast<std::uint64_t>(a.app->lib.LUNGREC(1));  // company 002
  faulty->armedBy = "FRONTE.V24";
  a.selectAll();

  int status = -1;
  try {
    CMDAVVIO_Click(*a.app);
  } catch (const ProgramEnd& e) {
    status = e.status;
  }
  EXPECT_EQ(status, 3);  // the archive library's error routine ends the program
  expectUntouched(inst, before);
  expectFailureMessage(a, "frontespizio (FRONTE.V24)", "002 SECONDA SRL", "archivi");
}

}  // namespace
}  // namespace zr::exporttest
