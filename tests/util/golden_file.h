// Golden-file tests, the gpsd way: inputs in a text file under tests/data/,
// the expected results in the same name plus ".chk", line for line. A line
// that is empty or starts with '#' (the legend of the case below it) is
// copied; every other line is an input and its .chk line is what the test
// makes of it (`paste -d'\n' file file.chk` shows them together).
// KV_REGENERATE_GOLDENS=1 writes the .chk files instead of comparing
// (tools/regenerate_goldens.sh); review their diff before committing.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>

namespace kv::test {

// run(line, first): the result of one input line, without a line end;
// `first` is true for the first input after a copied line, where a case
// starts over.
inline void ExpectGolden(const std::string& path,
                         const std::function<std::string(const std::string&, bool)>& run) {
  const bool regenerate = std::getenv("KV_REGENERATE_GOLDENS") != nullptr;
  std::ifstream input(path), golden(path + ".chk");
  ASSERT_TRUE(input && (regenerate || golden)) << path << " or its .chk is missing";
  std::string results, line, expected;
  bool first = true;
  for (int number = 1; std::getline(input, line); ++number) {
    const bool copied = line.empty() || line[0] == '#';
    const std::string result = copied ? line : run(line, first);
    first = copied;
    results.append(result).append("\n");
    if (regenerate) continue;
    if (!std::getline(golden, expected)) expected = "(past the end of the .chk)";
    EXPECT_EQ(result, expected) << path << ":" << number << ": " << line;
  }
  if (regenerate) std::ofstream(path + ".chk", std::ios::binary) << results;
  EXPECT_TRUE(regenerate || !std::getline(golden, expected)) << path << ".chk has more lines";
}

}  // namespace kv::test
