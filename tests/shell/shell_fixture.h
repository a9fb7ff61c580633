// Shared by the shell tests: a payroll installation built on disk with the installation
// builder, and Apps started on it with a scripted Ui and a fixed clock.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "builder.h"
#include "shell/app.h"
#include "support/tempdir.h"

namespace zr::testing {

inline std::string readHostFile(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void writeHostFile(const std::filesystem::path& p, const std::string& bytes) {
  std::filesystem::create_directories(p.parent_path());
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out << bytes;
}

// A field value as the builder stores it.
inline demo::FieldValue fieldOf(std::string descriptor, std::string value) {
  return demo::FieldValue{std::move(descriptor), std::move(value), 0};
}

inline demo::CompanyRecord company(int code, std::string name, int presenter = 0) {
  demo::CompanyRecord c;
  c.code = code;
  c.fields.push_back(fieldOf("DITX$,00006,30,A,0,T002", std::move(name)));
  if (presenter != 0)
    c.fields.push_back(fieldOf("DITX$,00166,03,N,0,T326", std::to_string(presenter)));
  return c;
}

inline demo::CompanyRecord voidCompany(int code) {
  demo::CompanyRecord c;
  c.code = code;
  c.voidRecord = true;
  return c;
}

class ShellTest : public ::testing::Test {
 protected:
  TempDir dir;
  std::string root = dir.str();

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

  // An App on the installation; its scripted Ui is left in `ui`.
  std::unique_ptr<App> makeApp(std::string registry = {}) {
    Services s;
    s.files = platform::makeHostFiles(root);
    auto scripted = std::make_unique<platform::ScriptedUi>();
    ui = scripted.get();
    s.ui = std::move(scripted);
    s.clock = std::make_unique<platform::FixedClock>(std::chrono::year{2024} / 6 / 3);
    s.settings = platform::makeIniSettings(registry.empty() ? registryPath() : registry);
    return std::make_unique<App>(std::move(s));
  }

  platform::ScriptedUi* ui = nullptr;
};

}  // namespace zr::testing
