// The program's error type: its text is what the standard error box shows. An error made from a
// message key is shown in the active language; its what() is the built-in English text.
#pragma once

#include <exception>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

// A message key, named so that a key is never taken for a text.
struct TMessageKey {
  const char* Key;
};

class TError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
  // The text of key ("%s" / "%d" replaced in turn by args); what() formats the built-in English.
  explicit TError(TMessageKey key, std::vector<std::string> args = {});

  using TLookup = std::function<std::string(const std::string& key)>;
  // The text in the language of lookup (a key's text, or kMessageNotFound when it has none); a
  // key that the language lacks gives the built-in English. Plain texts come back as they are.
  virtual std::string Text(const TLookup& lookup) const;

  // Empty for an error made from a plain text.
  const std::string& Key() const { return Key_; }
  const std::vector<std::string>& Args() const { return Args_; }

 private:
  std::string Key_;
  std::vector<std::string> Args_;
};

// Replaces each "%s" / "%d" in turn with the next argument; "%%" gives "%".
std::string FormatText(const std::string& pattern, std::initializer_list<std::string> args);
std::string FormatText(const std::string& pattern, const std::vector<std::string>& args);

// The text of any error in the language of messageText: TError::Text for the program's errors,
// what() for others.
std::string ErrorText(const std::exception& error, const TError::TLookup& messageText);
// The same for a caught error of any kind; "Unknown error" for one that is no std::exception.
std::string ErrorText(const std::exception_ptr& error, const TError::TLookup& messageText);
