// Reading a text back into the message and arguments it was made from, so that a text made in
// one language can be made again in another.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

// The arguments that FormatText put into pattern to make text (a "%d" took digits), or nullopt
// when text was not made from pattern. Where text reads several ways, the shortest first
// arguments win.
std::optional<std::vector<std::string>> FormatArguments(const std::string& pattern, const std::string& text);

// A message's text by its key in one language.
using TMessageLookup = std::function<std::string(const std::string& key)>;

// Text made from one of the program's messages (BuiltInMessageKeys) in the language of `from`,
// made again from the same message and arguments in the language of `to`; nullopt when no
// message makes it. Where several do, the one with the most fixed text wins.
std::optional<std::string> Retranslated(const std::string& text, const TMessageLookup& from, const TMessageLookup& to);
