// The Windows files backend on a real folder: shared opens, the whole-file lock, exclusive
// creation, replacement that keeps the existing spelling, and what is not a file.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/errors.h"
#include "platform/files.h"
#include "platform/test_util.h"
#include "support/tempdir.h"

namespace zr::platform {
namespace {

namespace fs = std::filesystem;
using testing::bytesOf;
using testing::errorOf;
using testing::writeBytes;
using Names = std::vector<std::string>;

class WinFilesTest : public ::testing::Test {
 protected:
  WinFilesTest() : files(makeHostFiles(dir.str())) { fs::create_directories(dir / "ARK"); }
  int numberOf(const std::function<void()>& call) { return errorOf(call).number(); }

  testing::TempDir dir;
  std::unique_ptr<Files> files;
};

TEST_F(WinFilesTest, OpensAreSharedAndOnlyFilesOpen) {
  writeBytes(dir / "ARK" / "TRPERARK.TRP", "0123456789");
  auto reader = files->open("C:\\ARK\\TRPERARK.TRP", OpenMode::Read);
  auto writer = files->open("c:\\ark\\trperark.trp", OpenMode::ReadWrite);
  writer->writeAt(10, "AB");
  char buf[16] = {};
  EXPECT_EQ(reader->readAt(8, buf, sizeof buf), 4u);
  EXPECT_EQ(std::string(buf, 4), "89AB");
  EXPECT_EQ(reader->size(), 12u);
  // Shared for deletion too: a file still open is moved away under its reader. A target that
  // is open is not replaced: refused as Windows refuses it, and kept whole.
  EXPECT_NO_THROW(files->rename("C:\\ARK\\TRPERARK.TRP", "C:\\ARK\\MOVED.TRP"));
  EXPECT_EQ(reader->readAt(0, buf, 4), 4u);
  writeBytes(dir / "ARK" / "NEW.TRP", "new");
  EXPECT_EQ(numberOf([&] { files->rename("C:\\ARK\\NEW.TRP", "C:\\ARK\\MOVED.TRP"); }), 70);
  EXPECT_EQ(bytesOf(dir / "ARK" / "MOVED.TRP"), "0123456789AB");
  reader.reset();
  writer.reset();
  EXPECT_NO_THROW(files->rename("C:\\ARK\\NEW.TRP", "C:\\ARK\\MOVED.TRP"));
  EXPECT_EQ(bytesOf(dir / "ARK" / "MOVED.TRP"), "new");

  EXPECT_EQ(numberOf([&] { files->open("C:\\ARK\\NONE.TRP", OpenMode::Read); }), 53);
  EXPECT_EQ(numberOf([&] { files->open("C:\\NONE\\A.TRP", OpenMode::Read); }), 76);
  fs::create_directories(dir / "ARK" / "SUB.TRP");
  const RuntimeError folder = errorOf([&] { files->open("C:\\ARK\\SUB.TRP", OpenMode::Read); });
  EXPECT_EQ(folder.number(), 75);
  EXPECT_NE(folder.description().find("SUB.TRP"), std::string::npos) << folder.description();
  EXPECT_FALSE(files->exists("C:\\ARK\\SUB.TRP"));
  EXPECT_TRUE(files->isDirectory("C:\\ARK\\SUB.TRP"));
  EXPECT_EQ(files->fileLength("C:\\ARK\\SUB.TRP"), std::nullopt);
  // A device name is no archive, with or without a root.
  EXPECT_EQ(numberOf([&] { makeHostFiles("")->open("NUL", OpenMode::Read); }), 75);
  EXPECT_FALSE(makeHostFiles("")->exists("NUL"));
}

TEST_F(WinFilesTest, TheSemaphoreLockRefusesEveryOtherHandle) {
  const char* sema = "C:\\ARK\\TRSEMA.DAT";
  auto held = files->openLocked(sema);
  const RuntimeError e = errorOf([&] { makeHostFiles(dir.str())->openLocked(sema); });
  EXPECT_EQ(e.number(), 70);
  EXPECT_NE(e.description().find("TRSEMA.DAT"), std::string::npos) << e.description();
  auto lockable = files->openLockable(sema);
  EXPECT_EQ(numberOf([&] { lockable->lock(); }), 70);
  held.reset();  // the handle's close gives the lock back
  File& locked = lockable->lock();
  locked.writeAt(0, "x");
  EXPECT_EQ(numberOf([&] { files->openLocked(sema); }), 70);
  lockable->unlock();
  EXPECT_NO_THROW(files->openLocked(sema));
  lockable->lock();
  lockable.reset();  // closed while held: released with the handle
  EXPECT_NO_THROW(files->openLocked(sema));
  EXPECT_EQ(numberOf([&] { files->openLocked("C:\\NONE\\TRSEMA.DAT"); }), 76);
}

TEST_F(WinFilesTest, TemporariesAreNewAndReplaceTheirTarget) {
  writeBytes(dir / "ARK" / "fronte.v24", "old set");
  // An existing name is never opened for creation, nor written through.
  EXPECT_EQ(numberOf([&] { files->open("C:\\ARK\\FRONTE.V24", OpenMode::CreateNew); }), 58);
  EXPECT_EQ(bytesOf(dir / "ARK" / "fronte.v24"), "old set");

  Temporary temp = createTemporary(*files, "C:\\ARK\\FRONTE.V24");
  ASSERT_NE(temp.file, nullptr);
  EXPECT_TRUE(isTemporaryName(fs::path(files->resolve(temp.path)).filename().string())) << temp.path;
  temp.file->writeAt(0, "new set");
  temp.file->sync();
  temp.file.reset();
  files->rename(temp.path, "C:\\ARK\\FRONTE.V24");
  files->syncFolder("C:\\ARK");
  // The existing spelling stays, and nothing is left beside it.
  EXPECT_EQ(files->list("C:\\ARK"), Names{"fronte.v24"});
  EXPECT_EQ(bytesOf(dir / "ARK" / "fronte.v24"), "new set");

  files->writeText("C:\\ARK\\Fronte.V24", "text\r\nlines\n");
  files->copy("C:\\ARK\\FRONTE.V24", "C:\\ARK\\COPY.V24");
  EXPECT_EQ(files->list("C:\\ARK"), (Names{"COPY.V24", "fronte.v24"}));
  EXPECT_EQ(files->readLines("C:\\ARK\\COPY.V24"), (Names{"text", "lines"}));
  EXPECT_EQ(numberOf([&] { files->syncFolder("C:\\ARK\\NONE"); }), 76);
  EXPECT_EQ(numberOf([&] { files->rename("C:\\ARK\\NONE", "C:\\ARK\\X"); }), 53);
  files->makeDirectories("C:\\ARK\\A\\B\\");
  EXPECT_TRUE(fs::is_directory(dir / "ARK" / "A" / "B"));
  // The kept copy is a second name where the volume has them, else the bytes: either way its
  // content stays when the first name is replaced.
  files->keepCopy("C:\\ARK\\COPY.V24", "C:\\ARK\\KEPT.V24");
  files->writeText("C:\\ARK\\COPY.V24", "newer");
  EXPECT_EQ(bytesOf(dir / "ARK" / "KEPT.V24"), "text\r\nlines\n");
  files->keepCopy("C:\\ARK\\COPY.V24", "C:\\ARK\\KEPT.V24");  // a name already taken
  EXPECT_EQ(bytesOf(dir / "ARK" / "KEPT.V24"), "newer");
  EXPECT_EQ(numberOf([&] { files->keepCopy("C:\\ARK\\NONE", "C:\\ARK\\X"); }), 53);
  files->remove("C:\\ARK\\KEPT.V24");
  files->remove("C:\\ARK\\COPY.V24");
  EXPECT_EQ(numberOf([&] { files->remove("C:\\ARK\\COPY.V24"); }), 53);
}

TEST_F(WinFilesTest, PathsUnderARootAndAsTheyAre) {
  EXPECT_EQ(files->resolve("C:\\ARK\\X.DAT"), dir.str() + "\\ARK\\X.DAT");
  EXPECT_EQ(files->resolve("\\ARK\\.\\..\\..\\X.DAT"), dir.str() + "\\X.DAT");
  // A path already under the root is the host's own (a test's INI file, a database).
  EXPECT_EQ(files->resolve(dir.str() + "/ARK/X.DAT"), dir.str() + "\\ARK\\X.DAT");
  EXPECT_EQ(files->resolve(dir.str() + "ARK\\X.DAT"), dir.str() + "\\" + dir.str().substr(3) +
                                                         "ARK\\X.DAT");
  // Without a root a path is the system's own.
  EXPECT_EQ(makeHostFiles("")->resolve("C:\\RORIZIDO\\TRPERARK.TRP"),
            "C:\\RORIZIDO\\TRPERARK.TRP");
  // CP1252 names are the bytes of the archives, through the ANSI functions.
  files->writeText("C:\\ARK\\CITT\xC0.TXT", "x");
  EXPECT_EQ(files->list("C:\\ARK"), Names{"CITT\xC0.TXT"});
  EXPECT_TRUE(files->exists("C:\\ARK\\citt\xE0.txt"));
}

}  // namespace
}  // namespace zr::platform
