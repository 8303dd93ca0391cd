// Runs a command or handler and shows any error escaping it in the standard error box,
// so a failing command ends at its failing step and the program keeps running.
#pragma once

#include <functional>

#include "common/user_interface.h"

// Returns false when the command ended with an error (already shown).
bool RunCommand(TUserInterface& ui, const std::function<void()>& command);
