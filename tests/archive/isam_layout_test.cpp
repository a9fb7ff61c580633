// The bytes that creation and insertion leave on disk, compared with layouts spelt out here
// entry by entry: the empty index, the first insertion, leaf splits, a new smallest key, and
// the refusals that must leave the file as it was.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "archive/isam_fixture.h"

namespace zr::testing {
namespace {

// 129 two-character keys in ascending byte order: "00", "01", ..., "99", ":0", ..., "<8".
std::string key(int i) {
  return {static_cast<char>('0' + i / 10), static_cast<char>('0' + i % 10)};
}
std::string ptr(int v) {
  std::string s = std::to_string(v);
  return std::string(6 - s.size(), '0') + s;
}

TEST(IsamLayout, CreatingKeepsTheCallersContextAndWritesTheEmptyRoot) {
  IsamFolder f(2, "ISAM###.DAT");
  std::string root;
  for (int i = 0; i < 128; ++i)
    root +=
        "\xFC\xFC"
        "1000000";
  ASSERT_EQ(root.size(), 1152u);

  // The index is closed: the call opens it itself, and both that open and the recreation that
  // follows need the company of the caller's context.
  f.lib().DITTAOPEN = "7";
  EXPECT_EQ(f.lib().NUMFILE(kIndexBase), 0);
  EXPECT_EQ(f.find("", 9), 1);
  EXPECT_TRUE(f.takeMessages().empty());
  EXPECT_EQ(f.readRaw("ISAM007.DAT"), root);

  // Over an index with keys: the archive starts again from the empty root alone.
  f.lib().DITTAOPEN = "7";
  EXPECT_EQ(f.find("AB", 1, 5), 5);
  EXPECT_EQ(f.readRaw("ISAM007.DAT").size(), 3u * 1152u);
  f.lib().DITTAOPEN = "7";
  EXPECT_EQ(f.find("ZZ", 9), 1);
  EXPECT_EQ(f.readRaw("ISAM007.DAT"), root);
  EXPECT_EQ(f.find("AB", 2), -1);
  EXPECT_EQ(f.find("  ", 4), 999999);
  EXPECT_TRUE(f.takeMessages().empty());
}

TEST(IsamLayout, CreatingRefusesARecordLengthThatHoldsNoKey) {
  for (int length : {1000, 896}) {  // not a multiple of 128; no room for a key
    IsamFolder f(2, "ISAM378.DAT", length);
    f.writeRaw("keep me");
    EXPECT_EQ(f.find("", 9), 0) << length;
    EXPECT_EQ(f.takeMessages(), std::vector<std::string>{"ERRORE ISAM - LUNK NO OK"});
    EXPECT_EQ(f.readRaw(), "keep me");
  }
}

TEST(IsamLayout, FirstInsertionLinksRootToMiddleTwoToLeafThree) {
  IsamFolder f(2);
  ASSERT_EQ(f.find("", 9), 1);
  EXPECT_EQ(f.find("AB", 1, 42), 42);
  std::string expected = "AB1000002";
  for (int i = 1; i < 128; ++i)
    expected +=
        "\xFC\xFC"
        "1000000";
  expected += "AB2000003";
  for (int i = 1; i < 128; ++i)
    expected +=
        "\xFC\xFC"
        "2000000";
  expected += "AB3000042";
  for (int i = 1; i < 128; ++i)
    expected +=
        "\xFC\xFC"
        "3000000";
  EXPECT_EQ(f.readRaw(), expected);
  EXPECT_EQ(f.find("AB", 2), 42);
  EXPECT_EQ(f.find("  ", 4), 42);
  EXPECT_EQ(f.find("AB", 4), 999999);
  EXPECT_TRUE(f.takeMessages().empty());
}

TEST(IsamLayout, FullLeafSplitsIntoAppendedNodeAtSixtyFour) {
  IsamFolder f(2);
  ASSERT_EQ(f.find("", 9), 1);
  for (int i = 0; i < 129; ++i) ASSERT_EQ(f.find(key(i), 1, 1000 + i), 1000 + i);
  // The 129th key found leaf 3 full: entries 65..128 moved to the new record 4, the new key
  // after them; the middle node names record 4 under its first key.
  std::vector<std::string> lower, upper;
  for (int i = 0; i < 64; ++i) lower.push_back(leafEntry(key(i), ptr(1000 + i)));
  for (int i = 64; i < 129; ++i) upper.push_back(leafEntry(key(i), ptr(1000 + i)));
  std::string expected = f.node(1, {rootEntry("00", "000002")}) +
                         f.node(2, {middleEntry("00", "000003"), middleEntry("64", "000004")}) +
                         f.node(3, lower) + f.node(3, upper);
  EXPECT_EQ(f.readRaw(), expected);

  // A key smaller than every key goes first in leaf 3 and becomes the first separator of the
  // middle node and of the root.
  EXPECT_EQ(f.find("!!", 1, 7), 7);
  lower.insert(lower.begin(), leafEntry("!!", "000007"));
  expected = f.node(1, {rootEntry("!!", "000002")}) +
             f.node(2, {middleEntry("!!", "000003"), middleEntry("64", "000004")}) +
             f.node(3, lower) + f.node(3, upper);
  EXPECT_EQ(f.readRaw(), expected);
  EXPECT_EQ(f.find("!!", 2), 7);
  EXPECT_EQ(f.find("  ", 4), 7);
  EXPECT_EQ(f.find("!!", 4), 1000);
  EXPECT_EQ(f.find("63", 4), 1064);
  EXPECT_TRUE(f.takeMessages().empty());
}

TEST(IsamLayout, KeyFallingInTheLowerHalfStaysInTheOldLeaf) {
  IsamFolder f(2);
  ASSERT_EQ(f.find("", 9), 1);
  for (int i = 0; i < 129; ++i) {
    if (i == 10) continue;
    ASSERT_EQ(f.find(key(i), 1, 1000 + i), 1000 + i);
  }
  ASSERT_EQ(f.find(key(10), 1, 1010), 1010);
  std::vector<std::string> lower, upper;
  for (int i = 0; i < 65; ++i) lower.push_back(leafEntry(key(i), ptr(1000 + i)));
  for (int i = 65; i < 129; ++i) upper.push_back(leafEntry(key(i), ptr(1000 + i)));
  std::string expected = f.node(1, {rootEntry("00", "000002")}) +
                         f.node(2, {middleEntry("00", "000003"), middleEntry("65", "000004")}) +
                         f.node(3, lower) + f.node(3, upper);
  EXPECT_EQ(f.readRaw(), expected);
}

// Root, middle node and leaf all full on the way of a key smaller than every key: the split
// would have to reach the root.
TEST(IsamLayout, FullIndexIsReportedAndLeftUntouched) {
  IsamFolder f(2);
  std::vector<std::string> root, middle, leaf;
  for (int i = 0; i < 128; ++i) {
    auto c = static_cast<char>(0x30 + i);
    leaf.push_back(leafEntry(std::string{'0', c}, ptr(i + 1)));
    middle.push_back(middleEntry(i == 0 ? "00" : std::string{'1', c}, "000003"));
    root.push_back(rootEntry(i == 0 ? "00" : std::string{'2', c}, "000002"));
  }
  f.writeIndex({f.node(1, root), f.node(2, middle), f.node(3, leaf)});
  std::string before = f.readRaw();
  EXPECT_EQ(f.find("!!", 1, 5), 0);
  EXPECT_EQ(f.takeMessages(), std::vector<std::string>{"ERRORE ISAM - INDICE PIENO 378"});
  EXPECT_EQ(f.readRaw(), before);
  EXPECT_EQ(f.find("!!", 2), -1);
  EXPECT_EQ(f.find("0\x35", 2), 6);
  // A key already present needs no room: its record number is replaced in place.
  EXPECT_EQ(f.find("0\x35", 1, 99), 99);
  EXPECT_EQ(f.find("0\x35", 2), 99);
  EXPECT_TRUE(f.takeMessages().empty());
}

TEST(IsamLayout, RefusedInsertionsLeaveTheFileAsItWas) {
  IsamFolder f(2);
  ASSERT_EQ(f.find("", 9), 1);
  ASSERT_EQ(f.find("AB", 1, 42), 42);
  std::string before = f.readRaw();
  struct Case {
    std::string key;
    double record;
    std::string message;
  };
  const std::vector<Case> cases = {
      {"CD", 0, "ERR.ISAM - N.REC.=0"},
      {"CD", -3, "ERR.ISAM - N.REC.=-3"},
      {"CD", 2.5, "ERR.ISAM - N.REC.=2.5"},
      {"CD", 999999, "ERR.ISAM - N.REC.=999999"},  // the walk's end mark
      {"CD", 1000000, "ERR.ISAM - N.REC.=1000000"},
      {"C\xFC", 5, "ERRORE ISAM - CARATTERE 252 NELLA CHIAVE"},
      {"\xFC\xFC", 5, "ERRORE ISAM - CARATTERE 252 NELLA CHIAVE"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(f.find(c.key, 1, c.record), 0) << c.message;
    EXPECT_EQ(f.takeMessages(), std::vector<std::string>{c.message});
    EXPECT_EQ(f.readRaw(), before) << c.message;
  }
}

TEST(IsamLayout, KeyAlreadyPresentTakesTheNewRecordNumber) {
  IsamFolder f(2);
  ASSERT_EQ(f.find("", 9), 1);
  ASSERT_EQ(f.find("AB", 1, 42), 42);
  ASSERT_EQ(f.find("CD", 1, 43), 43);
  EXPECT_EQ(f.find("AB", 1, 77), 77);
  EXPECT_EQ(f.readRaw().substr(2 * 1152, 18), "AB3000077CD3000043");
  EXPECT_EQ(f.find("AB", 2), 77);
  EXPECT_EQ(f.find("  ", 4), 77);
  EXPECT_EQ(f.find("AB", 4), 43);
  EXPECT_EQ(f.find("CD", 4), 999999);
}

}  // namespace
}  // namespace zr::testing
