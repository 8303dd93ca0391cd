// Message texts of the program in the active language.
#pragma once

#include <QString>

class TQCustomLanguageSource;

inline const char* const kAdditionalMessagesSection = "Additional messages";

// The text of a message key from "Additional messages" of the active language file, or
// "!! message resource not found !!". While the original language is active the program's own
// text of the key is given, when it has one.
QString MessageText(TQCustomLanguageSource& source, const QString& key);
