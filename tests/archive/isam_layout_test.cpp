// The bytes that creation and insertion leave on disk, compared with layouts spelt out here
// entry by entry, and random insertions and deletions checked against a std::map.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>
#include <vector>

#include "archive/isam_fixture.h"

namespace zr::testing {
namespace {

// `n` free entries of a level for key length 2.
std::string freeEntries(int level, int n) {
  std::string text;
  for (int i = 0; i < n; ++i)
    text += std::string("\xFC\xFC") + static_cast<char>('0' + level) + "000000";
  return text;
}

TEST(IsamLayout, CreatingWritesTheEmptyRootOrRefusesAnUnfitRecordLength) {
  IsamFolder f(2, "ISAM###.DAT");
  const std::string root = freeEntries(1, 128);
  ASSERT_EQ(root.size(), 1152u);
  // The index is closed: the call opens it itself, and both that open and the recreation that
  // follows need the company of the caller's context.
  f.lib().DITTAOPEN = "7";
  EXPECT_EQ(f.find("", 9), 1);
  EXPECT_EQ(f.readRaw("ISAM007.DAT"), root);
  // Over an index with keys: the archive starts again from the empty root alone.
  f.lib().DITTAOPEN = "7";
  EXPECT_EQ(f.find("AB", 1, 5), 5);
  EXPECT_EQ(f.readRaw("ISAM007.DAT").size(), 3u * 1152u);
  f.lib().DITTAOPEN = "7";
  EXPECT_EQ(f.find("ZZ", 9), 1);
  EXPECT_EQ(f.readRaw("ISAM007.DAT"), root);
  EXPECT_EQ(f.find("AB", 2), -1);
  EXPECT_TRUE(f.takeMessages().empty());

  for (int length : {1000, 896}) {  // not a multiple of 128; no room for a key
    IsamFolder g(2, "ISAM378.DAT", length);
    g.writeRaw("keep me");
    EXPECT_EQ(g.find("", 9), 0) << length;
    EXPECT_EQ(g.takeMessages(), std::vector<std::string>{"ERRORE ISAM - LUNK NO OK"});
    EXPECT_EQ(g.readRaw(), "keep me");
  }
}

TEST(IsamLayout, FirstInsertionLinksRootToMiddleTwoToLeafThree) {
  IsamFolder f(2);
  ASSERT_EQ(f.find("", 9), 1);
  EXPECT_EQ(f.find("AB", 1, 42), 42);
  EXPECT_EQ(f.readRaw(), "AB1000002" + freeEntries(1, 127) + "AB2000003" + freeEntries(2, 127) +
                             "AB3000042" + freeEntries(3, 127));
  EXPECT_EQ(f.find("AB", 2), 42);
  EXPECT_EQ(f.find("  ", 4), 42);
  EXPECT_EQ(f.find("AB", 4), 999999);

  // A key already present takes the new record number in place.
  ASSERT_EQ(f.find("CD", 1, 43), 43);
  EXPECT_EQ(f.find("AB", 1, 77), 77);
  EXPECT_EQ(f.record(3), "AB3000077CD3000043" + freeEntries(3, 126));
  EXPECT_EQ(f.find("AB", 4), 43);
  EXPECT_TRUE(f.takeMessages().empty());
}

// Root, middle node and leaf all full on the way of a key smaller than every key: the split
// would have to reach the root.
TEST(IsamLayout, FullIndexIsReportedAndLeftUntouched) {
  IsamFolder f(2);
  std::vector<std::string> root, middle, leaf;
  for (int i = 0; i < 128; ++i) {
    auto c = static_cast<char>(0x30 + i);
    leaf.push_back(entry(3, std::string{'0', c}, i + 1));
    middle.push_back(entry(2, i == 0 ? "00" : std::string{'1', c}, 3));
    root.push_back(entry(1, i == 0 ? "00" : std::string{'2', c}, 2));
  }
  f.writeIndex({f.node(1, root), f.node(2, middle), f.node(3, leaf)});
  const std::string before = f.readRaw();
  EXPECT_EQ(f.find("!!", 1, 5), 0);
  EXPECT_EQ(f.takeMessages(), std::vector<std::string>{"ERRORE ISAM - INDICE PIENO 378"});
  EXPECT_EQ(f.readRaw(), before);
  EXPECT_EQ(f.find("!!", 2), -1);
  // A key already present needs no room: its record number is replaced in place.
  EXPECT_EQ(f.find("05", 1, 99), 99);
  EXPECT_EQ(f.find("05", 2), 99);
  EXPECT_TRUE(f.takeMessages().empty());
}

TEST(IsamLayout, RefusedInsertionsLeaveTheFileAsItWas) {
  IsamFolder f(2);
  ASSERT_EQ(f.find("", 9), 1);
  ASSERT_EQ(f.find("AB", 1, 42), 42);
  const std::string before = f.readRaw();
  const std::vector<std::tuple<std::string, double, std::string>> cases = {
      {"CD", 0, "ERR.ISAM - N.REC.=0"},
      {"CD", -3, "ERR.ISAM - N.REC.=-3"},
      {"CD", 2.5, "ERR.ISAM - N.REC.=2.5"},
      {"CD", 999999, "ERR.ISAM - N.REC.=999999"},  // the walk's end mark
      {"CD", 1000000, "ERR.ISAM - N.REC.=1000000"},
      {"C\xFC", 5, "ERRORE ISAM - CARATTERE 252 NELLA CHIAVE"},
      {"\xFC\xFC", 5, "ERRORE ISAM - CARATTERE 252 NELLA CHIAVE"},
  };
  for (const auto& [k, record, message] : cases) {
    EXPECT_EQ(f.find(k, 1, record), 0) << message;
    EXPECT_EQ(f.takeMessages(), std::vector<std::string>{message});
    EXPECT_EQ(f.readRaw(), before) << message;
  }
}

// Key bytes include ones above 127 (compared unsigned) and some above the high-key character.
const std::string kAlphabet = std::string("0123456789 ABZaz\xE0\xE9\xFB\xFD\xFF");

// Insertions and deletions on the index and on a std::map side by side.
class Model {
 public:
  Model(IsamFolder& f, unsigned seed) : f_(f), rng_(seed) {}

  std::string randomKey() {
    std::string k(static_cast<std::size_t>(f_.lunk()), ' ');
    std::uniform_int_distribution<std::size_t> pick(0, kAlphabet.size() - 1);
    while (k.find_first_not_of(' ') == std::string::npos)
      for (auto& c : k) c = kAlphabet[pick(rng_)];
    return k;
  }
  // A present key near a random one (the map must not be empty).
  std::string anyPresentKey() {
    auto it = keys_.lower_bound(randomKey());
    return (it == keys_.end() ? keys_.begin() : it)->first;
  }
  void insert(const std::string& key) {
    const double record = ++next_;
    ASSERT_EQ(f_.find(key, 1, record), record) << key;
    keys_[key] = next_;
  }
  void erase(const std::string& key) {
    auto it = keys_.find(key);
    ASSERT_EQ(f_.find(key, 3), it == keys_.end() ? -1 : it->second) << key;
    if (it != keys_.end()) keys_.erase(it);
  }

  // Every key by exact lookup in three reads, random probes, and the walk from blank.
  void verify() {
    std::map<double, std::string> keyOf;
    std::vector<double> order;
    for (const auto& [key, record] : keys_) {
      const double before = f_.reads();
      ASSERT_EQ(f_.find(key, 2), record) << key;
      ASSERT_EQ(f_.reads() - before, 3) << key;
      keyOf[record] = key;
      order.push_back(record);
    }
    for (int i = 0; i < 200; ++i) {
      std::string k = randomKey();
      auto it = keys_.upper_bound(k);
      ASSERT_EQ(f_.find(k, 2), keys_.count(k) ? keys_.at(k) : -1) << k;
      ASSERT_EQ(f_.find(k, 4), it == keys_.end() ? 999999 : it->second) << k;
    }
    order.push_back(999999);
    ASSERT_EQ(f_.walk(keyOf, 100000), order);
    ASSERT_TRUE(f_.takeMessages().empty());
  }
  std::size_t size() const { return keys_.size(); }

 private:
  IsamFolder& f_;
  std::mt19937 rng_;
  std::map<std::string, double> keys_;
  double next_ = 0;
};

// Used entries of the root as the file holds them.
int rootEntries(const IsamFolder& f) {
  const std::string raw = f.readRaw();
  int n = 0;
  while (n < 128 && raw[static_cast<std::size_t>(n * (f.lunk() + 7))] != '\xFC') ++n;
  return n;
}

// Through leaf and middle-node splits, emptied leaves and middle nodes, down to the empty
// index and up again.
TEST(IsamModel, RandomInsertsAndDeletesAgreeWithAMap) {
  IsamFolder f(4);
  ASSERT_EQ(f.find("", 9), 1);
  Model m(f, 20240301);
  std::bernoulli_distribution deleting(0.25);
  std::mt19937 coin(7);
  for (int i = 0; i < 30000 && !HasFatalFailure(); ++i) {
    if (m.size() > 0 && deleting(coin))
      m.erase(i % 5 == 0 ? m.randomKey() : m.anyPresentKey());
    else
      m.insert(i % 10 == 0 && m.size() > 0 ? m.anyPresentKey() : m.randomKey());
  }
  ASSERT_GT(m.size(), 12000u);
  EXPECT_GT(rootEntries(f), 1) << "middle nodes have split";
  ASSERT_NO_FATAL_FAILURE(m.verify());
  while (m.size() > 50 && !HasFatalFailure()) m.erase(m.anyPresentKey());
  ASSERT_NO_FATAL_FAILURE(m.verify());
  while (m.size() > 0 && !HasFatalFailure()) m.erase(m.anyPresentKey());
  EXPECT_EQ(rootEntries(f), 0);
  for (int i = 0; i < 3000 && !HasFatalFailure(); ++i) m.insert(m.randomKey());
  m.verify();
}

// Descending keys make every insertion a new smallest key, so the first separators of root
// and middle nodes change all the time; ascending keys fill the last leaf each time.
TEST(IsamModel, OrderedInsertionsKeepSearchAndWalkRight) {
  for (bool descending : {true, false}) {
    SCOPED_TRACE(descending ? "descending" : "ascending");
    IsamFolder f(4);
    ASSERT_EQ(f.find("", 9), 1);
    Model m(f, 1);
    for (int i = 0; i < 9000 && !HasFatalFailure(); ++i) {
      std::string k = std::to_string(descending ? 9999 - i : i);
      m.insert(std::string(4 - k.size(), '0') + k);
    }
    EXPECT_GT(rootEntries(f), 1);
    m.verify();
  }
}

}  // namespace
}  // namespace zr::testing
