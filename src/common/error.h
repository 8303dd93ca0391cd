// The program's error type: its text is what the standard error box shows.
#pragma once

#include <stdexcept>
#include <string>

class TError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Replaces each "%s" / "%d" in turn with the next argument; "%%" gives "%".
std::string FormatText(const std::string& pattern, std::initializer_list<std::string> args);
