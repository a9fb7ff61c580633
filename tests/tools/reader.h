// Opens a built installation the way the program does (path files, task file, catalogue) so the
// tests read it back through the library's own routines.
#pragma once

#include <memory>
#include <string>

#include "archive/archive.h"
#include "archive/config.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/ui.h"
#include "repository/repository.h"

namespace zr::testing {

struct Installation {
  explicit Installation(const std::string& root)
      : files(platform::makeHostFiles(root)), clock(std::chrono::year{2024} / 4 / 2) {
    config.PERCORSOARCHIVI = trim(files->readLines("C:\\RORIZIDO\\TRPERARK.TRP").at(0));
    config.PERCORSOPROGRAMMI = trim(files->readLines("C:\\RORIZIDO\\TRPERPRO.TRP").at(0));
    config.taskFileLine = files->readLines("C:\\ZAVUVOD\\ZAVUVOD.INI").at(0);
    config.CODICETASK = trim(config.taskFileLine.substr(0, 2));
    lib = std::make_unique<ArchiveLib>(*files, ui, clock, config);
    repo = std::make_unique<Repository>(*lib);
  }

  static std::string trim(const std::string& s) {
    const auto b = s.find_first_not_of(' ');
    return b == std::string::npos ? "" : s.substr(b, s.find_last_not_of(' ') - b + 1);
  }

  // Record r of an open archive, or "" past its end.
  std::string record(int base, double r) {
    return lib->LEGGIREC(base, r) == 1 ? std::string() : lib->BUFFERREC(base);
  }

  std::unique_ptr<platform::Files> files;
  platform::ScriptedUi ui;
  platform::FixedClock clock;
  Config config;
  std::unique_ptr<ArchiveLib> lib;
  std::unique_ptr<Repository> repo;
};

}  // namespace zr::testing
