// Errors of the image-file readers that carry their message keys, so each front end can show
// them in its active language; what() holds the built-in English text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "common/error.h"

// A message key with the texts of its %s/%d arguments.
struct TKeyedText {
  std::string Key;
  std::vector<std::string> Args;
  bool operator==(const TKeyedText&) const = default;
};

class TImageError : public TError {
 public:
  using TLookup = std::function<std::string(const std::string& key)>;

  explicit TImageError(TKeyedText what);
  // where (a key whose last argument is the problem, such as "ImgFileLine") around what.
  TImageError(TKeyedText where, TKeyedText what);
  // The same around an error that has no key: its text goes in as it is.
  TImageError(TKeyedText where, std::string plainWhat);

  // An error whose text names its file and line itself: placing it changes nothing.
  static TImageError Whole(TKeyedText what);

  // This error placed: where gets this error's problem as its last argument.
  TImageError Placed(TKeyedText where) const;

  // The text with every key looked up by lookup.
  std::string Text(const TLookup& lookup) const override;

 private:
  static std::string Compose(const TLookup& lookup, const TKeyedText& where, const TKeyedText& what,
                             const std::string& plainWhat);

  TKeyedText Where_;
  TKeyedText What_;
  std::string PlainWhat_;
  bool Whole_ = false;
};

// ErrorText (common/error.h) gives the text of any error in the active language.
