// The semaphore TRSEMA.DAT: held by another process, waited for without spinning.
#include <gtest/gtest.h>
#include <time.h>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <future>
#include <thread>
#else
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <chrono>
#include <cstdint>

#include "archive/archive_bed.h"
#include "support/fault_files.h"

namespace zr::testing {
namespace {

using namespace std::chrono_literals;

constexpr const char* kSemaphore = "C:\\ARCHIVI\\TRSEMA.DAT";
const std::string kNotice = "Archivio TRSEMA.DAT in uso da un altro programma ... attendere";

std::vector<platform::ScriptedUi::Event> progressEvents(const platform::ScriptedUi& ui) {
  std::vector<platform::ScriptedUi::Event> out;
  for (const auto& e : ui.events)
    if (e.kind == platform::ScriptedUi::Kind::Progress) out.push_back(e);
  return out;
}

TEST(Semaphore, AnErrorOtherThanInUseEndsTheProgramWithoutRetrying) {
  ArchiveBed bed({{16, "TRSEMA.DAT", "2000"}});
  // The semaphore's lock fails with an error other than "in use".
  FaultFiles failing(bed.files());
  failing.inject(fail(Call::Lock, 57).fromThenOn());
  platform::FixedClock clock{std::chrono::year{2024} / 1 / 1};
  platform::ScriptedUi ui;
  Config config;
  config.PERCORSOARCHIVI = kArchives;
  ArchiveLib lib(failing, ui, clock, config);
  EXPECT_THROW(lib.APRISEMA(), ProgramEnd);
  EXPECT_EQ(failing.calls(Call::Lock), 1);
  ASSERT_EQ(ui.dialogs().size(), 2u);
  EXPECT_EQ(ui.dialogs()[0].text.rfind("Errore 57 Device I/O error", 0), 0u);
  EXPECT_EQ(lib.NUMFILE(kSemaphoreBase), 0);
}

double processCpuSeconds() {
#ifdef _WIN32
  FILETIME created, ended, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user);
  const auto ticks = [](FILETIME t) {
    return static_cast<double>((std::uint64_t{t.dwHighDateTime} << 32) | t.dwLowDateTime);
  };
  return (ticks(kernel) + ticks(user)) / 1e7;  // 100 ns units
#else
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
#endif
}

TEST(Semaphore, WaitsForAnotherProcessWithoutBurningCpu) {
  auto systemClock = platform::makeSystemClock();
  platform::Clock& clock = *systemClock;
  ArchiveBed bed({{16, "TRSEMA.DAT", "2000"}}, std::move(systemClock));
  bed.write("TRSEMA.DAT", std::string(2000, 'S'));

#ifdef _WIN32
  // The other program is a thread with a handle of its own: LockFileEx refuses a second
  // handle's lock as it refuses another process's, so no second process is needed.
  std::promise<bool> taken;
  std::future<bool> tookIt = taken.get_future();
  int otherStatus = -1;
  std::thread holder([&] {
    bool told = false;
    try {
      auto files = platform::makeHostFiles(bed.root().string());
      auto lock = files->openLocked(kSemaphore);
      taken.set_value(told = true);
      clock.sleepFor(1300ms);
      otherStatus = 0;
    } catch (...) {
      if (!told) taken.set_value(false);
      otherStatus = 1;
    }
  });
  struct Joined {
    std::thread& t;
    ~Joined() {
      if (t.joinable()) t.join();
    }
  } joined{holder};
  ASSERT_TRUE(tookIt.get()) << "the holder could not take the lock";
#else
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // The other program: holds the semaphore for a little over a second.
    close(ready[0]);
    int status = 1;
    try {
      auto files = platform::makeHostFiles(bed.root().string());
      auto lock = files->openLocked(kSemaphore);
      (void)!write(ready[1], "h", 1);
      clock.sleepFor(1300ms);
      status = 0;
    } catch (...) {
    }
    _exit(status);
  }
  close(ready[1]);
  char got = 0;
  ASSERT_EQ(read(ready[0], &got, 1), 1) << "the child could not take the lock";
  close(ready[0]);
#endif

  const auto wallStart = std::chrono::steady_clock::now();
  const double cpuStart = processCpuSeconds();
  bed.lib().APRISEMA();
  const double cpu = processCpuSeconds() - cpuStart;
  const auto waited = std::chrono::steady_clock::now() - wallStart;

#ifdef _WIN32
  holder.join();
  EXPECT_EQ(otherStatus, 0);
#else
  int status = -1;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
#endif
  EXPECT_GE(waited, 1000ms) << "it did not wait for the holder: the lock is not exclusive";
  EXPECT_LT(waited, 3000ms);
  EXPECT_LT(cpu, 0.2) << "CPU seconds spent waiting";
  RecordProperty("wait_cpu_ms", static_cast<int>(cpu * 1000));

  const auto shown = progressEvents(bed.ui());
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0].text, kNotice);
  EXPECT_EQ(shown[1].text, "");

  // Now ours: others are refused until CHIUDISEMA, and CHIUDIFILE(0) releases it as well.
  EXPECT_THROW(bed.files().openLocked(kSemaphore), RuntimeError);
  bed.lib().CHIUDISEMA();
  EXPECT_EQ(bed.lib().NUMFILE(kSemaphoreBase), 0);
  EXPECT_NO_THROW(bed.files().openLocked(kSemaphore));
  bed.lib().APRISEMA();
  bed.lib().CHIUDIFILE(0);
  EXPECT_NO_THROW(bed.files().openLocked(kSemaphore));
  EXPECT_EQ(bed.read("TRSEMA.DAT"), std::string(2000, 'S')) << "the content is left alone";
}

}  // namespace
}  // namespace zr::testing
