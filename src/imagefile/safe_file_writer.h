// The safe writer lives in common, shared with the settings file.
#pragma once

#include "common/safe_file_writer.h"
