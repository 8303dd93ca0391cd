// The texts of file errors as the image-file commands show them, each naming its file.
#pragma once

#include <string>

#include "common/error.h"

// The platform's file error with the file's name: "File not found: image.hex", "File access
// denied: ...", "Disk full: ...", ... or "I/O error %d: ..." with the error number; shown in the
// active language.
TError PlatformFileFailure(int error, const std::string& fileName);
// Its built-in English text.
std::string PlatformFileError(int error, const std::string& fileName);

// The system's own description of an error number.
std::string SystemErrorText(int error);

// The full name of a file as error messages show it.
std::string FullFileName(const std::string& fileName);
