// The programmer's firmware version query and the texts it shows.
#pragma once

#include <string>

#include "common/user_interface.h"
#include "programmer/programmer.h"

// Sends the version request to the held programmer. fromMenu: the user chose it, so a good reply
// is also shown in a "Version info: " box. Without a programmer shows "ProgNotFound". A failed
// read or a reply without the version mark changes nothing and shows nothing. On success sets
// programmer.Major and Minor and tells programmer.OnVersionText. True on success.
bool GetVersionInfo(TProgrammer& programmer, TUserInterface& ui, bool fromMenu);

// major + "." + minor of the programmer's last successful query, in decimal: "1.7".
std::string VersionNumberText(const TProgrammer& programmer);
// "Mervo v." + VersionNumberText(): the text of status panel 0.
std::string VersionPanelText(const TProgrammer& programmer);
