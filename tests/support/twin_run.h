// The equivalence of the kept reads: one command run on two demo bureaus built alike, the
// straightforward paths (every record, node and catalogue entry read afresh, every archive
// reopened, the quadro files numbered by a pass of their own) on one and the kept ones on the
// other, and everything each produced gathered for a byte-for-byte comparison: every file of
// the archives folder, the printed document, the messages, and the index reads it took.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "support/fault_files.h"
#include "support/installation.h"

namespace zr::testbed {

struct Produced {
  std::map<std::string, std::string> archives;  // file name -> bytes, after the command
  std::string printed;
  std::string dialogs;
  int indexReads = 0;  // reads of the two ISAM indexes
  int opens = 0;
};

// Runs `command` on a fresh App over `inst`, every company selected, with the kept reads on
// or off.
inline Produced runProducing(Installation& inst, bool kept,
                             const std::function<void(App&)>& command) {
  testing::FaultFiles* counter = nullptr;
  auto printers = std::make_unique<StringPrinters>();
  StringPrinters* document = printers.get();
  Produced out;
  {
    LoadedApp a(
        inst,
        [&](platform::Files& host) {
          auto f = std::make_unique<testing::FaultFiles>(host);
          counter = f.get();
          return f;
        },
        std::move(printers));
    a.app->lib.runCaching = kept;
    a.selectAll();
    const int readsBefore = counter->calls(testing::Call::Read, ".IDX");
    const int opensBefore = counter->calls(testing::Call::Open);
    command(*a.app);
    a.app->finishPrinting();
    out.indexReads = counter->calls(testing::Call::Read, ".IDX") - readsBefore;
    out.opens = counter->calls(testing::Call::Open) - opensBefore;
    out.dialogs = a.transcript();
    out.printed = document->text();
  }
  for (const auto& e : std::filesystem::directory_iterator(inst.archivesFolder()))
    if (e.is_regular_file()) out.archives[e.path().filename().string()] = readBytes(e.path());
  return out;
}

// Both runs gave the same files, document and messages; the kept one read the indexes less
// and, for a command that reopens archives (the export), opened fewer files.
inline void expectSameProduce(const Produced& plain, const Produced& kept, bool reopens = false) {
  ASSERT_EQ(plain.archives.size(), kept.archives.size());
  for (const auto& [name, bytes] : plain.archives) {
    auto it = kept.archives.find(name);
    ASSERT_NE(it, kept.archives.end()) << name << " only in the straightforward run";
    EXPECT_TRUE(bytes == it->second)
        << name << " differs (" << bytes.size() << " and " << it->second.size() << " bytes)";
  }
  EXPECT_EQ(plain.printed, kept.printed);
  EXPECT_EQ(plain.dialogs, kept.dialogs);
  EXPECT_GT(plain.indexReads, 0);
  EXPECT_LT(kept.indexReads, plain.indexReads);
  if (reopens) {
    EXPECT_LT(kept.opens, plain.opens);
  }
}

}  // namespace zr::testbed
