// Lookup, next key, deletion and damage on indexes written byte by byte, so the expected
// results follow from the files alone.
#include <gtest/gtest.h>

#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "archive/isam_fixture.h"

namespace zr::testing {
namespace {

TEST(IsamLookup, ExactAndNextKeyReadOnlyTheNodesOnTheirWay) {
  IsamFolder f(2);
  f.writeIndex(smallTree(f));
  struct Case {
    std::string key;
    double exact, next, nextReads;
  };
  const std::vector<Case> cases =
      {
          {"  ", -1, 101, 3},  // blank: the first key
          {"A0", -1, 101, 3},  // smaller than every key
          {"B0", 101, 102, 3},    {"B1", -1, 102, 3},
          {"B2", 102, 103, 4},  // last of a leaf: next leaf through the middle node
          {"B3", -1, 103, 4},     {"B5", 103, 104, 3},
          {"B7", 104, 105, 5},  // through the root
          {"B9", -1, 105, 5},     {"D0", 105, 106, 3},
          {"D3", 106, 107, 4},    {"D6", -1, 108, 3},
          {"D9", 108, 999999, 3},  // the last key
          {"E0", -1, 999999, 3},  {"\xFF\xFF", -1, 999999, 3},
      };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.key);
    double before = f.reads();
    if (c.key != "  ") {
      EXPECT_EQ(f.find(c.key, 2), c.exact);
      EXPECT_EQ(f.reads() - before, 3);
    }
    before = f.reads();
    EXPECT_EQ(f.find(c.key, 4), c.next);
    EXPECT_EQ(f.reads() - before, c.nextReads);
  }
  EXPECT_EQ(f.walk(kSmallTreeKeys),
            (std::vector<double>{101, 102, 103, 104, 105, 106, 107, 108, 999999}));
  EXPECT_TRUE(f.takeMessages().empty());

  f.writeIndex({f.node(1, {})});  // the empty index
  for (std::string key : {"AA", "\xFF\xFF"}) {
    EXPECT_EQ(f.find(key, 2), -1) << key;
    EXPECT_EQ(f.find(key, 4), 999999) << key;
    EXPECT_EQ(f.find(key, 3), -1) << key;
  }
  EXPECT_EQ(f.find("  ", 4), 999999);
  EXPECT_TRUE(f.takeMessages().empty());
}

TEST(IsamLookup, EntryChecksShowTheirMessageInOrderAndReadNothing) {
  IsamFolder f(2);
  f.writeRaw("");
  f.lib().FAIOPEN(kIndexBase);
  // An empty file is reported first, whatever else is wrong.
  EXPECT_EQ(f.find("AB", 2), 0);
  EXPECT_EQ(f.find("ABC", 7), 0);
  EXPECT_EQ(f.find("AB", 1, 5), 0);
  EXPECT_EQ(f.takeMessages(), std::vector<std::string>(3, "ERRORE ISAM - FILE VUOTO 378"));

  f.writeIndex(smallTree(f));
  struct Case {
    std::string key;
    int mode;
    std::string message;
  };
  const std::vector<Case> cases = {
      {"", 2, "ERRORE ISAM - LUNK=0"},
      {"B", 2, "ERRORE ISAM - LUNK NO OK"},
      {"B00", 4, "ERRORE ISAM - LUNK NO OK"},
      {"   ", 2, "ERRORE ISAM - LUNK NO OK"},  // length before blankness
      {"  ", 2, "ERRORE ISAM - K=BLANK"},
      {"  ", 5, "ERRORE ISAM - K=BLANK"},  // blankness before the mode
      {"B0", 5, "ERRORE CODICE ISAM 5"},
      {"B0", 0, "ERRORE CODICE ISAM 0"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.key + " mode " + std::to_string(c.mode));
    const double before = f.reads();
    EXPECT_EQ(f.find(c.key, c.mode, 7), 0);
    EXPECT_EQ(f.takeMessages(), std::vector<std::string>{c.message});
    EXPECT_EQ(f.reads(), before) << "no node is read after a failed check";
  }
  EXPECT_EQ(f.find("B7", 2), 104);
  EXPECT_EQ(f.find("B7", 4), 105);
}

// A leaf with all 128 entries used has no free entry to stop a search, a walk or a deletion.
// Keys are "0002", "0004", ... with data records 500, 501, ... in key order.
TEST(IsamLookup, FullLeafEndsAtEntry128) {
  IsamFolder f(4);
  std::vector<std::string> leaf;
  std::map<double, std::string> keyOf;
  for (int k = 0; k < 128; ++k) {
    const std::string s = std::to_string(2 * k + 2);
    keyOf[500 + k] = std::string(4 - s.size(), '0') + s;
    leaf.push_back(entry(3, keyOf[500 + k], 500 + k));
  }
  f.writeIndex(
      {f.node(1, {entry(1, "0002", 2)}), f.node(2, {entry(2, "0002", 3)}), f.node(3, leaf)});
  std::vector<double> all;
  for (const auto& [record, key] : keyOf) {
    const double before = f.reads();
    ASSERT_EQ(f.find(key, 2), record) << key;
    ASSERT_EQ(f.reads() - before, 3);
    std::string between = key;
    --between[3];  // odd numbers are absent
    ASSERT_EQ(f.find(between, 2), -1) << between;
    ASSERT_EQ(f.find(between, 4), record) << between;
    all.push_back(record);
  }
  EXPECT_EQ(f.find("9999", 2), -1);
  EXPECT_EQ(f.find("9999", 4), 999999);
  all.push_back(999999);
  EXPECT_EQ(f.walk(keyOf, 200), all);
  EXPECT_EQ(f.find(keyOf.at(627), 3), 627);
  EXPECT_EQ(f.find(keyOf.at(626), 4), 999999);
  EXPECT_EQ(f.find(keyOf.at(600), 3), 600);
  EXPECT_EQ(f.find(keyOf.at(599), 4), 601);
  EXPECT_TRUE(f.takeMessages().empty());
}

// Root -> one middle node naming leaf 3 (B0, B2), thirty emptied leaves 4..33 and leaf 34 (D0);
// `again` makes the last emptied entry name leaf `again` instead of its own.
std::vector<std::string> manyEmptiedLeaves(const IsamFolder& f, int again = 0) {
  std::vector<std::string> middle = {entry(2, "B0", 3)};
  std::vector<std::string> records = {f.node(1, {entry(1, "B0", 2)}), ""};
  records.push_back(f.node(3, {entry(3, "B0", 101), entry(3, "B2", 102)}));
  for (int j = 0; j < 30; ++j) {
    middle.push_back(entry(2, {'C', static_cast<char>('a' + j)}, j == 29 && again ? again : 4 + j));
    records.push_back(f.node(3, {}));
  }
  middle.push_back(entry(2, "D0", 34));
  records.push_back(f.node(3, {entry(3, "D0", 105)}));
  records[1] = f.node(2, middle);
  return records;
}

TEST(IsamLookup, OneWalkPassesOverManyEmptiedLeaves) {
  IsamFolder f(2);
  f.writeIndex(manyEmptiedLeaves(f));
  const double before = f.reads();
  EXPECT_EQ(f.find("B2", 4), 105);
  EXPECT_EQ(f.reads() - before, 34);
  EXPECT_EQ(f.find("Cm", 2), -1);
  EXPECT_EQ(f.find("Cm", 4), 105);
  EXPECT_TRUE(f.takeMessages().empty());

  // The same walk meeting leaf 25 a second time, long after it was first read.
  f.writeIndex(manyEmptiedLeaves(f, 25));
  EXPECT_EQ(f.find("B2", 4), 0);
  EXPECT_EQ(f.takeMessages(), std::vector<std::string>{kDamaged});
}

TEST(IsamDelete, RemovalsShiftLeavesAndDropEmptiedNodes) {
  IsamFolder f(2);
  const auto tree = smallTree(f);
  f.writeIndex(tree);
  std::string whole;
  for (const auto& r : tree) whole += r;
  for (std::string k : {"A0", "B1", "C0", "E0"}) EXPECT_EQ(f.find(k, 3), -1) << k;
  EXPECT_EQ(f.readRaw(), whole) << "absent keys change nothing";

  // The first key of a leaf: the rest moves left, a free entry comes in at the end.
  EXPECT_EQ(f.find("B0", 3), 101);
  EXPECT_EQ(f.record(4), f.node(3, {entry(3, "B2", 102)}));
  EXPECT_EQ(f.find("B0", 2), -1);
  EXPECT_EQ(f.walk(kSmallTreeKeys),
            (std::vector<double>{102, 103, 104, 105, 106, 107, 108, 999999}));

  // The last key of leaf 5 takes the leaf out of middle node 2.
  EXPECT_EQ(f.find("B7", 3), 104);
  EXPECT_EQ(f.find("B5", 3), 103);
  EXPECT_EQ(f.find("B5", 2), -1);
  EXPECT_EQ(f.walk(kSmallTreeKeys), (std::vector<double>{102, 105, 106, 107, 108, 999999}));

  // Middle node 3 loses both leaves and leaves the root.
  for (std::string k : {"D0", "D3", "D9", "D5"}) EXPECT_GT(f.find(k, 3), 0) << k;
  EXPECT_EQ(f.walk(kSmallTreeKeys), (std::vector<double>{102, 999999}));

  // The last key: the root is the empty root of a new index, which fills again.
  EXPECT_EQ(f.find("B2", 3), 102);
  EXPECT_EQ(f.record(1), f.node(1, {}));
  EXPECT_EQ(f.find("B2", 3), -1);
  EXPECT_EQ(f.find("  ", 4), 999999);
  EXPECT_EQ(f.find("C1", 1, 55), 55);
  EXPECT_EQ(f.find("  ", 4), 55);
  EXPECT_TRUE(f.takeMessages().empty());
}

std::vector<std::string> words(const std::string& text) {
  std::istringstream in(text);
  return {std::istream_iterator<std::string>(in), {}};
}

// Every kind of damage gives the damaged-index message and 0, the caller's walk ends, and
// neither insertion nor deletion writes into the damaged file. Most kinds replace one record
// of the small tree with a node of the level and entries given.
TEST(IsamDamage, EveryKindIsReportedAndNothingIsWritten) {
  struct Damage {
    std::string what;
    int record, level;          // record 0: the archive shortened to `level` bytes
    std::string entries, keys;  // keys looked up, inserted and deleted
    std::string next = "";      // keys given to the next-key mode (the keys when empty)
  };
  const std::vector<Damage> damages = {
      {"root pointer 0", 1, 1, "B01000002 D01000000", "D3 D5"},
      {"root pointer past the end", 1, 1, "B01000002 D01000008", "D3 D5"},
      {"root entry naming the root", 1, 1, "B01000002 D01000001", "D3"},
      {"pointer with a letter", 2, 2, "B02000004 B5200000x", "B5 B7"},
      {"root entry with the middle level digit", 1, 1, "B01000002 D02000003", "D3"},
      {"leaf entries with the middle level digit", 6, 2, "D02000105 D32000106", "D0 D3 D2"},
      {"middle entry naming a middle node", 3, 2, "D02000002 D52000007", "D0 D3"},
      {"keys out of order in a leaf", 5, 3, "B73000104 B53000103", "B5 B7"},
      {"root separators out of order", 1, 1, "D01000003 B01000002", "B0 D3"},
      {"leaf keys below their separator", 7, 3, "C13000107 D93000108", "D9 D5"},
      {"leaf keys above the next separator", 6, 3, "D03000105 D73000106", "D0 D3"},
      {"two middle entries naming one leaf", 3, 2, "D02000006 D52000006", "D5 D9", "D3 D5"},
      {"data pointer 0", 6, 3, "D03000105 D33000000", "D3", "D0"},
      {"middle node without entries", 3, 2, "", "D3 D9"},
      {"leaves missing from the end", 0, 5 * 1152, "", "D3 D9"},
      {"archive shorter than its root", 0, 500, "", "B0 D3"},
  };
  for (const auto& d : damages) {
    SCOPED_TRACE(d.what);
    IsamFolder f(2);
    auto records = smallTree(f);
    if (d.record > 0) records[d.record - 1] = f.node(d.level, words(d.entries));
    std::string bytes;
    for (const auto& r : records) bytes += r;
    f.writeIndex({d.record > 0 ? bytes : bytes.substr(0, d.level)});
    const std::string before = f.readRaw();
    for (const auto& k : words(d.next.empty() ? d.keys : d.next)) {
      EXPECT_EQ(f.find(k, 4), 0) << "next " << k;
      EXPECT_EQ(f.takeMessages(), std::vector<std::string>{kDamaged}) << "next " << k;
    }
    for (const auto& k : words(d.keys)) {
      EXPECT_EQ(f.find(k, 2), 0) << "exact " << k;
      EXPECT_EQ(f.find(k, 1, 900), 0) << "insert " << k;
      EXPECT_EQ(f.find(k, 3), 0) << "delete " << k;
      EXPECT_EQ(f.takeMessages(), std::vector<std::string>(3, kDamaged)) << k;
      EXPECT_EQ(f.readRaw(), before);
    }
    // The caller's walk from a blank key ends on the damage instead of going round.
    const auto seen = f.walk(kSmallTreeKeys);
    EXPECT_EQ(seen.back(), 0) << "walk ended after " << seen.size() << " calls";
    EXPECT_EQ(f.takeMessages(), std::vector<std::string>{kDamaged});
  }
}

}  // namespace
}  // namespace zr::testing
