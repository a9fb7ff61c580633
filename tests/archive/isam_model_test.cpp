// Insertions and deletions at random against a std::map: every result, every key's lookup
// and the whole walk must agree with the map, through leaf and middle-node splits, emptied
// leaves and middle nodes, down to the empty index and up again.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>
#include <vector>

#include "archive/isam_fixture.h"

namespace zr::testing {
namespace {

// Key bytes include ones above 127 (compared unsigned) and some above the high-key character.
const std::string kAlphabet = std::string("0123456789 ABZaz\xE0\xE9\xFB\xFD\xFF");

class Model {
 public:
  Model(IsamFolder& f, unsigned seed) : f_(f), rng_(seed) {}

  std::string randomKey() {
    std::string k(static_cast<std::size_t>(f_.lunk()), ' ');
    std::uniform_int_distribution<std::size_t> pick(0, kAlphabet.size() - 1);
    do {
      for (auto& c : k) c = kAlphabet[pick(rng_)];
    } while (k.find_first_not_of(' ') == std::string::npos);
    return k;
  }

  void insert(const std::string& key) {
    double record = ++nextRecord_;
    ASSERT_EQ(f_.find(key, 1, record), record) << key;
    if (auto it = keys_.find(key); it != keys_.end()) byRecord_.erase(it->second);
    keys_[key] = record;
    byRecord_[record] = key;
  }

  void erase(const std::string& key) {
    auto it = keys_.find(key);
    double expected = it == keys_.end() ? -1 : it->second;
    ASSERT_EQ(f_.find(key, 3), expected) << key;
    if (it != keys_.end()) {
      byRecord_.erase(it->second);
      keys_.erase(it);
    }
  }

  // A present key near a random one (the map must not be empty).
  std::string anyPresentKey() {
    auto it = keys_.lower_bound(randomKey());
    return (it == keys_.end() ? keys_.begin() : it)->first;
  }

  // Every key by exact lookup in three reads, some absent ones, and the walk from blank.
  void verify() {
    for (const auto& [key, record] : keys_) {
      auto before = f_.lib().recordsRead();
      ASSERT_EQ(f_.find(key, 2), record) << key;
      ASSERT_EQ(f_.lib().recordsRead() - before, 3u) << key;
    }
    for (int i = 0; i < 200; ++i) {
      std::string k = randomKey();
      auto it = keys_.upper_bound(k);
      ASSERT_EQ(f_.find(k, 2), keys_.count(k) ? keys_.at(k) : -1) << k;
      ASSERT_EQ(f_.find(k, 4), it == keys_.end() ? 999999 : it->second) << k;
    }
    std::string k(static_cast<std::size_t>(f_.lunk()), ' ');
    for (const auto& [key, record] : keys_) {
      ASSERT_EQ(f_.find(k, 4), record) << "after " << k;
      k = key;
    }
    ASSERT_EQ(f_.find(k, 4), 999999);
    ASSERT_TRUE(f_.takeMessages().empty());
  }

  std::size_t size() const { return keys_.size(); }
  const std::map<std::string, double>& keys() const { return keys_; }

 private:
  IsamFolder& f_;
  std::mt19937 rng_;
  std::map<std::string, double> keys_;
  std::map<double, std::string> byRecord_;
  double nextRecord_ = 0;
};

// Used entries of the root as the file holds them.
int rootEntries(const IsamFolder& f) {
  std::string raw = f.readRaw();
  auto size = static_cast<std::size_t>(f.lunk() + 7);
  int n = 0;
  while (n < 128 && raw[static_cast<std::size_t>(n) * size] != '\xFC') ++n;
  return n;
}

TEST(IsamModel, RandomInsertsAndDeletesAgreeWithAMap) {
  IsamFolder f(4);
  ASSERT_EQ(f.find("", 9), 1);
  Model m(f, 20240301);
  std::bernoulli_distribution deleting(0.25);
  std::mt19937 coin(7);
  for (int i = 0; i < 30000; ++i) {
    if (m.size() > 0 && deleting(coin))
      m.erase(i % 5 == 0 ? m.randomKey() : m.anyPresentKey());
    else
      m.insert(i % 10 == 0 && m.size() > 0 ? m.anyPresentKey() : m.randomKey());
    if (HasFatalFailure()) return;
  }
  ASSERT_GT(m.size(), 12000u);
  // Middle nodes have split: the root names more than one.
  EXPECT_GT(rootEntries(f), 1);
  m.verify();
  if (HasFatalFailure()) return;

  // Down to a few keys, emptying leaves and middle nodes on the way, then to nothing.
  while (m.size() > 50) {
    m.erase(m.anyPresentKey());
    if (HasFatalFailure()) return;
  }
  m.verify();
  if (HasFatalFailure()) return;
  while (m.size() > 0) m.erase(m.anyPresentKey());
  EXPECT_EQ(rootEntries(f), 0);
  EXPECT_EQ(f.find("    ", 4), 999999);
  for (int i = 0; i < 3000; ++i) m.insert(m.randomKey());
  m.verify();
}

// Keys in descending order: every insertion is a new smallest key, so the first separators
// of root and middle nodes change all the time; ascending order fills the last leaf each time.
TEST(IsamModel, OrderedInsertionsKeepSearchAndWalkRight) {
  for (bool descending : {true, false}) {
    SCOPED_TRACE(descending ? "descending" : "ascending");
    IsamFolder f(4);
    ASSERT_EQ(f.find("", 9), 1);
    Model m(f, 1);
    for (int i = 0; i < 9000; ++i) {
      int v = descending ? 9999 - i : i;
      std::string k = std::to_string(v);
      m.insert(std::string(4 - k.size(), '0') + k);
      if (HasFatalFailure()) return;
    }
    EXPECT_GT(rootEntries(f), 1);
    m.verify();
  }
}

}  // namespace
}  // namespace zr::testing
