// The command line's grammar: arbitrary argument vectors (the input's NUL-separated words)
// through the same parse as zorir770's. Every vector ends as a command to run, the help or a
// usage error; a command chosen is a command set, and nothing is run.
#include <sstream>

#include "commandline.h"
#include "fuzz_support.h"

using namespace zr;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  constexpr std::size_t kMaxWords = 32;
  std::vector<std::string> words{"zorir770"};
  std::string_view in(reinterpret_cast<const char*>(data), size);
  while (!in.empty() && words.size() < kMaxWords) {
    const std::size_t end = in.find('\0');
    words.emplace_back(in.substr(0, end));
    in.remove_prefix(end == std::string_view::npos ? in.size() : end + 1);
  }
  std::vector<const char*> argv;
  for (const std::string& w : words) argv.push_back(w.c_str());
  argv.push_back(nullptr);

  cli::GlobalOptions global;
  cli::Command command;
  std::ostringstream out, err;
  const cli::Parsed parsed = cli::parseCommandLine(static_cast<int>(words.size()), argv.data(),
                                                   global, command, out, err);
  if (parsed == cli::Parsed::Run && !command) fuzz::fault("a command to run, but none chosen");
  if (parsed == cli::Parsed::Usage && err.str().empty()) fuzz::fault("a usage error unexplained");
  return 0;
}
