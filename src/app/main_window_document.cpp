// The main window's unsaved-changes question, asked before changes of the document would be lost.
#include <QFileInfo>

#include "app/hex_grid.h"
#include "app/main_window.h"
#include "common/error.h"

std::string TMainWindow::UnsavedName() {
  const TDocumentOrigin& origin = Document_.Origin();
  if (origin.IsFile()) return QFileInfo(QString::fromStdString(origin.Name)).fileName().toStdString();
  if (origin.Kind == TOriginKind::Chip) return FormatText(Ui().MessageText("ChipContentsName"), {origin.Name});
  return Ui().MessageText("NewBufferName");
}

bool TMainWindow::ConfirmDiscardChanges() {
  Grid_->CommitEntry();
  if (!BufferModified()) return true;
  switch (Ui().AskSaveChanges(FormatText(Ui().MessageText("ConfirmDiscard"), {UnsavedName()}))) {
    case TAnswer::Yes:
      Save();  // Save As when the document has no file
      return !BufferModified();
    case TAnswer::No: return true;
    default: return false;
  }
}
