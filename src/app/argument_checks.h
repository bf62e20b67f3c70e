// Values checked where the command line is read: a bad one is a usage
// error (exit status 2) that names the option, before anything runs.
#pragma once

#include <CLI/CLI.hpp>
#include <functional>
#include <string>

namespace kv::app {

// The whole text as a finite number (no trailing characters, no NaN or
// infinity); false otherwise.
bool ParseFiniteReal(const std::string& text, double* value);

// A finite number from `low` to `high` (above `low` when low_open). NaN
// and infinities never pass, whatever the range.
CLI::Validator RealWithin(double low, double high, bool low_open = false);
// A whole number from `low` to `high`, without wrapping.
CLI::Validator WholeWithin(long long low, long long high);
// What `parses` accepts; `expected` says what that is.
CLI::Validator Accepts(std::function<bool(const std::string&)> parses, const std::string& expected);
// A track (or other user-named file) name: not empty, and valid as a name
// of ours ("Name contains invalid characters." otherwise).
CLI::Validator FileName();
CLI::Validator NotEmpty();

}  // namespace kv::app
