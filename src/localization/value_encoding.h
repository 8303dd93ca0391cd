// The quoted value form of language files: keeps outer blanks, quotes and control characters.
#pragma once

#include <QString>
#include <cstdint>
#include <optional>

// The stored form of a text: quoted, inner quotes doubled, control characters as "#<code>" runs.
QString EncodeValue(const QString& text);
// The text of a stored value: "#<code>" runs after a quote are turned into characters (low 8 bits
// of the code), then a quoted value is unquoted. Plain text comes back unchanged.
QString DecodeValue(const QString& stored);

// A decimal integer with an optional sign that fits in 32 signed bits; nothing else may stand in it.
std::optional<int32_t> DecimalInteger(const QString& text);
