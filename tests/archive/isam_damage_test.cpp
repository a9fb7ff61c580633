// Damaged indexes: every kind of damage gives the damaged-index message and 0, the caller's
// walk ends, and neither insertion nor deletion writes into the damaged file.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "archive/isam_fixture.h"

namespace zr::testing {
namespace {

struct Damage {
  std::string what;
  std::function<void(const IsamFolder&, std::vector<std::string>&)> apply;
  std::vector<std::string> keys;       // looked up, inserted and deleted
  std::vector<std::string> next = {};  // given to the next-key mode (the keys when empty)
};

std::vector<Damage> damages() {
  return {
      {"root pointer 0",
       [](auto& f, auto& t) {
         t[0] = f.node(1, {rootEntry("B0", "000002"), rootEntry("D0", "000000")});
       },
       {"D3", "D5"}},
      {"root pointer past the end",
       [](auto& f, auto& t) {
         t[0] = f.node(1, {rootEntry("B0", "000002"), rootEntry("D0", "000008")});
       },
       {"D3", "D5"}},
      {"root entry naming the root",
       [](auto& f, auto& t) {
         t[0] = f.node(1, {rootEntry("B0", "000002"), rootEntry("D0", "000001")});
       },
       {"D3"}},
      {"pointer with a letter",
       [](auto& f, auto& t) {
         t[1] = f.node(2, {middleEntry("B0", "000004"), middleEntry("B5", "00000x")});
       },
       {"B5", "B7"}},
      {"root entry with the middle level digit",
       [](auto& f, auto& t) {
         t[0] = f.node(1, {rootEntry("B0", "000002"), middleEntry("D0", "000003")});
       },
       {"D3"}},
      {"leaf entries with the middle level digit",
       [](auto& f, auto& t) {
         t[5] = f.node(2, {middleEntry("D0", "000105"), middleEntry("D3", "000106")});
       },
       {"D0", "D3", "D2"}},
      {"middle entry naming a middle node",
       [](auto& f, auto& t) {
         t[2] = f.node(2, {middleEntry("D0", "000002"), middleEntry("D5", "000007")});
       },
       {"D0", "D3"}},
      {"keys out of order in a leaf",
       [](auto& f, auto& t) {
         t[4] = f.node(3, {leafEntry("B7", "000104"), leafEntry("B5", "000103")});
       },
       {"B5", "B7"}},
      {"root separators out of order",
       [](auto& f, auto& t) {
         t[0] = f.node(1, {rootEntry("D0", "000003"), rootEntry("B0", "000002")});
       },
       {"B0", "D3"}},
      {"leaf keys below their separator",
       [](auto& f, auto& t) {
         t[6] = f.node(3, {leafEntry("C1", "000107"), leafEntry("D9", "000108")});
       },
       {"D9", "D5"}},
      {"leaf keys above the next separator",
       [](auto& f, auto& t) {
         t[5] = f.node(3, {leafEntry("D0", "000105"), leafEntry("D7", "000106")});
       },
       {"D0", "D3"}},
      {"two middle entries naming one leaf",
       [](auto& f, auto& t) {
         t[2] = f.node(2, {middleEntry("D0", "000006"), middleEntry("D5", "000006")});
       },
       {"D5", "D9"},
       {"D3", "D5"}},
      {"data pointer 0",
       [](auto& f, auto& t) {
         t[5] = f.node(3, {leafEntry("D0", "000105"), leafEntry("D3", "000000")});
       },
       {"D3"},
       {"D0"}},
      {"middle node without entries", [](auto& f, auto& t) { t[2] = f.node(2, {}); }, {"D3", "D9"}},
      {"leaves missing from the end of the archive",
       [](auto&, auto& t) { t.resize(5); },
       {"D3", "D9"}},
      {"archive shorter than its root",
       [](auto&, auto& t) { t = {t[0].substr(0, 500)}; },
       {"B0", "D3"}},
  };
}

TEST(IsamDamage, EveryKindIsReportedAndNothingIsWritten) {
  const std::string message = "ERRORE ISAM - INDICE DANNEGGIATO 378";
  for (const auto& d : damages()) {
    SCOPED_TRACE(d.what);
    IsamFolder f(2);
    auto records = smallTree(f);
    d.apply(f, records);
    f.writeIndex(records);
    const std::string before = f.readRaw();

    for (const auto& k : d.next.empty() ? d.keys : d.next) {
      EXPECT_EQ(f.find(k, 4), 0) << "next " << k;
      EXPECT_EQ(f.takeMessages(), std::vector<std::string>{message}) << "next " << k;
    }
    for (const auto& k : d.keys) {
      EXPECT_EQ(f.find(k, 2), 0) << "exact " << k;
      EXPECT_EQ(f.takeMessages(), std::vector<std::string>{message}) << "exact " << k;
      EXPECT_EQ(f.find(k, 1, 900), 0) << "insert " << k;
      EXPECT_EQ(f.find(k, 3), 0) << "delete " << k;
      EXPECT_EQ(f.takeMessages(), (std::vector<std::string>{message, message}));
      EXPECT_EQ(f.readRaw(), before);
    }

    // The caller's walk from a blank key ends on the damage instead of going round.
    std::string k = "  ";
    double r = 0;
    int steps = 0;
    for (; steps < 100; ++steps) {
      r = f.find(k, 4);
      if (r == 0 || r == 999999) break;
      ASSERT_TRUE(kSmallTreeKeys.count(r)) << r;
      k = kSmallTreeKeys.at(r);
    }
    EXPECT_EQ(r, 0) << "walk ended after " << steps << " keys";
    EXPECT_EQ(f.takeMessages(), std::vector<std::string>{message});
  }
}

// The same tree undamaged passes every probe above: the checks do not fire on a sound index.
TEST(IsamDamage, SoundTreePassesTheSameProbes) {
  IsamFolder f(2);
  f.writeIndex(smallTree(f));
  std::string k = "  ";
  std::vector<double> seen;
  for (double r; (r = f.find(k, 4)) != 999999 && seen.size() < 20; k = kSmallTreeKeys.at(r))
    seen.push_back(r);
  EXPECT_EQ(seen, (std::vector<double>{101, 102, 103, 104, 105, 106, 107, 108}));
  for (const auto& [record, key] : kSmallTreeKeys) EXPECT_EQ(f.find(key, 2), record);
  EXPECT_TRUE(f.takeMessages().empty());
}

}  // namespace
}  // namespace zr::testing
