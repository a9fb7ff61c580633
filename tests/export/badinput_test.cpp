// Bad input through the command line, on the demo bureau of two companies: a cut catalogue or
// index, a catalogue naming a file that is not there, FIFOs and folders where files belong.
// Each case gives its exact message and exit status and leaves the previous export in place.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "export/installation.h"
#include "support/cli.h"

namespace zr::exporttest {
namespace {

namespace fs = std::filesystem;

constexpr std::uintmax_t kCatalogueRecord = 79;

// A FIFO at `p`; on Windows, whose file system has none, a folder: neither is a regular file.
void fifoAt(const fs::path& p) {
  fs::remove(p);
#ifdef _WIN32
  ASSERT_TRUE(fs::create_directory(p)) << p;
#else
  ASSERT_EQ(::mkfifo(p.c_str(), 0666), 0) << p;
#endif
}

struct BadInput {
  const char* what;
  std::function<void(Installation&)> damage;
  std::vector<std::string> command;
  int status;
  std::vector<std::string> says;  // each on stderr as it stands
  std::function<void(Installation&)> then = {};
};

TEST(BadInput, EachCaseGivesItsMessageAndTouchesNothingElse) {
  const auto catalogueCutAt = [](std::uintmax_t within) {
    return [within](Installation& inst) {
      fs::resize_file(inst.archive("TRBASE.DAT"), 376 * kCatalogueRecord + within);
    };
  };
  const std::string base377 = "Errore 52 Bad file name or number: base number 377 not in TRBASE.DAT";
  const BadInput cases[] = {
      {"catalogue cut inside the F24 archive's name", catalogueCutAt(20), {"export", "--all"}, 3,
       {base377, "Fase: apertura archivio base 377"}},
      // A cut length ("99" of "9940") would open the archive with records of the wrong size.
      {"catalogue cut inside the F24 archive's record length", catalogueCutAt(34),
       {"export", "--all"}, 3, {base377, "Fase: apertura archivio base 377"}},
      {"catalogue naming an employee archive that is not there",
       [](Installation& inst) {
         std::string cat = readBytes(inst.archive("TRBASE.DAT"));
         cat.replace(cat.find("KVDIPEND.DAT"), 12, "KVMANCA0.DAT");
         writeBytes(inst.archive("TRBASE.DAT"), cat);
       },
       {"export", "--all"}, 3,
       {"Fase: quadro SX (Q770ULTE.V24)",
        "Causa: l'indice dipendenti (base 30) rimanda dalla chiave 0020000000 al record 1 oltre "
        "la fine dell'archivio dipendenti"}},
      {"F24 index cut short",
       [](Installation& inst) { fs::resize_file(inst.archive("KVF24.IDX"), 300); },
       {"export", "--all"}, 3,
       {"ERRORE ISAM - INDICE DANNEGGIATO 378",
        "Causa: indice F24 danneggiato: la chiave 002202301 non ha avuto risposta dall'indice; "
        "ripristinare l'indice F24 (base 378) e rilanciare"}},
      {"FIFO for the catalogue", [](Installation& inst) { fifoAt(inst.archive("TRBASE.DAT")); },
       {"export", "--all"}, 3,
       {"Errore 75 Path/File access error: C:\\KORVANTE\\ARCHIVI\\TRBASE.DAT"}},
      {"FIFO for the task file",
       [](Installation& inst) { fifoAt(inst.dir / "ZAVUVOD" / "ZAVUVOD.INI"); }, {"companies"},
       3, {"Errore 75 Path/File access error: C:\\ZAVUVOD\\ZAVUVOD.INI"}},
      // Never taken for a missing database and replaced by the template's copy.
      {"FIFO for a yearly F24 database",
       [](Installation& inst) { fifoAt(inst.archive("SF242023.MDB")); },
       {"list", "comuni", "--all"}, 3,
       {"Errore 75 Path/File access error: C:\\KORVANTE\\ARCHIVI\\SF242023.MDB"},
       [](Installation& inst) {
         const fs::path db = inst.archive("SF242023.MDB");
         EXPECT_TRUE(fs::exists(db) && !fs::is_regular_file(db));
       }},
      {"FIFO for an archive's path file",
       [](Installation& inst) {
         fs::remove(inst.dir / "registry.ini");
         fifoAt(inst.dir / "RORIZIDO" / "TRPERARK.TRP");
       },
       {"companies"}, 3,
       {"ERRORE DI CONFIGURAZIONE! CONTROLLARE I PERCORSI DI Korvante CON IL PROGRAMMA "
        "KVPERCORSO"}},
      {"folder where an export file goes",
       [](Installation& inst) {
         fs::remove(inst.archive("FRONTE.V24"));
         fs::create_directory(inst.archive("FRONTE.V24"));
       },
       {"export", "--all"}, 3,
       {"Fase: registrazione dei file di esportazione",
        "Causa: Errore N.75 Path/File access error: C:\\KORVANTE\\ARCHIVI\\FRONTE.V24"},
       [](Installation& inst) {
         EXPECT_TRUE(fs::is_directory(inst.archive("FRONTE.V24")));
         EXPECT_FALSE(fs::exists(inst.archive("QUADST.V24"))) << "no part of the new set";
       }},
  };
  demo::Options two;
  two.companies = 2;
  two.employees = 2;
  int tried = 0;
  for (const BadInput& c : cases) {
    SCOPED_TRACE(c.what);
    Installation inst(two);
    writeBytes(inst.archive("FRONTE.V24"), "OLD");
    c.damage(inst);
    std::vector<std::string> args = {"--root", inst.dir.str(), "--registry",
                                     inst.builder.registryPath()};
    args.insert(args.end(), c.command.begin(), c.command.end());
    const testing::CliRun r = testing::runCli(inst.dir.path(), args);
    ++tried;
    EXPECT_EQ(r.status, c.status) << r.err;
    for (const std::string& text : c.says) EXPECT_TRUE(r.saidInErr(text)) << text << "\n" << r.err;
    EXPECT_FALSE(r.saidInErr("terminata")) << r.err;
    if (fs::is_regular_file(inst.archive("FRONTE.V24"))) {
      EXPECT_EQ(readBytes(inst.archive("FRONTE.V24")), "OLD");
    }
    EXPECT_EQ(inst.leftovers(), std::vector<std::string>{});
    if (c.then) c.then(inst);
  }
  std::printf("FIGURE bad_inputs %d\n", tried);
}

}  // namespace
}  // namespace zr::exporttest
