#include "imagefile/image_error.h"

#include "common/integer.h"
#include "common/user_interface.h"

namespace {

std::string Format(const std::string& pattern, const std::vector<std::string>& args) {
  std::string out;
  size_t next = 0;
  for (size_t i = 0; i < pattern.size(); ++i) {
    const char c = pattern[i];
    if (c == '%' && i + 1 < pattern.size()) {
      const char k = pattern[i + 1];
      if (k == '%') {
        out += '%';
        ++i;
        continue;
      }
      if ((k == 's' || k == 'd') && next < args.size()) {
        out += args[next++];
        ++i;
        continue;
      }
    }
    out += c;
  }
  return out;
}

std::string BuiltIn(const std::string& key) {
  std::string t = BuiltInMessageText(key);
  return t.empty() ? std::string(kMessageNotFound) : t;
}

}  // namespace

TImageError::TImageError(TKeyedText what) : TError(Compose(BuiltIn, {}, what, {})), What_(std::move(what)) {}

TImageError::TImageError(TKeyedText where, TKeyedText what)
    : TError(Compose(BuiltIn, where, what, {})), Where_(std::move(where)), What_(std::move(what)) {}

TImageError::TImageError(TKeyedText where, std::string plainWhat)
    : TError(Compose(BuiltIn, where, {}, plainWhat)), Where_(std::move(where)), PlainWhat_(std::move(plainWhat)) {}

TImageError TImageError::Whole(TKeyedText what) {
  TImageError e(std::move(what));
  e.Whole_ = true;
  return e;
}

TImageError TImageError::Placed(TKeyedText where) const {
  if (Whole_) return *this;
  if (!What_.Key.empty()) return TImageError(std::move(where), What_);
  return TImageError(std::move(where), PlainWhat_);
}

std::string TImageError::Text(const TLookup& lookup) const { return Compose(lookup, Where_, What_, PlainWhat_); }

std::string TImageError::Compose(const TLookup& lookup, const TKeyedText& where, const TKeyedText& what,
                                 const std::string& plainWhat) {
  // A key the language lacks is shown in the built-in English, as for every other error.
  const auto text = [&lookup](const std::string& key) {
    std::string t = lookup ? lookup(key) : std::string();
    return t.empty() || t == kMessageNotFound ? BuiltIn(key) : t;
  };
  std::string problem = what.Key.empty() ? plainWhat : Format(text(what.Key), what.Args);
  if (where.Key.empty()) return problem;
  std::vector<std::string> args = where.Args;
  args.push_back(problem);
  return Format(text(where.Key), args);
}
