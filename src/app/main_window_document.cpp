// The main window's unsaved-changes state: whether the buffer differs from what was last loaded,
// saved, read or written, and the question asked before such changes would be lost.
#include "app/main_window.h"

void TMainWindow::SetBufferModified(bool modified) {
  if (BufferModified_ == modified) return;
  BufferModified_ = modified;
  UpdateTitle();
}

bool TMainWindow::ConfirmDiscardChanges() {
  if (!BufferModified_) return true;
  switch (Ui().AskSaveChanges(Ui().MessageText("ConfirmDiscard"))) {
    case TAnswer::Yes:
      Save();  // Save As when there is no current file
      return !BufferModified_;
    case TAnswer::No: return true;
    default: return false;
  }
}
