// The options by which both front ends find the payroll installation: the drive root and the
// registry stand-in, with the same defaults.
#pragma once

#include <CLI/CLI.hpp>
#include <string>

namespace zr::cli {

inline void addInstallationOptions(CLI::App& cli, std::string& root, std::string& registry) {
  cli.add_option("--root", root,
                 "folder that stands for drive C: (default: $ZORIR770_ROOT, else "
                 "$XDG_DATA_HOME/zorir770/c)");
  cli.add_option("--registry", registry,
                 "INI file standing for the current user's registry (default: "
                 "$XDG_CONFIG_HOME/zorir770/registry.ini)");
}

}  // namespace zr::cli
