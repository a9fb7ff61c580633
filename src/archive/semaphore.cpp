// The semaphore TRSEMA.DAT: an exclusive open held in the slot of base number 16.
#include "archive/archive.h"
#include "archive/runcache.h"

namespace zr {

namespace {

constexpr std::chrono::milliseconds kRetryPause{25};
constexpr std::chrono::seconds kNoticeAfter{1};
constexpr std::string_view kNoticeLabel = "Label4";

bool heldByAnother(const RuntimeError& e) {
  return e.number() == 70 || e.number() == 75;
}

}  // namespace

void ArchiveLib::APRISEMA() {
  TRACCIAOPERAZIONE("APRISEMA");
  guarded([&] {
    NUOVONUMEROFILE(kSemaphoreBase);
    const std::int16_t number = number_[kSemaphoreBase];
    number_[kSemaphoreBase] = 0;  // until the lock is ours
    const std::string path = inst::inArchives(config_.PERCORSOARCHIVI, inst::kSemaphoreFile);
    const auto start = clock_.now();
    bool noticeShown = false;
    for (;;) {
      try {
        auto lock = lockSemaphore(path);
        std::string first(inst::kSemaphoreRecord, ' ');
        lock->readAt(0, first.data(), first.size());
        open_[number] = std::move(lock);
        number_[kSemaphoreBase] = number;
        break;
      } catch (const RuntimeError& e) {
        if (!heldByAnother(e)) throw;
      }
      // Another program holds it: wait for it without spinning, and say why after a while.
      if (!noticeShown && clock_.now() - start >= kNoticeAfter) {
        ui_.progress(kNoticeLabel, "Archivio " + std::string(inst::kSemaphoreFile) +
                                       " in uso da un altro programma ... attendere");
        noticeShown = true;
      }
      clock_.sleepFor(kRetryPause);
    }
    if (noticeShown) ui_.progress(kNoticeLabel, "");
  });
}

void ArchiveLib::CHIUDISEMA() {
  CHIUDIFILE(kSemaphoreBase);
}

}  // namespace zr
