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
      if (k == '%') {
        out += '%';
        ++i;
        continue;
      }
      if ((k == 's' || k == 'd') && next != end) {
        out += *next++;
        ++i;
        continue;
      }
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

std::string TError::Text(const TLookup& lookup) const {
  if (Key_.empty() || !lookup) return what();
  const std::string pattern = lookup(Key_);
  if (pattern.empty() || pattern == kMessageNotFound) return what();
  return FormatText(pattern, Args_);
}

std::string ErrorText(const std::exception& error, const TError::TLookup& messageText) {
  const auto* own = dynamic_cast<const TError*>(&error);
  if (!own || !messageText) return error.what();
  return own->Text(messageText);
}

std::string ErrorText(const std::exception_ptr& error, const TError::TLookup& messageText) {
  try {
    std::rethrow_exception(error);
  } catch (const std::exception& e) {
    return ErrorText(e, messageText);
  } catch (...) {
    return "Unknown error";
  }
}
