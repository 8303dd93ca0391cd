#include "app/restore_dialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/error.h"

TRestoreDialog::TRestoreDialog(QWidget* parent, const std::vector<TBackup>& backups, const std::string& chipName,
                               const std::function<std::string(const std::string&)>& messageText)
    : QDialog(parent) {
  setObjectName("RestoreDialog");
  auto text = [&](const char* key) { return QString::fromStdString(messageText(key)); };
  setWindowTitle(text("RestoreTitle"));
  auto* column = new QVBoxLayout(this);
  auto* label = new QLabel(text("RestoreChoose"), this);
  label->setWordWrap(true);
  column->addWidget(label);
  List_ = new QListWidget(this);
  List_->setObjectName("BackupList");
  List_->setMinimumSize(460, 240);
  const std::string own = BackupChipName(chipName);
  int first = -1;
  for (size_t i = 0; i < backups.size(); ++i) {
    const TBackup& b = backups[i];
    List_->addItem(
        QString::fromStdString(FormatText(messageText("RestoreEntry"), {b.Chip, b.Time, std::to_string(b.Size)})));
    if (first < 0 && b.Chip == own) first = static_cast<int>(i);
  }
  List_->setCurrentRow(first < 0 ? 0 : first);
  column->addWidget(List_);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setText(text("PromptOK"));
  buttons->button(QDialogButtonBox::Cancel)->setText(text("PromptCancel"));
  column->addWidget(buttons);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(List_, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
}

int TRestoreDialog::Chosen() const { return List_->currentRow(); }
