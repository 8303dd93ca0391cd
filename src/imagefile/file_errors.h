// The texts of file errors as the image-file commands show them.
#pragma once

#include <string>

#include "common/error.h"

// The short platform text of a failed file operation: "File not found", "File access denied",
// "Disk full", ... or "I/O error %d" with the error number.
std::string PlatformFileError(int error);
// The same as an error to throw, shown in the active language.
TError PlatformFileFailure(int error);

// The system's own description of an error number.
std::string SystemErrorText(int error);

// The full name of a file as error messages show it.
std::string FullFileName(const std::string& fileName);
