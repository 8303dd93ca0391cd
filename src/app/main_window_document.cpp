// The main window's unsaved-changes state: whether the buffer differs from what was last loaded,
// saved, read or written, and the question asked before such changes would be lost.
#include "app/main_window.h"

void Tf::SetBufferModified(bool modified) { BufferModified_ = modified; }

bool Tf::ConfirmDiscardChanges() {
  if (!BufferModified_) return true;
  switch (Ui().AskSaveChanges(Ui().MessageText("ConfirmDiscard"))) {
    case TAnswer::Yes:
      ToolButton2Click();
      return !BufferModified_;
    case TAnswer::No:
      return true;
    default:
      return false;
  }
}
