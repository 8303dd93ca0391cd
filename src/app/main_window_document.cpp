// The main window's unsaved-changes question, asked before changes of the document would be lost.
#include "app/hex_grid.h"
#include "app/main_window.h"

bool TMainWindow::ConfirmDiscardChanges() {
  Grid_->CommitEntry();
  if (!BufferModified()) return true;
  switch (Ui().AskSaveChanges(Ui().MessageText("ConfirmDiscard"))) {
    case TAnswer::Yes:
      Save();  // Save As when the document has no file
      return !BufferModified();
    case TAnswer::No: return true;
    default: return false;
  }
}
