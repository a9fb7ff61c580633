// Deletion on an index written byte by byte: what each removal leaves on disk, and that the
// lookups and the walk stay right down to the empty index and back.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "archive/isam_fixture.h"

namespace zr::testing {
namespace {

std::string recordOf(const std::string& raw, int r) {
  return raw.substr(static_cast<std::size_t>(r - 1) * 1152, 1152);
}

// The keys the caller's walk visits from a blank key, as data record numbers.
std::vector<double> walk(IsamFolder& f, const std::map<double, std::string>& keyOf) {
  std::vector<double> seen;
  std::string k = "  ";
  for (int guard = 0; guard < 50; ++guard) {
    double r = f.find(k, 4);
    if (r == 999999 || r == 0) break;
    seen.push_back(r);
    k = keyOf.at(r);
  }
  return seen;
}

TEST(IsamDelete, RemovalsShiftLeavesAndDropEmptiedNodes) {
  IsamFolder f(2);
  auto expected = smallTree(f);
  f.writeIndex(expected);
  const auto& keyOf = kSmallTreeKeys;

  // Absent keys change nothing.
  for (std::string k : {"A0", "B1", "C0", "E0"}) EXPECT_EQ(f.find(k, 3), -1) << k;
  EXPECT_EQ(f.readRaw(), expected[0] + expected[1] + expected[2] + expected[3] + expected[4] +
                             expected[5] + expected[6]);

  // The first key of a leaf: the rest moves left, a free entry comes in at the end.
  EXPECT_EQ(f.find("B0", 3), 101);
  EXPECT_EQ(recordOf(f.readRaw(), 4), f.node(3, {leafEntry("B2", "000102")}));
  EXPECT_EQ(f.find("B0", 2), -1);
  EXPECT_EQ(f.find("B2", 2), 102);
  EXPECT_EQ(walk(f, keyOf), (std::vector<double>{102, 103, 104, 105, 106, 107, 108}));

  // The last key of leaf 5 takes the leaf out of middle node 2.
  EXPECT_EQ(f.find("B7", 3), 104);
  EXPECT_EQ(f.find("B5", 3), 103);
  std::string raw = f.readRaw();
  EXPECT_EQ(recordOf(raw, 2), f.node(2, {middleEntry("B0", "000004")}));
  EXPECT_EQ(f.find("B5", 2), -1);
  EXPECT_EQ(f.find("B2", 4), 105);
  EXPECT_EQ(walk(f, keyOf), (std::vector<double>{102, 105, 106, 107, 108}));

  // Middle node 3 loses both leaves and leaves the root.
  for (std::string k : {"D0", "D3", "D9", "D5"}) EXPECT_GT(f.find(k, 3), 0) << k;
  EXPECT_EQ(recordOf(f.readRaw(), 1), f.node(1, {rootEntry("B0", "000002")}));
  EXPECT_EQ(walk(f, keyOf), (std::vector<double>{102}));
  EXPECT_EQ(f.find("B2", 4), 999999);

  // The last key: the root is the empty root of a new index.
  EXPECT_EQ(f.find("B2", 3), 102);
  EXPECT_EQ(recordOf(f.readRaw(), 1), f.node(1, {}));
  EXPECT_EQ(f.find("B2", 2), -1);
  EXPECT_EQ(f.find("  ", 4), 999999);
  EXPECT_EQ(f.find("B2", 3), -1);

  // And it fills again as a new index does.
  EXPECT_EQ(f.find("C1", 1, 55), 55);
  raw = f.readRaw();
  EXPECT_EQ(recordOf(raw, 1), f.node(1, {rootEntry("C1", "000002")}));
  EXPECT_EQ(recordOf(raw, 2), f.node(2, {middleEntry("C1", "000003")}));
  EXPECT_EQ(recordOf(raw, 3), f.node(3, {leafEntry("C1", "000055")}));
  EXPECT_EQ(f.find("C1", 2), 55);
  EXPECT_EQ(f.find("  ", 4), 55);
  EXPECT_TRUE(f.takeMessages().empty());
}

TEST(IsamDelete, DeletingFromAFullLeafFreesEntry128) {
  IsamFolder f(3);
  std::vector<std::string> leaf;
  auto k = [](int i) {
    return std::string{'K', static_cast<char>('0' + i / 16), static_cast<char>('0' + i % 16)};
  };
  for (int i = 0; i < 128; ++i) {
    std::string p = std::to_string(i + 1);
    leaf.push_back(k(i) + "3" + std::string(6 - p.size(), '0') + p);
  }
  f.writeIndex({f.node(1, {k(0) + "1000002"}), f.node(2, {k(0) + "2000003"}), f.node(3, leaf)});
  EXPECT_EQ(f.find(k(127), 2), 128);
  EXPECT_EQ(f.find(k(40), 3), 41);
  leaf.erase(leaf.begin() + 40);
  EXPECT_EQ(f.readRaw().substr(2 * 1280), f.node(3, leaf));
  EXPECT_EQ(f.find(k(127), 3), 128);
  leaf.pop_back();
  EXPECT_EQ(f.readRaw().substr(2 * 1280), f.node(3, leaf));
  EXPECT_EQ(f.find(k(126), 4), 999999);
  EXPECT_EQ(f.find(k(39), 4), 42);
  EXPECT_TRUE(f.takeMessages().empty());
}

}  // namespace
}  // namespace zr::testing
