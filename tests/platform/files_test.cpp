// The host Files backend on real files: opens and their errors, positioned I/O, text lines,
// copies and renames that never leave half files, and the locks across processes.
#include "platform/files.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>

#include "platform/errors.h"
#include "support/tempdir.h"

namespace zr::platform {
namespace {

namespace fs = std::filesystem;

void touch(const fs::path& p, const std::string& content = "") {
  std::ofstream(p, std::ios::binary) << content;
}

std::string slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// Runs `call` and returns the RuntimeError it throws (number 0 when it throws none).
RuntimeError errorOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const RuntimeError& e) {
    return e;
  }
  return RuntimeError(0, "no error");
}

// A child process that runs `hold`, tells the parent, and waits for leave() before exiting.
class Holder {
 public:
  explicit Holder(const std::function<void()>& hold) {
    if (::pipe(ready_) != 0 || ::pipe(release_) != 0) throw std::runtime_error("pipe");
    pid_ = ::fork();
    if (pid_ == 0) {
      ::close(ready_[0]);
      ::close(release_[1]);
      char status = 'k';
      try {
        hold();
      } catch (...) {
        status = 'f';
      }
      (void)!::write(ready_[1], &status, 1);
      char c;
      (void)!::read(release_[0], &c, 1);
      ::_exit(0);
    }
    ::close(ready_[1]);
    ::close(release_[0]);
    char status = 0;
    held_ = ::read(ready_[0], &status, 1) == 1 && status == 'k';
  }
  ~Holder() { leave(); }
  bool held() const { return held_; }
  void leave() {
    if (pid_ <= 0) return;
    ::close(release_[1]);
    ::close(ready_[0]);
    int st = 0;
    ::waitpid(pid_, &st, 0);
    pid_ = -1;
  }

 private:
  int ready_[2];
  int release_[2];
  pid_t pid_ = -1;
  bool held_ = false;
};

class FilesTest : public ::testing::Test {
 protected:
  FilesTest() : files(makeHostFiles(dir.str())) { fs::create_directories(dir / "ARK"); }
  testing::TempDir dir;
  std::unique_ptr<Files> files;
};

TEST_F(FilesTest, OpenModesAndTheirErrors) {
  auto e = errorOf([&] { files->open("C:\\ARK\\MISSING.DAT", OpenMode::Read); });
  EXPECT_EQ(e.number(), 53);
  EXPECT_NE(e.description().find("C:\\ARK\\MISSING.DAT"), std::string::npos) << e.description();
  EXPECT_NE(e.description().find(dir.str() + "/ARK/MISSING.DAT"), std::string::npos);
  EXPECT_EQ(errorOf([&] { files->open("C:\\NOFOLDER\\X.DAT", OpenMode::Read); }).number(), 76);
  EXPECT_EQ(errorOf([&] { files->open("C:\\NOFOLDER\\X.DAT", OpenMode::ReadWrite); }).number(), 76);
  EXPECT_EQ(errorOf([&] { files->open("C:\\ARK", OpenMode::Read); }).number(), 75);
  EXPECT_EQ(errorOf([&] { files->open("C:\\ARK", OpenMode::ReadWrite); }).number(), 75);
  EXPECT_FALSE(fs::exists(dir / "ARK" / "MISSING.DAT"));

  // ReadWrite creates a missing file empty and keeps an existing one.
  {
    auto f = files->open("C:\\ARK\\NEW.DAT", OpenMode::ReadWrite);
    EXPECT_EQ(f->size(), 0u);
    EXPECT_EQ(f->path(), "C:\\ARK\\NEW.DAT");
    f->writeAt(0, "ABCDEF");
  }
  {
    auto f = files->open("c:\\ark\\new.dat", OpenMode::ReadWrite);
    EXPECT_EQ(f->size(), 6u);
  }
  {
    auto f = files->open("C:\\ARK\\NEW.DAT", OpenMode::Truncate);
    EXPECT_EQ(f->size(), 0u);
  }
  EXPECT_EQ(fs::file_size(dir / "ARK" / "NEW.DAT"), 0u);

  // Writing through a read-only open is a bad file mode, naming the file.
  touch(dir / "ARK" / "RO.DAT", "x");
  auto ro = files->open("C:\\ARK\\RO.DAT", OpenMode::Read);
  auto w = errorOf([&] { ro->writeAt(0, "y"); });
  EXPECT_EQ(w.number(), 54);
  EXPECT_NE(w.description().find("RO.DAT"), std::string::npos);
}

TEST_F(FilesTest, PositionedReadsAndWrites) {
  auto f = files->open("C:\\ARK\\REC.DAT", OpenMode::ReadWrite);
  f->writeAt(0, "0123456789");
  f->writeAt(20, "XY");  // past the end: the gap reads as NULs
  EXPECT_EQ(f->size(), 22u);
  char buf[8];
  EXPECT_EQ(f->readAt(8, buf, 8), 8u);
  EXPECT_EQ(std::string(buf, 8), std::string("89\0\0\0\0\0\0", 8));
  EXPECT_EQ(f->readAt(18, buf, 8), 4u);  // short at the end
  EXPECT_EQ(std::string(buf, 4), std::string("\0\0XY", 4));
  EXPECT_EQ(f->readAt(22, buf, 8), 0u);
  EXPECT_EQ(f->readAt(1000, buf, 8), 0u);
  f->sync();
  EXPECT_EQ(slurp(dir / "ARK" / "REC.DAT"), std::string("0123456789\0\0\0\0\0\0\0\0\0\0XY", 22));

  // Two shared opens of one file see each other's writes.
  auto g = files->open("C:\\ARK\\REC.DAT", OpenMode::ReadWrite);
  g->writeAt(2, "ab");
  EXPECT_EQ(f->readAt(0, buf, 4), 4u);
  EXPECT_EQ(std::string(buf, 4), "01ab");
}

TEST_F(FilesTest, QueriesOnFilesAndFolders) {
  touch(dir / "ARK" / "Full.Dat", "12345");
  touch(dir / "ARK" / "EMPTY.DAT");
  fs::create_directories(dir / "ARK" / "SubFolder");
  EXPECT_TRUE(files->exists("C:\\ARK\\FULL.DAT"));
  EXPECT_TRUE(files->exists("C:\\ARK\\EMPTY.DAT"));
  EXPECT_FALSE(files->exists("C:\\ARK\\SUBFOLDER"));
  EXPECT_FALSE(files->exists("C:\\ARK\\NONE.DAT"));
  EXPECT_FALSE(files->exists("C:\\NONE\\NONE.DAT"));
  EXPECT_TRUE(files->isDirectory("C:\\ARK\\SUBFOLDER"));
  EXPECT_TRUE(files->isDirectory("C:\\"));
  EXPECT_FALSE(files->isDirectory("C:\\ARK\\FULL.DAT"));
  EXPECT_EQ(files->fileLength("C:\\ARK\\FULL.DAT"), 5u);
  EXPECT_EQ(files->fileLength("C:\\ARK\\EMPTY.DAT"), 0u);
  EXPECT_EQ(files->fileLength("C:\\ARK\\SUBFOLDER"), std::nullopt);
  EXPECT_EQ(files->fileLength("C:\\ARK\\NONE.DAT"), std::nullopt);
  EXPECT_EQ(files->list("C:\\ARK"), (std::vector<std::string>{"EMPTY.DAT", "Full.Dat"}));
  EXPECT_EQ(errorOf([&] { files->list("C:\\NOWHERE"); }).number(), 76);

  files->remove("C:\\ARK\\full.dat");
  EXPECT_FALSE(fs::exists(dir / "ARK" / "Full.Dat"));
  EXPECT_EQ(errorOf([&] { files->remove("C:\\ARK\\FULL.DAT"); }).number(), 53);
  EXPECT_EQ(errorOf([&] { files->remove("C:\\ARK\\SUBFOLDER"); }).number(), 75);

  files->makeDirectories("C:\\ark\\subfolder\\A\\B");
  EXPECT_TRUE(fs::is_directory(dir / "ARK" / "SubFolder" / "A" / "B"));
  files->makeDirectories("C:\\ARK\\SUBFOLDER\\A");  // already there
  EXPECT_EQ(errorOf([&] { files->makeDirectories("C:\\ARK\\EMPTY.DAT\\X"); }).number(), 75);
}

TEST_F(FilesTest, TextLinesFromWindowsAndUnix) {
  struct Case {
    std::string content;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {"", {}},
      {"A\r\nB\r\n", {"A", "B"}},
      {"A\nB\n", {"A", "B"}},
      {"A\r\nB", {"A", "B"}},  // a last line without its end
      {"\r\n\r\nC", {"", "", "C"}},
      {"A\rB\n", {"A\rB"}},  // a lone CR is data
      {"X\r\r\n", {"X\r"}},
      {"C:\\RORIZIDO\r\n", {"C:\\RORIZIDO"}},
  };
  for (const Case& c : cases) {
    touch(dir / "ARK" / "T.TXT", c.content);
    EXPECT_EQ(files->readLines("C:\\ARK\\T.TXT"), c.lines) << ::testing::PrintToString(c.content);
  }
  EXPECT_EQ(errorOf([&] { files->readLines("C:\\ARK\\NOTE.TXT"); }).number(), 53);

  files->writeText("C:\\ARK\\TASK.TXT", "01\r\n");
  EXPECT_EQ(slurp(dir / "ARK" / "TASK.TXT"), "01\r\n");
  files->writeText("C:\\ARK\\TASK.TXT", "2");
  EXPECT_EQ(slurp(dir / "ARK" / "TASK.TXT"), "2");
  EXPECT_EQ(files->list("C:\\ARK"), (std::vector<std::string>{"T.TXT", "TASK.TXT"}));
  EXPECT_EQ(errorOf([&] { files->writeText("C:\\NONE\\TASK.TXT", "x"); }).number(), 76);
}

TEST_F(FilesTest, CopyAndRenameReplaceTheTarget) {
  std::string big(3 << 20, '\0');  // more than one copy chunk
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7 + i / 4096);
  touch(dir / "ARK" / "SRC.DAT", big);
  touch(dir / "ARK" / "Dst.Dat", "old content");
  files->copy("C:\\ARK\\SRC.DAT", "C:\\ARK\\DST.DAT");
  EXPECT_EQ(slurp(dir / "ARK" / "Dst.Dat"), big);
  EXPECT_EQ(files->list("C:\\ARK"), (std::vector<std::string>{"Dst.Dat", "SRC.DAT"}));

  // A copy that cannot start leaves the target and the folder as they were.
  EXPECT_EQ(errorOf([&] { files->copy("C:\\ARK\\NONE.DAT", "C:\\ARK\\DST.DAT"); }).number(), 53);
  EXPECT_EQ(errorOf([&] { files->copy("C:\\ARK\\SRC.DAT", "C:\\NONE\\DST.DAT"); }).number(), 76);
  EXPECT_EQ(fs::file_size(dir / "ARK" / "Dst.Dat"), big.size());

  touch(dir / "ARK" / "NEW.TMP", "fresh");
  files->rename("C:\\ARK\\NEW.TMP", "C:\\ARK\\dst.dat");
  EXPECT_EQ(slurp(dir / "ARK" / "Dst.Dat"), "fresh");
  EXPECT_FALSE(fs::exists(dir / "ARK" / "NEW.TMP"));
  EXPECT_EQ(errorOf([&] { files->rename("C:\\ARK\\NEW.TMP", "C:\\ARK\\X"); }).number(), 53);
  EXPECT_EQ(errorOf([&] { files->rename("C:\\ARK\\SRC.DAT", "C:\\NONE\\X"); }).number(), 76);
  EXPECT_TRUE(fs::exists(dir / "ARK" / "SRC.DAT"));
}

TEST_F(FilesTest, CopyThatRunsOutOfSpaceLeavesTheOldTarget) {
  touch(dir / "ARK" / "SRC.DAT", std::string(200000, 'n'));
  touch(dir / "ARK" / "DST.DAT", "old");
  pid_t pid = ::fork();
  if (pid == 0) {
    // The file size limit stands for a full disk: writes past it fail.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit lim{50000, 50000};
    ::setrlimit(RLIMIT_FSIZE, &lim);
    int number = errorOf([&] { files->copy("C:\\ARK\\SRC.DAT", "C:\\ARK\\DST.DAT"); }).number();
    ::_exit(number == 61 ? 0 : 1);
  }
  int st = 0;
  ::waitpid(pid, &st, 0);
  EXPECT_TRUE(WIFEXITED(st) && WEXITSTATUS(st) == 0) << "the copy did not fail with 61";
  EXPECT_EQ(slurp(dir / "ARK" / "DST.DAT"), "old");
  EXPECT_EQ(files->list("C:\\ARK"), (std::vector<std::string>{"DST.DAT", "SRC.DAT"}));
}

TEST_F(FilesTest, ExclusiveLockAgainstOtherProcessesAndOpens) {
  const char* sema = "C:\\ARK\\TRSEMA.DAT";
  {
    Holder child([&] { (void)makeHostFiles(dir.str())->openLocked(sema).release(); });
    ASSERT_TRUE(child.held());
    auto e = errorOf([&] { files->openLocked(sema); });
    EXPECT_EQ(e.number(), 70);
    EXPECT_NE(e.description().find("TRSEMA.DAT"), std::string::npos);
    // Shared opens are not refused: the lock only excludes other exclusive opens.
    EXPECT_NO_THROW(files->open(sema, OpenMode::Read));
    child.leave();
    EXPECT_NO_THROW(files->openLocked(sema));
  }
  // Two exclusive opens within one process conflict as well; closing releases the lock.
  auto first = files->openLocked("c:\\ark\\trsema.dat");
  EXPECT_EQ(errorOf([&] { files->openLocked(sema); }).number(), 70);
  first.reset();
  EXPECT_NO_THROW(files->openLocked(sema));
  EXPECT_EQ(files->list("C:\\ARK"), std::vector<std::string>{"TRSEMA.DAT"});
  EXPECT_EQ(errorOf([&] { files->openLocked("C:\\NONE\\TRSEMA.DAT"); }).number(), 76);
}

TEST_F(FilesTest, OneInstancePerInstallation) {
  testing::TempDir runtime;
  const char* saved = std::getenv("XDG_RUNTIME_DIR");
  std::string savedValue = saved ? saved : "";
  ::setenv("XDG_RUNTIME_DIR", runtime.str().c_str(), 1);

  {
    Holder child([&] {
      auto keep = makeHostFiles(dir.str())->acquireInstanceLock("zorir770");
      if (!keep) throw std::runtime_error("not acquired");
      keep.release();
    });
    ASSERT_TRUE(child.held());
    EXPECT_EQ(files->acquireInstanceLock("zorir770"), nullptr);
    // The same root spelled with a trailing slash is the same installation.
    EXPECT_EQ(makeHostFiles(dir.str() + "/")->acquireInstanceLock("zorir770"), nullptr);
    fs::create_directory_symlink(dir.path(), runtime / "link");
    EXPECT_EQ(makeHostFiles((runtime / "link").string())->acquireInstanceLock("zorir770"), nullptr);
    fs::remove(runtime / "link");
    // Another installation or another program is not a second instance.
    testing::TempDir other;
    EXPECT_NE(makeHostFiles(other.str())->acquireInstanceLock("zorir770"), nullptr);
    EXPECT_NE(files->acquireInstanceLock("zorir77024"), nullptr);
    child.leave();
  }
  auto mine = files->acquireInstanceLock("zorir770");
  EXPECT_NE(mine, nullptr);
  EXPECT_EQ(makeHostFiles(dir.str())->acquireInstanceLock("zorir770"), nullptr);
  mine.reset();

  // A lock file that cannot be made is no other instance.
  auto lockNames = files->list(runtime.str());
  ASSERT_FALSE(lockNames.empty());
  for (const std::string& n : lockNames) {
    fs::remove(runtime / n);
    fs::create_directories(runtime / n);
  }
  EXPECT_NE(files->acquireInstanceLock("zorir770"), nullptr);
  EXPECT_NE(files->acquireInstanceLock("zorir770"), nullptr);

  if (saved)
    ::setenv("XDG_RUNTIME_DIR", savedValue.c_str(), 1);
  else
    ::unsetenv("XDG_RUNTIME_DIR");
}

}  // namespace
}  // namespace zr::platform
