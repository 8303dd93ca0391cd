#include "common/error.h"

#include "common/user_interface.h"

namespace {

template <typename It>
std::string Format(const std::string& pattern, It next, It end) {
  std::string out;
  out.reserve(pattern.size() + 32);
  for (size_t i = 0; i < pattern.size(); ++i) {
    char c = pattern[i];
    if (c == '%' && i + 1 < pattern.size()) {
      char k = pattern[i + 1];
      if (k == '%') { out += '%'; ++i; continue; }
      if ((k == 's' || k == 'd') && next != end) { out += *next++; ++i; continue; }
    }
    out += c;
  }
  return out;
}

std::string BuiltInText(const char* key, const std::vector<std::string>& args) {
  std::string pattern = BuiltInMessageText(key);
  return FormatText(pattern.empty() ? std::string(key) : pattern, args);
}

}  // namespace

TError::TError(TMessageKey key, std::vector<std::string> args)
    : std::runtime_error(BuiltInText(key.Key, args)), Key_(key.Key), Args_(std::move(args)) {}

std::string FormatText(const std::string& pattern, std::initializer_list<std::string> args) {
  return Format(pattern, args.begin(), args.end());
}

std::string FormatText(const std::string& pattern, const std::vector<std::string>& args) {
  return Format(pattern, args.begin(), args.end());
}

std::string ErrorText(const std::exception& error, const std::function<std::string(const std::string&)>& messageText) {
  const auto* keyed = dynamic_cast<const TError*>(&error);
  if (!keyed || keyed->Key().empty() || !messageText) return error.what();
  const std::string pattern = messageText(keyed->Key());
  if (pattern.empty() || pattern == kMessageNotFound) return error.what();
  return FormatText(pattern, keyed->Args());
}
