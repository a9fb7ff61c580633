// The host Files backend on real files: opens and their errors, positioned I/O, text lines,
// copies and renames that never leave half files, and the locks across processes.
#include "platform/files.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include "platform/test_util.h"
#include "support/tempdir.h"

namespace zr::platform {
namespace {

namespace fs = std::filesystem;
using testing::bytesOf;
using testing::errorOf;
using testing::writeBytes;
using Names = std::vector<std::string>;

// A child process that runs `hold` and stays until killed; `held` says whether `hold` succeeded.
struct Holder {
  explicit Holder(const std::function<void()>& hold) {
    int ready[2];
    if (::pipe(ready) != 0 || (pid = ::fork()) < 0) throw std::runtime_error("fork");
    if (pid == 0) {
      char status = 'k';
      try {
        hold();
      } catch (...) {
        status = 'f';
      }
      (void)!::write(ready[1], &status, 1);
      for (;;) ::pause();
    }
    char status = 0;
    held = ::read(ready[0], &status, 1) == 1 && status == 'k';
    ::close(ready[0]);
    ::close(ready[1]);
  }
  ~Holder() { ::kill(pid, SIGKILL), ::waitpid(pid, nullptr, 0); }
  pid_t pid;
  bool held;
};

class FilesTest : public ::testing::Test {
 protected:
  FilesTest() : files(makeHostFiles(dir.str())) { fs::create_directories(ark); }
  int numberOf(const std::function<void()>& call) { return errorOf(call).number(); }
  testing::TempDir dir;
  fs::path ark = dir / "ARK";
  std::unique_ptr<Files> files;
};

TEST_F(FilesTest, AFifoUnderAFileNameIsAnErrorNeverAWait) {
  // Run in a child with an alarm, so that a regression fails instead of hanging the suite.
  ASSERT_EQ(::mkfifo((ark / "PIPE.DAT").c_str(), 0666), 0);
  const pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    ::alarm(10);
    int wrong = 0;
    const std::string pipe = "C:\\ARK\\PIPE.DAT";
    for (OpenMode mode : {OpenMode::Read, OpenMode::ReadWrite, OpenMode::Truncate})
      if (numberOf([&] { files->open(pipe, mode); }) != 75) ++wrong;
    if (numberOf([&] { files->openLocked(pipe); }) != 75) ++wrong;
    if (numberOf([&] { files->copy(pipe, "C:\\ARK\\COPY.DAT"); }) == 0) ++wrong;
    if (files->exists(pipe)) ++wrong;
    ::_exit(wrong);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status)) << "the child hung on the FIFO and was killed";
  EXPECT_EQ(WEXITSTATUS(status), 0) << "calls that did not refuse the FIFO";
  EXPECT_FALSE(fs::exists(ark / "COPY.DAT"));
}

TEST_F(FilesTest, OpenModesAndTheirErrors) {
  auto e = errorOf([&] { files->open("C:\\ARK\\MISSING.DAT", OpenMode::Read); });
  EXPECT_EQ(e.number(), 53);
  EXPECT_NE(e.description().find("C:\\ARK\\MISSING.DAT"), std::string::npos) << e.description();
  EXPECT_NE(e.description().find((ark / "MISSING.DAT").string()), std::string::npos);
  for (OpenMode mode : {OpenMode::Read, OpenMode::ReadWrite}) {
    EXPECT_EQ(numberOf([&] { files->open("C:\\NOFOLDER\\X.DAT", mode); }), 76);
    EXPECT_EQ(numberOf([&] { files->open("C:\\ARK", mode); }), 75);
  }
  EXPECT_FALSE(fs::exists(ark / "MISSING.DAT"));

  // ReadWrite creates a missing file empty and keeps an existing one; Truncate empties it.
  auto created = files->open("C:\\ARK\\NEW.DAT", OpenMode::ReadWrite);
  EXPECT_EQ(created->size(), 0u);
  created->writeAt(0, "ABCDEF");
  EXPECT_EQ(files->open("c:\\ark\\new.dat", OpenMode::ReadWrite)->size(), 6u);
  EXPECT_EQ(files->open("C:\\ARK\\NEW.DAT", OpenMode::Truncate)->size(), 0u);
  EXPECT_EQ(fs::file_size(ark / "NEW.DAT"), 0u);

  // Writing through a read-only open is a bad file mode, naming the file.
  auto w = errorOf([&] { files->open("C:\\ARK\\NEW.DAT", OpenMode::Read)->writeAt(0, "y"); });
  EXPECT_EQ(w.number(), 54);
  EXPECT_NE(w.description().find("NEW.DAT"), std::string::npos);
}

TEST_F(FilesTest, PositionedReadsAndWrites) {
  auto f = files->open("C:\\ARK\\REC.DAT", OpenMode::ReadWrite);
  f->writeAt(0, "0123456789");
  f->writeAt(20, "XY");  // past the end: the gap reads as NULs
  EXPECT_EQ(f->size(), 22u);
  const struct {
    std::uint64_t at;
    std::string got;
  } reads[] = {
      {8, std::string("89\0\0\0\0\0\0", 8)}, {18, std::string("\0\0XY", 4)}, {22, ""}, {1000, ""}};
  char buf[8];
  for (const auto& r : reads) {
    std::size_t n = f->readAt(r.at, buf, 8);
    EXPECT_EQ(std::string(buf, n), r.got) << r.at;
  }
  f->sync();
  EXPECT_EQ(bytesOf(ark / "REC.DAT"), std::string("0123456789\0\0\0\0\0\0\0\0\0\0XY", 22));
}

TEST_F(FilesTest, QueriesOnFilesAndFolders) {
  writeBytes(ark / "Full.Dat", "12345");
  writeBytes(ark / "EMPTY.DAT", "");
  fs::create_directories(ark / "SubFolder");
  const struct {
    const char* path;
    bool file, folder;
    std::optional<std::uint64_t> length;
  } cases[] = {{"C:\\ARK\\FULL.DAT", true, false, 5},   {"C:\\ARK\\EMPTY.DAT", true, false, 0},
               {"C:\\ARK\\SUBFOLDER", false, true, {}}, {"C:\\", false, true, {}},
               {"C:\\ARK\\NONE.DAT", false, false, {}}, {"C:\\NONE\\NONE.DAT", false, false, {}}};
  for (const auto& c : cases) {
    EXPECT_EQ(files->exists(c.path), c.file) << c.path;
    EXPECT_EQ(files->isDirectory(c.path), c.folder) << c.path;
    EXPECT_EQ(files->fileLength(c.path), c.length) << c.path;
  }
  EXPECT_EQ(files->list("C:\\ARK"), (Names{"EMPTY.DAT", "Full.Dat"}));
  EXPECT_EQ(numberOf([&] { files->list("C:\\NOWHERE"); }), 76);

  files->remove("C:\\ARK\\full.dat");
  EXPECT_FALSE(fs::exists(ark / "Full.Dat"));
  EXPECT_EQ(numberOf([&] { files->remove("C:\\ARK\\FULL.DAT"); }), 53);
  EXPECT_EQ(numberOf([&] { files->remove("C:\\ARK\\SUBFOLDER"); }), 75);
  files->makeDirectories("C:\\ark\\subfolder\\A\\B");
  EXPECT_TRUE(fs::is_directory(ark / "SubFolder" / "A" / "B"));
  files->makeDirectories("C:\\ARK\\SUBFOLDER\\A");  // already there
  EXPECT_EQ(numberOf([&] { files->makeDirectories("C:\\ARK\\EMPTY.DAT\\X"); }), 75);
}

TEST_F(FilesTest, TextLinesFromWindowsAndUnix) {
  const struct {
    std::string content;
    Names lines;
  } cases[] = {
      {"", {}},
      {"A\r\n\r\nB", {"A", "", "B"}},  // a last line without its end
      {"A\nB\n", {"A", "B"}},
      {"A\rB\r\r\n", {"A\rB\r"}},  // a lone CR is data
  };
  for (const auto& c : cases) {
    writeBytes(ark / "T.TXT", c.content);
    EXPECT_EQ(files->readLines("C:\\ARK\\T.TXT"), c.lines) << ::testing::PrintToString(c.content);
  }
  EXPECT_EQ(numberOf([&] { files->readLines("C:\\ARK\\NOTE.TXT"); }), 53);

  files->writeText("C:\\ARK\\TASK.TXT", "01\r\n");
  files->writeText("C:\\ARK\\TASK.TXT", "2");
  EXPECT_EQ(bytesOf(ark / "TASK.TXT"), "2");
  EXPECT_EQ(files->list("C:\\ARK"), (Names{"T.TXT", "TASK.TXT"}));
  EXPECT_EQ(numberOf([&] { files->writeText("C:\\NONE\\TASK.TXT", "x"); }), 76);
}

TEST_F(FilesTest, CopyAndRenameReplaceTheTargetOrLeaveIt) {
  std::string big(3 << 20, '\0');  // more than one copy chunk
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7 + i / 4096);
  writeBytes(ark / "SRC.DAT", big);
  writeBytes(ark / "Dst.Dat", "old content");
  files->copy("C:\\ARK\\SRC.DAT", "C:\\ARK\\DST.DAT");
  EXPECT_EQ(bytesOf(ark / "Dst.Dat"), big);
  EXPECT_EQ(files->list("C:\\ARK"), (Names{"Dst.Dat", "SRC.DAT"}));
  // A copy that cannot start leaves the target and the folder as they were.
  EXPECT_EQ(numberOf([&] { files->copy("C:\\ARK\\NONE.DAT", "C:\\ARK\\DST.DAT"); }), 53);
  EXPECT_EQ(numberOf([&] { files->copy("C:\\ARK\\SRC.DAT", "C:\\NONE\\DST.DAT"); }), 76);
  EXPECT_EQ(fs::file_size(ark / "Dst.Dat"), big.size());

  writeBytes(ark / "NEW.TMP", "fresh");
  files->rename("C:\\ARK\\NEW.TMP", "C:\\ARK\\dst.dat");
  EXPECT_EQ(bytesOf(ark / "Dst.Dat"), "fresh");
  EXPECT_EQ(numberOf([&] { files->rename("C:\\ARK\\NEW.TMP", "C:\\ARK\\X"); }), 53);
  EXPECT_EQ(numberOf([&] { files->rename("C:\\ARK\\SRC.DAT", "C:\\NONE\\X"); }), 76);
  EXPECT_EQ(files->list("C:\\ARK"), (Names{"Dst.Dat", "SRC.DAT"}));
  // The folder sync after renames: a folder in any spelling, and the errors of a missing one.
  files->syncFolder("C:\\ark");
  EXPECT_EQ(numberOf([&] { files->syncFolder("C:\\NONE"); }), 76);
  EXPECT_EQ(numberOf([&] { files->syncFolder("C:\\ARK\\NONE"); }), 76);

  // Out of space: the file size limit stands for a full disk, so writes past it fail.
  writeBytes(ark / "SRC.DAT", std::string(200000, 'n'));
  pid_t pid = ::fork();
  if (pid == 0) {
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit lim{50000, 50000};
    ::setrlimit(RLIMIT_FSIZE, &lim);
    ::_exit(numberOf([&] { files->copy("C:\\ARK\\SRC.DAT", "C:\\ARK\\DST.DAT"); }) == 61 ? 0 : 1);
  }
  int st = 0;
  ::waitpid(pid, &st, 0);
  EXPECT_TRUE(WIFEXITED(st) && WEXITSTATUS(st) == 0) << "the copy did not fail with 61";
  EXPECT_EQ(bytesOf(ark / "Dst.Dat"), "fresh");
  EXPECT_EQ(files->list("C:\\ARK"), (Names{"Dst.Dat", "SRC.DAT"}));
}

TEST_F(FilesTest, ExclusiveLockAgainstOtherProcessesAndOpens) {
  const char* sema = "C:\\ARK\\TRSEMA.DAT";
  {
    Holder child([&] { (void)makeHostFiles(dir.str())->openLocked(sema).release(); });
    ASSERT_TRUE(child.held);
    auto e = errorOf([&] { files->openLocked(sema); });
    EXPECT_EQ(e.number(), 70);
    EXPECT_NE(e.description().find("TRSEMA.DAT"), std::string::npos);
    // Shared opens are not refused: the lock only excludes other exclusive opens.
    EXPECT_NO_THROW(files->open(sema, OpenMode::Read));
  }
  // The holder's end releases the lock. Two exclusive opens in one process conflict as well.
  auto first = files->openLocked("c:\\ark\\trsema.dat");
  EXPECT_EQ(numberOf([&] { files->openLocked(sema); }), 70);
  first.reset();
  EXPECT_NO_THROW(files->openLocked(sema));
  EXPECT_EQ(files->list("C:\\ARK"), Names{"TRSEMA.DAT"});
  EXPECT_EQ(numberOf([&] { files->openLocked("C:\\NONE\\TRSEMA.DAT"); }), 76);
}

TEST_F(FilesTest, OneInstancePerInstallation) {
  testing::TempDir runtime, other;
  testing::EnvVar env("XDG_RUNTIME_DIR", runtime.str().c_str());
  auto lock = [](const std::string& root, const char* name = "zorir770") {
    return makeHostFiles(root)->acquireInstanceLock(name);
  };
  {
    Holder child([&] {
      if (!lock(dir.str()).release()) throw std::runtime_error("not acquired");
    });
    ASSERT_TRUE(child.held);
    // The same root through a trailing slash or a symbolic link is the same installation.
    fs::create_directory_symlink(dir.path(), runtime / "link");
    for (const std::string& root : {dir.str(), dir.str() + "/", (runtime / "link").string()})
      EXPECT_EQ(lock(root), nullptr) << root;
    fs::remove(runtime / "link");
    // Another installation or another program is not a second instance.
    EXPECT_NE(lock(other.str()), nullptr);
    EXPECT_NE(lock(dir.str(), "zorir77024"), nullptr);
  }
  auto mine = files->acquireInstanceLock("zorir770");
  EXPECT_NE(mine, nullptr);
  EXPECT_EQ(lock(dir.str()), nullptr);
  mine.reset();

  // A lock file that cannot be made is no other instance.
  Names lockNames = files->list(runtime.str());
  ASSERT_FALSE(lockNames.empty());
  for (const std::string& n : lockNames) {
    fs::remove(runtime / n);
    fs::create_directories(runtime / n);
  }
  EXPECT_NE(files->acquireInstanceLock("zorir770"), nullptr);
  EXPECT_NE(files->acquireInstanceLock("zorir770"), nullptr);
}

TEST_F(FilesTest, AKeptCopySurvivesTheRenameThatReplacesItsSource) {
  writeBytes(ark / "Set.V24", "previous set");
  files->keepCopy("C:\\ARK\\SET.V24", "C:\\ARK\\SET.V24.OLD");
  // A second name where the file system has them: no bytes copied.
  EXPECT_EQ(fs::hard_link_count(ark / "Set.V24"), 2u);
  writeBytes(ark / "NEW.TMP", "new set");
  files->rename("C:\\ARK\\NEW.TMP", "C:\\ARK\\SET.V24");
  EXPECT_EQ(bytesOf(ark / "Set.V24"), "new set");
  EXPECT_EQ(bytesOf(ark / "SET.V24.OLD"), "previous set");

  // A name already taken (here by a link to a file elsewhere) is replaced, never written through.
  writeBytes(dir / "OUTSIDE", "keep");
  fs::create_symlink(dir / "OUTSIDE", ark / "TAKEN");
  files->keepCopy("C:\\ARK\\SET.V24", "C:\\ARK\\TAKEN");
  EXPECT_EQ(bytesOf(dir / "OUTSIDE"), "keep");
  EXPECT_FALSE(fs::is_symlink(ark / "TAKEN"));
  EXPECT_EQ(bytesOf(ark / "TAKEN"), "new set");
  EXPECT_EQ(numberOf([&] { files->keepCopy("C:\\ARK\\NONE", "C:\\ARK\\X"); }), 53);
  EXPECT_EQ(numberOf([&] { files->keepCopy("C:\\ARK\\SET.V24", "C:\\NONE\\X"); }), 76);
}

}  // namespace
}  // namespace zr::platform
