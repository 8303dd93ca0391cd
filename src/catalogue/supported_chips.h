// The supported-chips report: every chip of the catalogue, family by family, with the chips
// the programmer does not support marked "*". Built as one string with LF CR line breaks.
#pragma once

#include <string>

class TCatalogue;

// The report's line break: LF then CR.
inline const char* const kReportLineBreak = "\n\r";

// Reads the catalogue afresh and builds the report. header opens it (message "SuppChips"),
// notSupported closes it after "* - " (message "NotSuppChips"). A missing catalogue gives
// the two texts with their separators only.
std::string SupportedChipsReport(const std::string& catalogueFile, const std::string& header,
                                 const std::string& notSupported);
// The same report of a merged catalogue.
std::string SupportedChipsReport(const TCatalogue& catalogue, const std::string& header,
                                 const std::string& notSupported);
