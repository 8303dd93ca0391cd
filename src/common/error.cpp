#include "common/error.h"

std::string FormatText(const std::string& pattern, std::initializer_list<std::string> args) {
  std::string out;
  out.reserve(pattern.size() + 32);
  auto next = args.begin();
  for (size_t i = 0; i < pattern.size(); ++i) {
    char c = pattern[i];
    if (c == '%' && i + 1 < pattern.size()) {
      char k = pattern[i + 1];
      if (k == '%') { out += '%'; ++i; continue; }
      if ((k == 's' || k == 'd') && next != args.end()) { out += *next++; ++i; continue; }
    }
    out += c;
  }
  return out;
}
