// Shared by the grid and calendar tests: an installation built on disk, and the program loaded
// on it (RIZ770's load) with a scripted Ui and a clock fixed on the day the test names.
#pragma once

#include <chrono>
#include <memory>

#include "shell/shell_fixture.h"

namespace zr::testing {

class GridTest : public ShellTest {
 protected:
  void SetUp() override { build({company(1, "ALFA SRL"), company(2, "BETA SPA")}); }

  // The program loaded on the installation, today being `today`; the load's reminder is
  // cleared from the Ui. One App at a time: the previous one goes first (instance lock).
  App& load(std::chrono::year_month_day today) {
    app.reset();
    Services s;
    s.files = platform::makeHostFiles(root);
    auto scripted = std::make_unique<platform::ScriptedUi>();
    ui = scripted.get();
    s.ui = std::move(scripted);
    s.clock = std::make_unique<platform::FixedClock>(today);
    s.settings = platform::makeIniSettings(*s.files, registryPath());
    app = std::make_unique<App>(std::move(s));
    RIZ770_Load(*app);
    ui->clear();
    return *app;
  }

  std::unique_ptr<App> app;
};

}  // namespace zr::testing
