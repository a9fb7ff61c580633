// The installation lock "ZORIR770.LCK" in the archives folder, which an export run and a date
// update hold for their whole length so that two runs (two users, two workstations on one
// share) never write one installation's files at once. Held by a file object (RAII).
#pragma once

#include <memory>
#include <string>

#include "platform/files.h"
#include "shell/runfailure.h"

namespace zr {

class App;

// Takes the lock, waiting up to 10 seconds for a run that holds it (a termination request ends
// the wait). nullptr when it stays held; the caller refuses its run with installationBusyText.
std::unique_ptr<platform::File> takeInstallationLock(App& app);

// "... e' in corso sugli archivi <folder>": why a run was refused.
std::string installationBusyText(const std::string& archives);

// How a command that writes the installation began: the lock held and what a crashed export
// left recovered (and the temporaries of a task file rewrite that a crash cut short removed), or refused (the lock stayed held) or failed (a termination request while
// waiting, a recovery that failed), its message shown.
enum class WritingStart { Held, Refused, Failed };
struct WritingSession {
  std::unique_ptr<platform::File> lock;
  WritingStart start = WritingStart::Failed;
};
// `unchanged` closes the refusal's message ("Nessun file e' stato modificato.").
WritingSession beginWriting(App& app, const FailureTexts& texts, std::string_view unchanged);

}  // namespace zr
