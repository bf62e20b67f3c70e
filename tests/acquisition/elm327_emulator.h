// elm327_emulator.py (beside this file) as a child process of a test: an
// ELM327-style adapter on a pseudo-terminal, started with the script's
// options and ended with the object (its standard input closes).
#pragma once

#include <fstream>
#include <string>
#include <vector>

#include "support/script_child.h"

namespace kv::test {

class Elm327Emulator : public ScriptChild {
 public:
  // options: the script's, e.g. {"--rpm", "800,1200", "--delay", "20"}.
  explicit Elm327Emulator(std::vector<std::string> options)
      : ScriptChild("tests/acquisition/elm327_emulator.py", std::move(options)) {}

  // The slave side's path; empty when the emulator did not start.
  const std::string& Device() const { return FirstLine(); }
};

// The lines of a --log file, each split at its tabs: command, reply, and
// "garbled" for a reply that was.
inline std::vector<std::vector<std::string>> EmulatorLog(const std::string& path) {
  std::vector<std::vector<std::string>> lines;
  std::ifstream in(path);
  for (std::string line; std::getline(in, line);) {
    lines.emplace_back();
    for (size_t at = 0, tab = 0; tab != std::string::npos; at = tab + 1)
      lines.back().push_back(line.substr(at, (tab = line.find('\t', at)) - at));
  }
  return lines;
}

}  // namespace kv::test
