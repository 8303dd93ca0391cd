// Font character sets of language files: their names, their codes, and the code page in which
// a file of that character set holds its text, with conversions to and from Unicode.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>

inline constexpr uint8_t kDefaultCharSet = 1;

// The code of a character-set name, matched without regard to case; 1 for any other text.
uint8_t CharSetFromName(const QString& name);
// The name of a character-set code; "DEFAULT_CHARSET" for a code without a name.
QString CharSetName(uint8_t code);
// The code page (an iconv name) of the text of a character set.
const char* CodePageOfCharSet(uint8_t code);

// 8-bit text of a code page as Unicode; bytes that do not convert become U+FFFD.
QString ToUnicode(const QByteArray& bytes, const char* codePage);
// Unicode text in a code page; characters the code page lacks become "?".
QByteArray FromUnicode(const QString& text, const char* codePage);
