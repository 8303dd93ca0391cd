#include "common/format_arguments.h"

#include "common/error.h"
#include "common/user_interface.h"

namespace {

bool MatchFrom(const std::string& pattern, size_t p, const std::string& text, size_t t,
               std::vector<std::string>& args) {
  while (p < pattern.size()) {
    const char c = pattern[p];
    const char k = p + 1 < pattern.size() ? pattern[p + 1] : '\0';
    if (c == '%' && (k == 's' || k == 'd')) {
      // The shortest argument that lets the rest match.
      for (size_t end = t; end <= text.size(); ++end) {
        std::string arg = text.substr(t, end - t);
        if (k == 'd' && arg.find_first_not_of("-0123456789") != std::string::npos) return false;
        if (k == 'd' && arg.empty()) continue;
        args.push_back(std::move(arg));
        if (MatchFrom(pattern, p + 2, text, end, args)) return true;
        args.pop_back();
      }
      return false;
    }
    const size_t step = c == '%' && k == '%' ? 2 : 1;  // "%%" stands for "%"
    if (t >= text.size() || text[t] != c) return false;
    p += step;
    ++t;
  }
  return t == text.size();
}

// The characters of pattern that are not placeholders.
size_t FixedLength(const std::string& pattern) {
  size_t n = 0;
  for (size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] == '%' && i + 1 < pattern.size() &&
        (pattern[i + 1] == 's' || pattern[i + 1] == 'd' || pattern[i + 1] == '%'))
      ++i;
    ++n;
  }
  return n;
}

}  // namespace

std::optional<std::vector<std::string>> FormatArguments(const std::string& pattern, const std::string& text) {
  std::vector<std::string> args;
  if (!MatchFrom(pattern, 0, text, 0, args)) return std::nullopt;
  return args;
}

std::optional<std::string> Retranslated(const std::string& text, const TMessageLookup& from, const TMessageLookup& to) {
  std::optional<std::string> best;
  size_t bestFixed = 0;
  for (const std::string& key : BuiltInMessageKeys()) {
    const std::string pattern = from(key);
    const size_t fixed = FixedLength(pattern);
    // A pattern of placeholders alone would read any text.
    if (fixed == 0 || fixed <= bestFixed) continue;
    if (const auto args = FormatArguments(pattern, text)) {
      const std::string again = to(key);
      if (again.empty()) continue;
      best = FormatText(again, *args);
      bestFixed = fixed;
    }
  }
  return best;
}
