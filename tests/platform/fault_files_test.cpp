// The tests' fault injector over the real backend: which call it breaks, how, and how often,
// since every sweep over "fail call k" relies on it counting and firing exactly.
#include "support/fault_files.h"

#include <gtest/gtest.h>

#include "platform/test_util.h"
#include "support/tempdir.h"

namespace zr::testing {
namespace {

namespace fs = std::filesystem;
using platform::OpenMode;

TEST(FaultFiles, BreaksTheNthCallOfAKindOnceOrFromThenOn) {
  TempDir dir;
  fs::create_directories(dir / "ARK");
  writeBytes(dir / "ARK" / "A.DAT", "0123456789");
  auto host = platform::makeHostFiles(dir.str());
  FaultFiles f(*host);
  const char* a = "C:\\ARK\\A.DAT";

  // The second read of A.DAT fails once with 57; the first and third read normally.
  f.inject(fail(Call::Read).nth(2).on("A.DAT"));
  auto file = f.open(a, OpenMode::ReadWrite);
  char buf[10];
  EXPECT_EQ(file->readAt(0, buf, 10), 10u);
  EXPECT_EQ(errorOf([&] { file->readAt(0, buf, 10); }).number(), 57);
  EXPECT_EQ(file->readAt(0, buf, 10), 10u);
  EXPECT_EQ(f.calls(Call::Read), 3);
  EXPECT_EQ(f.fired(), 1);
  f.clear();

  // A short read returns half; a short write puts half on disk and then reports the error.
  f.inject(fail(Call::Read).shortened());
  EXPECT_EQ(file->readAt(0, buf, 10), 5u);
  f.inject(fail(Call::Write, 61).shortened());
  EXPECT_EQ(errorOf([&] { file->writeAt(0, "abcdefghij"); }).number(), 61);
  EXPECT_EQ(bytesOf(dir / "ARK" / "A.DAT"), "abcde56789");

  // A full disk from the second write on: nothing more reaches the file.
  f.clear();
  f.inject(fail(Call::Write).nth(2).fromThenOn().diskFull());
  file->writeAt(0, "X");
  for (int i = 0; i < 3; ++i) EXPECT_EQ(errorOf([&] { file->writeAt(1, "Y"); }).number(), 61) << i;
  EXPECT_EQ(bytesOf(dir / "ARK" / "A.DAT"), "Xbcde56789");

  // Faults armed by another file's open, at one offset only; opens, syncs, renames, folder
  // syncs and locks by their own counts; a broken open makes the file look absent.
  f.clear();
  f.inject(fail(Call::Read).atOffset(4).after("B.DAT"));
  EXPECT_EQ(file->readAt(4, buf, 2), 2u);  // not armed yet
  f.open("C:\\ARK\\B.DAT", OpenMode::Truncate);
  EXPECT_EQ(file->readAt(0, buf, 2), 2u);  // armed, but another offset
  EXPECT_EQ(errorOf([&] { file->readAt(4, buf, 2); }).number(), 57);
  f.inject(fail(Call::Sync, 61));
  EXPECT_EQ(errorOf([&] { file->sync(); }).number(), 61);
  f.inject(fail(Call::Rename, 75).on("C.DAT"));
  f.rename("C:\\ARK\\B.DAT", "C:\\ARK\\D.DAT");  // another target: done
  EXPECT_EQ(errorOf([&] { f.rename("C:\\ARK\\D.DAT", "C:\\ARK\\C.DAT"); }).number(), 75);
  EXPECT_TRUE(fs::exists(dir / "ARK" / "D.DAT"));
  f.inject(fail(Call::FolderSync, 57).nth(2));
  f.syncFolder("C:\\ARK");
  EXPECT_EQ(errorOf([&] { f.syncFolder("C:\\ARK"); }).number(), 57);
  f.inject(fail(Call::Lock, 70));
  EXPECT_EQ(errorOf([&] { f.openLocked("C:\\ARK\\L.DAT"); }).number(), 70);
  EXPECT_NE(f.openLocked("C:\\ARK\\L.DAT"), nullptr);  // only once
  f.inject(fail(Call::Open, 70).on("A.DAT").fromThenOn());
  EXPECT_FALSE(f.exists(a));
  EXPECT_EQ(errorOf([&] { f.open(a, OpenMode::Read); }).number(), 70);
  EXPECT_TRUE(f.exists("C:\\ARK\\D.DAT"));
  EXPECT_EQ(f.calls(Call::Rename), 2);
  EXPECT_EQ(f.calls(Call::FolderSync), 2);
  EXPECT_EQ(f.calls(Call::Lock), 2);
}

}  // namespace
}  // namespace zr::testing
