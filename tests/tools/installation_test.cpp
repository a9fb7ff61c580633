// A built demo bureau read back through the library: catalogue, archives, indexes, fields.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <set>

#include "archive/isam.h"
#include "builder.h"
#include "fiscal.h"
#include "reader.h"
#include "support/tempdir.h"

namespace zr {
namespace {

using demo::buildDemo;
using testing::Installation;
using testing::TempDir;

constexpr std::string_view kT326 = "DITX$,00166,03,N,0,T326";

std::string slurp(const std::string& hostPath) {
  std::ifstream in(hostPath, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The leaf entries (key, data record) of an index file, read straight from its bytes.
std::vector<std::pair<std::string, int>> leafEntries(const std::string& bytes, int keyLength) {
  const std::size_t entry = static_cast<std::size_t>(keyLength) + 7, node = entry * 128;
  std::vector<std::pair<std::string, int>> out;
  for (std::size_t at = 0; at + node <= bytes.size(); at += node) {
    for (std::size_t e = at; e < at + node; e += entry) {
      if (static_cast<unsigned char>(bytes[e]) == kHighKeyChar) break;
      if (bytes[e + static_cast<std::size_t>(keyLength)] != '3') break;  // not a leaf node
      out.emplace_back(bytes.substr(e, static_cast<std::size_t>(keyLength)),
                       std::stoi(bytes.substr(e + static_cast<std::size_t>(keyLength) + 1, 6)));
    }
  }
  return out;
}

struct IndexCase {
  int data, index, keyLength;
  std::function<std::string(Installation&, const std::string& record)> key;
};

std::string keyText(const demo::F24Key& k) {
  char text[16];
  std::snprintf(text, sizeof text, "%03d%04d%02d", k.company, k.year, k.month);
  return text;
}

TEST(Installation, EveryIndexEntryLeadsToTheRecordThatRebuildsItsKey) {
  TempDir dir;
  const auto summary = buildDemo(dir.str(), {.companies = 8, .employees = 5, .seed = 7});
  Installation in(dir.str());
  // The only F24 records filed under a key their own period fields do not give.
  std::set<std::string> misfiled;
  for (auto c : {demo::DemoCase::PeriodOfJanuary, demo::DemoCase::PeriodOfDecember})
    misfiled.insert(keyText(summary.cases.at(c)));
  const IndexCase cases[] = {
      {377, 378, 9,
       [](Installation& i, const std::string& r) {
         return i.repo->STRCOSTANTE("F24X$,00001,03,N,0,A001", 0, r) +
                i.repo->STRCOSTANTE("F24X$,04989,04,A,0,A567", 0, r) +
                i.repo->STRCOSTANTE("F24X$,04993,02,A,0,A568", 0, r);
       }},
      {29, 30, 10,
       [](Installation& i, const std::string& r) {
         return i.repo->STRCOSTANTE("DIPX$,00003,10,A,0,P001", 0, r);
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("index " + std::to_string(c.index));
    in.lib->FAIOPEN(c.data);
    in.lib->FAIOPEN(c.index);
    bool prefix = true;
    const auto entries =
        leafEntries(slurp(in.files->resolve(in.lib->DAMMIFILE(c.index, prefix))), c.keyLength);

    // Straight from the bytes: each entry's record carries the entry's key and is live.
    std::map<int, std::string> keyOf;
    std::set<std::string> misfiledSeen;
    for (const auto& [key, r] : entries) {
      const std::string record = in.record(c.data, r);
      ASSERT_FALSE(record.empty()) << key << " points past the end";
      EXPECT_NE(record.substr(0, 2), "99") << key;
      if (c.index == 378 && misfiled.count(key)) {
        EXPECT_NE(c.key(in, record), key);
        EXPECT_EQ(c.key(in, record).substr(0, 3), key.substr(0, 3));
        misfiledSeen.insert(key);
      } else {
        EXPECT_EQ(c.key(in, record), key);
      }
      EXPECT_TRUE(keyOf.emplace(r, key).second) << "two entries point at record " << r;
    }
    if (c.index == 378) {
      EXPECT_EQ(misfiledSeen, misfiled);
    }
    // Every live record is indexed.
    int live = 0;
    for (double r = 1;; ++r) {
      const std::string record = in.record(c.data, r);
      if (record.empty()) break;
      if (record.substr(0, 2) != "99") ++live;
    }
    EXPECT_EQ(live, static_cast<int>(entries.size()));
    if (c.index == 30) {
      EXPECT_EQ(live, summary.employees);
    }

    // The library's own walk meets the same keys in ascending order.
    std::string key(static_cast<std::size_t>(c.keyLength), ' ');
    std::vector<std::string> walked;
    for (double r; (r = CERCAISAM(*in.lib, c.index, key, 4, 0)) != 999999;) {
      ASSERT_GT(r, 0);
      ASSERT_TRUE(keyOf.count(static_cast<int>(r))) << r;
      const std::string next = keyOf[static_cast<int>(r)];
      ASSERT_GT(next, key);
      EXPECT_EQ(CERCAISAM(*in.lib, c.index, next, 2, 0), r);
      walked.push_back(key = next);
    }
    EXPECT_EQ(walked.size(), entries.size());
    EXPECT_TRUE(in.ui.dialogs().empty());
  }
}

TEST(Installation, CatalogueNamesTheArchivesWithTheirRecordLengths) {
  TempDir dir;
  buildDemo(dir.str(), {});
  Installation in(dir.str());
  // Minimum record lengths: the extent of the fields read, or the index layout exactly.
  const std::map<int, std::pair<double, bool>> expected = {
      {1, {6483, false}}, {16, {2000, true}},   {29, {16176, false}}, {30, {2176, true}},
      {63, {1, false}},   {67, {1, false}},     {68, {1, false}},     {355, {1, false}},
      {357, {1, false}},  {377, {9932, false}}, {378, {2048, true}}};
  for (const auto& [base, want] : expected) {
    SCOPED_TRACE("base " + std::to_string(base));
    bool prefix = true;
    const std::string name = in.lib->DAMMIFILE(base, prefix);
    EXPECT_TRUE(prefix);
    EXPECT_EQ(name.rfind(in.config.PERCORSOARCHIVI + "\\", 0), 0u) << name;
    EXPECT_TRUE(in.files->exists(name)) << name;
    const double length = in.lib->FAIOPEN(base);
    if (want.second) {
      EXPECT_EQ(length, want.first);
    } else {
      EXPECT_GE(length, want.first);
    }
    const auto bytes = in.files->fileLength(name);
    ASSERT_TRUE(bytes.has_value());
    EXPECT_EQ(*bytes % static_cast<std::uint64_t>(length), 0u);
  }
  EXPECT_TRUE(in.ui.dialogs().empty());
  // The catalogue also names archives this program never opens, in records of 79 bytes.
  const auto catalogue = in.files->fileLength(in.config.PERCORSOARCHIVI + "\\TRBASE.DAT");
  ASSERT_TRUE(catalogue.has_value());
  EXPECT_EQ(*catalogue, 410u * 79);
}

TEST(Installation, CompaniesAreConsistentAndTheirFiscalCodesValid) {
  TempDir dir;
  const auto summary = buildDemo(dir.str(), {.companies = 12, .employees = 2, .seed = 3});
  Installation in(dir.str());
  in.lib->FAIOPEN(1);
  auto field = [&](std::string_view d) { return Installation::trim(in.repo->STRCOSTANTE(d)); };

  std::map<int, int> presenter;
  std::vector<int> live, deleted;
  std::vector<int> naturalPersons;
  for (int r = 1;; ++r) {
    const std::string record = in.record(1, r);
    if (record.empty()) break;
    in.repo->DITX() = record;
    if (record.substr(0, 2) == "99") {
      deleted.push_back(r);
      continue;
    }
    SCOPED_TRACE("company " + std::to_string(r));
    live.push_back(r);
    presenter[r] = static_cast<int>(in.repo->VALCOSTANTE(kT326));
    const std::string sex = field("DITX$,01037,01,A,0,T023");
    const std::string own = field("DITX$,00036,16,A,0,T012");
    EXPECT_TRUE(testing::validNumericCode(field("DITX$,00834,11,A,0,T013")));
    if (sex == "M" || sex == "F") {
      naturalPersons.push_back(r);
      ASSERT_TRUE(testing::validPersonalCode(own)) << own;
      // The code carries the birth date and sex of the record.
      const std::string born = field("DITX$,02073,08,D,0,T022");
      ASSERT_EQ(born.size(), 8u);
      EXPECT_EQ(own.substr(6, 2), born.substr(6, 2));
      const int day = std::stoi(born.substr(0, 2)) + (sex == "F" ? 40 : 0);
      EXPECT_EQ(std::stoi(own.substr(9, 2)), day);
      EXPECT_EQ(own[8], std::string_view("ABCDEHLMPRST")[std::stoul(born.substr(2, 2)) - 1]);
    } else {
      EXPECT_EQ(sex, "");
      EXPECT_TRUE(testing::validNumericCode(own)) << own;
      EXPECT_TRUE(testing::validPersonalCode(field("DITX$,00251,16,A,0,T081")));
    }
  }
  EXPECT_EQ(live, summary.companies);
  EXPECT_EQ(deleted, summary.voidCompanies);
  EXPECT_FALSE(naturalPersons.empty());
  EXPECT_EQ(naturalPersons, summary.naturalPersons);
  // Every substitute's presenting company is a live declarant presenting itself.
  int substitutes = 0;
  for (const auto& [code, by] : presenter) {
    if (by == 0) continue;
    ++substitutes;
    ASSERT_TRUE(presenter.count(by)) << code << " presented by missing " << by;
    EXPECT_EQ(presenter[by], 0);
  }
  EXPECT_EQ(substitutes, static_cast<int>(summary.substitutes.size()));
}

}  // namespace
}  // namespace zr
