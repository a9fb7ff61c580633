// Without a registry, the INI file stands for it.
#include <cstdlib>

#include "platform/posix/pathmap_disk.h"
#include "platform/settings.h"

namespace zr::platform {

std::string defaultRegistryPath() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  std::string base =
      config && config[0] == '/' ? std::string(config) : pathmap::homeFolder() + "/.config";
  return base + "/zorir770/registry.ini";
}

std::unique_ptr<Settings> makeHostSettings(Files& files, const std::string& registryFile) {
  return makeIniSettings(files, registryFile.empty() ? defaultRegistryPath() : registryFile);
}

}  // namespace zr::platform
