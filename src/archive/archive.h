// The archive library: slot table 0..600 (BUFFERREC, LUNGREC, NUMFILE), archive naming through
// TRBASE.DAT, opens and closes, the semaphore, the ring of the last ten operations, the shared
// error routine, and fixed-length record input and output. Touches files only through
// platform::Files and speaks to the user only through platform::Ui.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "archive/config.h"
#include "archive/installation.h"
#include "platform/clock.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/ui.h"

namespace zr {

inline constexpr int kSemaphoreBase = inst::kSemaphore;

struct CatalogueRecord;  // what the library takes from one record of TRBASE.DAT

class ArchiveLib {
 public:
  ArchiveLib(platform::Files& files, platform::Ui& ui, platform::Clock& clock,
             const Config& config, ErrorPolicy policy = ErrorPolicy::Interactive);
  ~ArchiveLib();
  ArchiveLib(const ArchiveLib&) = delete;
  ArchiveLib& operator=(const ArchiveLib&) = delete;

  // --- slot table (base numbers 0..600; others are error 9) ---
  std::string& BUFFERREC(double n);
  double& LUNGREC(double n);
  std::int16_t NUMFILE(double n) const;

  // --- opening context, consumed by DAMMIFILE ---
  std::string UNITAOPEN, DITTAOPEN, ANNOOPEN, REGIONEOPEN, PROVINCIAOPEN;
  double LUNGRECBASE = 0;

  // --- operation ring and the shared error routine ---
  void TRACCIAOPERAZIONE(std::string_view name);
  // The ten ring lines oldest first, as the error message shows them (empty before any entry).
  std::vector<std::string> lastOperations() const;
  enum class ErrorAction { Retry, Continue };
  // Handles a run-time error: 482 asks whether to retry (Retry / Continue, or ends); any other
  // shows "Errore ..." with the ring and the closing message, closes all files and throws
  // ProgramEnd{3}. Under ErrorPolicy::Throwing it closes all files and throws the error itself.
  ErrorAction GESTIONEERRORE(const RuntimeError& e);
  // A failure the library reports and goes on from (an ISAM error, an unknown descriptor
  // letter): a message, or ProgramStopped under ErrorPolicy::Throwing.
  void tellFailure(std::string_view text);
  // "Ends the program": the message, all files closed, ProgramEnd{3}; under
  // ErrorPolicy::Throwing the files are closed and ProgramStopped carries the message.
  [[noreturn]] void endProgram(std::string_view text, std::string_view title);
  // Runs `body` under the shared error routine, as the library routines do: a RuntimeError
  // goes to GESTIONEERRORE; Retry runs it again, Continue returns a default value.
  template <class F>
  auto guarded(F&& body) -> decltype(body());

  // --- files (Part of the library's routines, names as the system's) ---
  void NUOVONUMEROFILE(double n);
  void CHIUDIFILE(double n);  // 0 = all
  std::string DAMMIFILE(double n, bool& prefix);
  double FAIOPEN(double n);
  int VERBASE(double n);
  void ELIMINA(double n);
  void AZZERAFILE(double n);
  void APRISEMA();
  void CHIUDISEMA();
  std::int16_t ESISTEFILE(std::string_view name);  // -1 true, 0 false
  void COPIAFILE(std::string_view source, std::string_view destination);

  // --- records ---
  int LEGGIREC(double n, double r);  // 1 past the end, else 0
  void SCRIVIREC(double n, double r, std::string_view s = {});
  // Part of record R without the slot's buffer: `part.size()` bytes from 0-based `pos` of the
  // record. Reading gives 1 when the record does not lie wholly in the file, else 0. Writing
  // changes only those bytes, and only inside a record that lies wholly in the file (error 63
  // otherwise), so that nothing else of a record another program may be writing is touched.
  int readRecordPart(double n, double r, std::size_t pos, std::string& part);
  void writeRecordPart(double n, double r, std::size_t pos, std::string_view part);

  // The open file of a base number (error 52 when closed).
  platform::File& fileOf(double n);
  // Length in bytes of an open base number's file.
  std::uint64_t openFileLength(double n);

  platform::Files& files() { return files_; }
  platform::Ui& ui() { return ui_; }
  platform::Clock& clock() { return clock_; }
  const Config& config() const { return config_; }
  // Records read by LEGGIREC since construction (benchmarks and tests count with it).
  std::uint64_t recordsRead() const { return recordsRead_; }

  // --- what one command keeps of its reads ---
  // While a RunScope is open the catalogue records read stay in memory, the archives that
  // CHIUDIFILE closes stay open for the next FAIOPEN of the same name, the semaphore file stays
  // open with its lock taken by APRISEMA and given back by CHIUDISEMA as before, and the index
  // nodes read through readIndexNode stay in memory. All of
  // it goes when the outermost scope closes: nothing read is carried into another command.
  // A write, a deletion or a copy through the library drops what was kept of that file.
  class RunScope {
   public:
    explicit RunScope(ArchiveLib& lib);
    ~RunScope();
    RunScope(const RunScope&) = delete;
    RunScope& operator=(const RunScope&) = delete;

   private:
    ArchiveLib& lib_;
    bool outermost_;
  };
  // False: a RunScope keeps nothing and every call reads and opens afresh (the straightforward
  // paths, which the equivalence tests set against the kept ones).
  bool runCaching = true;
  // LEGGIREC of an index node: the same trace, result and buffer, from memory when this run
  // has read the node already.
  int readIndexNode(double n, double r);

 private:
  int slot(double n) const;  // validated index, error 9 otherwise
  // The slot's record buffer, error 59 when the file was opened with another record length.
  std::string& recordBuffer(double n);
  std::int16_t freeFileNumber() const;
  void normaliseContext(std::string& annoBefore);

  struct RunCache;
  CatalogueRecord catalogueRecord(double n);
  std::unique_ptr<platform::File> openArchive(const std::string& name);
  // The semaphore's file, locked: opened for this call, or (in a run) the run's file locked.
  std::unique_ptr<platform::File> lockSemaphore(const std::string& path);
  // Closes file number `number`: kept open for the run, or (the semaphore) really closed.
  void release(std::int16_t number, bool semaphore);
  // Drops whatever the run kept of a file: its nodes, and its handles when `handles`.
  void forgetFile(const platform::File& file);
  void forgetName(std::string_view name);

  platform::Files& files_;
  platform::Ui& ui_;
  platform::Clock& clock_;
  const Config& config_;
  const ErrorPolicy policy_;

  std::array<std::string, 601> buffer_;
  std::array<double, 601> length_{};
  std::array<std::int16_t, 601> number_{};
  std::map<std::int16_t, std::unique_ptr<platform::File>> open_;  // by file number

  std::array<std::string, 11> ring_;
  int ringPos_ = 0;
  std::uint64_t recordsRead_ = 0;
  std::unique_ptr<RunCache> run_;
};

template <class F>
auto ArchiveLib::guarded(F&& body) -> decltype(body()) {
  for (;;) {
    try {
      return body();
    } catch (const RuntimeError& e) {
      if (GESTIONEERRORE(e) == ErrorAction::Continue) {
        if constexpr (!std::is_void_v<decltype(body())>)
          return decltype(body()){};
        else
          return;
      }
    }
  }
}

// The semaphore held for one short piece of work (an index lookup, a field's update) and
// released however that work ends.
class HeldSemaphore {
 public:
  explicit HeldSemaphore(ArchiveLib& lib) : lib_(lib) { lib_.APRISEMA(); }
  ~HeldSemaphore() {
    try {
      lib_.CHIUDISEMA();
    } catch (...) {
      // A release that fails leaves nothing more to undo here; the work's own outcome stands.
    }
  }
  HeldSemaphore(const HeldSemaphore&) = delete;
  HeldSemaphore& operator=(const HeldSemaphore&) = delete;

 private:
  ArchiveLib& lib_;
};

}  // namespace zr
