// Exact lookup and next key on indexes written byte by byte, so the expected results follow
// from the files alone: entry checks, walk boundaries, full nodes, empty index.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "archive/isam_fixture.h"

namespace zr::testing {
namespace {

TEST(IsamLookup, ExactLookupReadsThreeRecordsAndFindsOnlyPresentKeys) {
  IsamFolder f(2);
  f.writeIndex(smallTree(f));
  const std::map<std::string, double> present = {{"B0", 101}, {"B2", 102}, {"B5", 103},
                                                 {"B7", 104}, {"D0", 105}, {"D3", 106},
                                                 {"D5", 107}, {"D9", 108}};
  for (const auto& [key, record] : present) {
    auto before = f.lib().recordsRead();
    EXPECT_EQ(f.find(key, 2), record) << key;
    EXPECT_EQ(f.lib().recordsRead() - before, 3u) << key;
  }
  for (std::string key : {"A0", "B1", "B3", "B9", "C0", "D1", "D6", "E0", "\xFF\xFF"}) {
    auto before = f.lib().recordsRead();
    EXPECT_EQ(f.find(key, 2), -1) << key;
    EXPECT_EQ(f.lib().recordsRead() - before, 3u) << key;
  }
  EXPECT_TRUE(f.takeMessages().empty());
}

TEST(IsamLookup, NextKeyCrossesLeafAndMiddleBoundaries) {
  IsamFolder f(2);
  f.writeIndex(smallTree(f));
  struct Case {
    std::string key;
    double next;
    std::uint64_t reads;  // records read by the call
  };
  const std::vector<Case> cases = {
      {"  ", 101, 3},     // blank: the first key
      {"A0", 101, 3},     // smaller than every key
      {"B0", 102, 3},     // equal: the next one, not itself
      {"B1", 102, 3},     // between: the larger one
      {"B2", 103, 4},     // last of a leaf: next leaf through the middle node
      {"B3", 103, 4},     // between two leaves: the lower one first
      {"B7", 105, 5},     // last of a middle node: through the root
      {"C0", 105, 5},     // between middle nodes
      {"D3", 107, 4},     //
      {"D9", 999999, 3},  // the last key
      {"E0", 999999, 3},  // beyond the last key
      {"\xFF\xFF", 999999, 3},
  };
  for (const auto& c : cases) {
    auto before = f.lib().recordsRead();
    EXPECT_EQ(f.find(c.key, 4), c.next) << c.key;
    EXPECT_EQ(f.lib().recordsRead() - before, c.reads) << c.key;
  }
  EXPECT_TRUE(f.takeMessages().empty());
}

TEST(IsamLookup, EmptyIndexGivesAbsentAndEnd) {
  IsamFolder f(2);
  f.writeIndex({f.node(1, {})});
  for (std::string key : {"AA", "00", "\xFF\xFF"}) {
    EXPECT_EQ(f.find(key, 2), -1) << key;
    EXPECT_EQ(f.find(key, 4), 999999) << key;
    EXPECT_EQ(f.find(key, 3), -1) << key;
  }
  EXPECT_EQ(f.find("  ", 4), 999999);
  EXPECT_TRUE(f.takeMessages().empty());
}

TEST(IsamLookup, EntryChecksShowTheirMessageInOrderAndReturnZero) {
  IsamFolder f(2);
  f.writeRaw("");
  f.open();
  // An empty file is reported first, whatever else is wrong.
  EXPECT_EQ(f.find("AB", 2), 0);
  EXPECT_EQ(f.find("ABC", 7), 0);
  EXPECT_EQ(f.find("AB", 1, 5), 0);
  EXPECT_EQ(f.takeMessages(), (std::vector<std::string>{"ERRORE ISAM - FILE VUOTO 378",
                                                        "ERRORE ISAM - FILE VUOTO 378",
                                                        "ERRORE ISAM - FILE VUOTO 378"}));

  f.writeIndex(smallTree(f));
  struct Case {
    std::string key;
    int mode;
    std::string message;
  };
  const std::vector<Case> cases = {
      {"", 2, "ERRORE ISAM - LUNK=0"},
      {"", 4, "ERRORE ISAM - LUNK=0"},
      {"B", 2, "ERRORE ISAM - LUNK NO OK"},
      {"B00", 2, "ERRORE ISAM - LUNK NO OK"},
      {"B00", 4, "ERRORE ISAM - LUNK NO OK"},
      {"   ", 2, "ERRORE ISAM - LUNK NO OK"},  // length before blankness
      {"  ", 2, "ERRORE ISAM - K=BLANK"},
      {"  ", 1, "ERRORE ISAM - K=BLANK"},
      {"  ", 3, "ERRORE ISAM - K=BLANK"},
      {"  ", 5, "ERRORE ISAM - K=BLANK"},  // blankness before the mode
      {"B0", 5, "ERRORE CODICE ISAM 5"},
      {"B0", 0, "ERRORE CODICE ISAM 0"},
      {"B0", -2, "ERRORE CODICE ISAM -2"},
  };
  for (const auto& c : cases) {
    auto before = f.lib().recordsRead();
    EXPECT_EQ(f.find(c.key, c.mode, 7), 0) << c.key << " mode " << c.mode;
    EXPECT_EQ(f.takeMessages(), std::vector<std::string>{c.message}) << c.key;
    EXPECT_EQ(f.lib().recordsRead(), before) << "no node is read after a failed check";
  }
  // Nothing was changed by the refused calls.
  EXPECT_EQ(f.find("B7", 2), 104);
  EXPECT_EQ(f.find("B7", 4), 105);
}

// A tree of the given fan-outs (entries in the root, in each middle node, in each leaf) with
// keys "0002", "0004", ... and data records 500, 501, ... in key order.
struct FanTree {
  std::vector<std::string> records;
  std::vector<std::string> keys;
};
FanTree fanTree(const IsamFolder& f, int roots, int middles, int leaves) {
  auto key = [](int i) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d", 2 * i + 2);
    return std::string(buf);
  };
  auto ptr = [](int v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%06d", v);
    return std::string(buf);
  };
  FanTree t;
  std::vector<std::string> rootEntries;
  std::vector<std::string> middleNodes, leafNodes;
  int firstMiddle = 2;
  int firstLeaf = firstMiddle + roots;
  int k = 0;
  for (int r = 0; r < roots; ++r) {
    std::vector<std::string> middleEntries;
    rootEntries.push_back(rootEntry(key(k), ptr(firstMiddle + r)));
    for (int m = 0; m < middles; ++m) {
      std::vector<std::string> leafEntries;
      int leafRecord = firstLeaf + r * middles + m;
      middleEntries.push_back(middleEntry(key(k), ptr(leafRecord)));
      for (int l = 0; l < leaves; ++l, ++k) {
        leafEntries.push_back(leafEntry(key(k), ptr(500 + k)));
        t.keys.push_back(key(k));
      }
      leafNodes.push_back(f.node(3, leafEntries));
    }
    middleNodes.push_back(f.node(2, middleEntries));
  }
  t.records.push_back(f.node(1, rootEntries));
  t.records.insert(t.records.end(), middleNodes.begin(), middleNodes.end());
  t.records.insert(t.records.end(), leafNodes.begin(), leafNodes.end());
  return t;
}

// Nodes with all 128 entries used have no free entry to stop a search or a walk.
TEST(IsamLookup, FullNodesAtEveryLevel) {
  struct Shape {
    int roots, middles, leaves;
  };
  for (Shape s : {Shape{1, 1, 128}, Shape{1, 128, 1}, Shape{128, 1, 1}, Shape{2, 128, 2}}) {
    SCOPED_TRACE(::testing::Message() << s.roots << "x" << s.middles << "x" << s.leaves);
    IsamFolder f(4);
    FanTree t = fanTree(f, s.roots, s.middles, s.leaves);
    f.writeIndex(t.records);
    for (std::size_t i = 0; i < t.keys.size(); ++i) {
      auto before = f.lib().recordsRead();
      ASSERT_EQ(f.find(t.keys[i], 2), 500.0 + static_cast<double>(i)) << t.keys[i];
      ASSERT_EQ(f.lib().recordsRead() - before, 3u);
      std::string between = t.keys[i];
      between[3] = static_cast<char>(between[3] - 1);  // odd numbers are absent
      ASSERT_EQ(f.find(between, 2), -1) << between;
      ASSERT_EQ(f.find(between, 4), 500.0 + static_cast<double>(i)) << between;
    }
    EXPECT_EQ(f.find("9999", 2), -1);
    EXPECT_EQ(f.find(t.keys.back(), 4), 999999);
    EXPECT_EQ(f.find("9999", 4), 999999);
    // The caller's walk: from a blank key through every key in order.
    std::string k = "    ";
    for (std::size_t i = 0; i < t.keys.size(); ++i) {
      double r = f.find(k, 4);
      ASSERT_EQ(r, 500.0 + static_cast<double>(i)) << "after " << k;
      k = t.keys[i];
    }
    EXPECT_EQ(f.find(k, 4), 999999);
    EXPECT_TRUE(f.takeMessages().empty());
  }
}

}  // namespace
}  // namespace zr::testing

namespace zr::testing {
namespace {

// Root -> one middle node naming leaf 3 (B0, B2), thirty emptied leaves 4..33 and leaf 34 (D0);
// `again` makes the last emptied entry name leaf `again` instead of its own.
std::vector<std::string> manyEmptiedLeaves(const IsamFolder& f, int again = 0) {
  std::vector<std::string> middle = {middleEntry("B0", "000003")};
  std::vector<std::string> records = {f.node(1, {rootEntry("B0", "000002")}), ""};
  records.push_back(f.node(3, {leafEntry("B0", "000101"), leafEntry("B2", "000102")}));
  for (int j = 0; j < 30; ++j) {
    int leaf = (j == 29 && again) ? again : 4 + j;
    middle.push_back(middleEntry(std::string{'C', static_cast<char>('a' + j)},
                                 "0000" + std::to_string(leaf / 10) + std::to_string(leaf % 10)));
    records.push_back(f.node(3, {}));
  }
  middle.push_back(middleEntry("D0", "000034"));
  records.push_back(f.node(3, {leafEntry("D0", "000105")}));
  records[1] = f.node(2, middle);
  return records;
}

TEST(IsamLookup, OneWalkPassesOverManyEmptiedLeaves) {
  IsamFolder f(2);
  f.writeIndex(manyEmptiedLeaves(f));
  auto before = f.lib().recordsRead();
  EXPECT_EQ(f.find("B2", 4), 105);
  EXPECT_EQ(f.lib().recordsRead() - before, 34u);
  EXPECT_EQ(f.find("Cm", 2), -1);
  EXPECT_EQ(f.find("Cm", 4), 105);
  EXPECT_EQ(f.find("D0", 2), 105);
  EXPECT_TRUE(f.takeMessages().empty());

  // The same walk meeting leaf 25 a second time, long after it was first read.
  f.writeIndex(manyEmptiedLeaves(f, 25));
  EXPECT_EQ(f.find("B2", 4), 0);
  EXPECT_EQ(f.takeMessages(), std::vector<std::string>{"ERRORE ISAM - INDICE DANNEGGIATO 378"});
}

}  // namespace
}  // namespace zr::testing
