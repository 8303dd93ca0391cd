// The error class of the localization components and the texts of its messages.
#pragma once

#include "common/error.h"

class EQLocalError : public TError {
 public:
  using TError::TError;
};

inline const char* const kQLocalIndexOutOfBounds = "Index out of bounds (%d)";
inline const char* const kQLocalSourceReadOnly = "Cannot write to source file (ReadOnly = True)!";
inline const char* const kQLocalSourceNotSpecified = "Language source must be specified!";
inline const char* const kQLocalOwnerNotSpecified = "Owner is not specified!";
inline const char* const kQLocalAlreadyContains = "'%s' already contains instance of %s class!";
inline const char* const kQLocalCannotWriteFile = "Unable to write to %s";
