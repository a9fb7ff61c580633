// A database file of arbitrary bytes opened as the program opens its yearly F24 databases: the
// engine recognises the header, SQLite reads it through the Files layer's VFS, read-only, and
// the program's readers take what they need of it. Files with an Access header go to the
// reader process, which this target leaves to fuzz_jetstream.
#include "fuzz_support.h"

using namespace zr;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  if (bytes.size() > 4 && (bytes.substr(4).starts_with("Standard Jet DB") ||
                           bytes.substr(4).starts_with("Standard ACE DB")))
    return -1;
  fuzz::Root& root = fuzz::freshRoot();
  root.put("ARCHIVI/SF242023.MDB", bytes);
  auto engine = platform::makeDatabaseEngine(root.files());
  std::unique_ptr<platform::Database> db;
  if (fuzz::rejectedQuietly([&] { db = engine->open("C:\\ARCHIVI\\SF242023.MDB"); })) return 0;
  fuzz::readF24Database(*db);
  fuzz::rejectedQuietly([&] { db->close(); });
  // Read-only: the file is as it was given.
  std::ifstream in(root.drive() / "ARCHIVI/SF242023.MDB", std::ios::binary);
  const std::string after{std::istreambuf_iterator<char>(in), {}};
  if (after != bytes) fuzz::fault("the database file changed");
  return 0;
}
