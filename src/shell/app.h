// The App context: owns the platform services, the configuration, the archive library, the
// repository, the F24 databases, the run flags and the main-form model. Two Apps in one
// process never share anything.
#pragma once

#include <memory>

#include "archive/archive.h"
#include "archive/config.h"
#include "f24db/f24db.h"
#include "platform/clock.h"
#include "platform/database.h"
#include "platform/files.h"
#include "platform/interrupts.h"
#include "platform/printer.h"
#include "platform/settings.h"
#include "platform/ui.h"
#include "repository/repository.h"
#include "shell/mainform.h"

namespace zr {

struct Services {
  std::unique_ptr<platform::Files> files;
  std::unique_ptr<platform::Ui> ui;
  std::unique_ptr<platform::Clock> clock;
  std::unique_ptr<platform::Settings> settings;
  std::unique_ptr<platform::DatabaseEngine> databases;  // made over `files` when null
  std::unique_ptr<platform::Interrupts> interrupts;     // the process's signals when null
  std::unique_ptr<platform::PrinterProvider> printers;  // no printer (error 484) when null
};

struct RunFlags {
  int ERRORELISTA = 0;
  int OPZIONECU = 0;
  int OPZIONESALDO = 0;
};

class App {
  Services services_;  // first: every member below uses the services

 public:
  explicit App(Services services);
  ~App();
  App(const App&) = delete;
  App& operator=(const App&) = delete;

  platform::Files& files() { return *services_.files; }
  platform::Ui& ui() { return *services_.ui; }
  platform::Clock& clock() { return *services_.clock; }
  platform::Settings& settings() { return *services_.settings; }
  platform::DatabaseEngine& databases() { return *services_.databases; }
  platform::Interrupts& interrupts() { return *services_.interrupts; }
  // The command's printer; error 484 when the system has none.
  platform::Printer& printer() { return services_.printers->printer(); }
  // The command is over: its document, if it printed one, is completed.
  void finishPrinting() { services_.printers->finish(); }

  Config config;
  ArchiveLib lib;
  Repository repo;
  F24Databases f24;
  RunFlags flags;
  MainForm form;
  // Held for the process's life once the load has passed the previous-instance test.
  std::unique_ptr<platform::InstanceLock> instanceLock;
};

}  // namespace zr
