// Shared by the shell tests: a payroll installation built on disk with the installation
// builder, Apps started on it with a scripted Ui and a fixed clock, and the command line run
// on it in a child process (ZR_CLI_PATH) with its stdout, stderr and exit status captured.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "builder.h"
#include "shell/app.h"
#include "shell/startup.h"
#include "support/cli.h"
#include "support/tempdir.h"

namespace zr::testing {

inline std::string readHostFile(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void writeHostFile(const std::filesystem::path& p, const std::string& bytes) {
  std::filesystem::create_directories(p.parent_path());
  std::ofstream(p, std::ios::binary | std::ios::trunc) << bytes;
}

inline demo::CompanyRecord company(int code, std::string name, int presenter = 0) {
  demo::CompanyRecord c;
  c.code = code;
  c.fields.push_back({"DITX$,00006,30,A,0,T002", std::move(name), 0});
  if (presenter != 0) c.fields.push_back({"DITX$,00166,03,N,0,T326", std::to_string(presenter), 0});
  return c;
}

inline demo::CompanyRecord voidCompany(int code) {
  demo::CompanyRecord c;
  c.code = code;
  c.voidRecord = true;
  return c;
}

// The status a handler ended the program with; -1 when it did not end it.
template <class F>
int endStatus(F&& handler) {
  try {
    handler();
  } catch (const ProgramEnd& end) {
    return end.status;
  }
  return -1;
}

// The task file as the exit leaves it for this code.
inline std::string endedTask(const std::string& code) {
  return code + std::string(100 - code.size(), ' ') + "\r\n";
}

class ShellTest : public ::testing::Test {
 protected:
  TempDir dir;
  std::string root = dir.str();
  platform::ScriptedUi* ui = nullptr;

  // Writes the skeleton and the companies, then lets the builder close its archives.
  void build(const demo::SkeletonOptions& options,
             const std::vector<demo::CompanyRecord>& companies) {
    demo::InstallationBuilder b(root);
    b.writeSkeleton(options);
    for (const auto& c : companies) b.putCompany(c);
    b.close();
  }
  void build(const std::vector<demo::CompanyRecord>& companies = {}) { build({}, companies); }

  std::filesystem::path host(std::string_view systemPath) const {
    return platform::mapPathLiterally(root, systemPath);
  }
  std::string registryPath() const { return root + "/registry.ini"; }
  std::filesystem::path taskPath() const { return host("C:\\ZAVUVOD\\ZAVUVOD.INI"); }
  std::string taskFile() const { return readHostFile(taskPath()); }

  // An App on the installation; its scripted Ui is left in `ui`. `files`, when given, stands
  // for the host files (a wrapper over files that outlive the App).
  std::unique_ptr<App> makeApp(std::string registry = {},
                               std::unique_ptr<platform::Files> files = {}) {
    Services s;
    s.files = files ? std::move(files) : platform::makeHostFiles(root);
    auto scripted = std::make_unique<platform::ScriptedUi>();
    ui = scripted.get();
    s.ui = std::move(scripted);
    s.clock = std::make_unique<platform::FixedClock>(std::chrono::year{2024} / 6 / 3);
    s.settings = platform::makeIniSettings(*s.files, registry.empty() ? registryPath() : registry);
    return std::make_unique<App>(std::move(s));
  }

  // Exactly one dialog was shown, with this text, title and icon.
  void expectOnlyDialog(const std::string& text, const std::string& title, platform::Icon icon) {
    const auto dialogs = ui->dialogs();
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_EQ(dialogs[0].text, text);
    EXPECT_EQ(dialogs[0].title, title);
    EXPECT_EQ(dialogs[0].icon, icon);
  }
};

inline const std::string kCaption = "Esportazione dati per 770/2024 - Anno di riferimento 2023";

class CliTest : public ShellTest {
 protected:
  // Runs zorir770 with these arguments (each quoted), stdout and stderr captured.
  CliRun cli(const std::vector<std::string>& args) { return runCli(dir.path(), args); }
  // Runs it pointed at the test's installation.
  CliRun on(std::vector<std::string> rest) {
    rest.insert(rest.begin(), {"--root", root, "--registry", registryPath()});
    return cli(rest);
  }
};

}  // namespace zr::testing
