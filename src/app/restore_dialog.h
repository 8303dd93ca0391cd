// The list of the chip contents kept before writing, from which File > Restore chip contents
// picks the one to write back.
#pragma once

#include <QDialog>
#include <vector>

#include "programmer/chip_backups.h"

class QListWidget;

class TRestoreDialog : public QDialog {
  Q_OBJECT
 public:
  // backups newest first; the first one of chipName is chosen at the start. Texts in the active
  // language through messageText.
  TRestoreDialog(QWidget* parent, const std::vector<TBackup>& backups, const std::string& chipName,
                 const std::function<std::string(const std::string&)>& messageText);

  // The backup chosen, or -1.
  int Chosen() const;

 private:
  QListWidget* List_ = nullptr;
};
