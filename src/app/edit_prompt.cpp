#include "app/edit_prompt.h"

#include <QCheckBox>
#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

bool ExecuteEditPrompt(QWidget* parent, const TEditPromptTexts& texts, QString& text, bool& option) {
  QDialog dialog(parent);
  dialog.setWindowTitle(texts.Caption);
  auto* column = new QVBoxLayout(&dialog);
  auto* label = new QLabel(texts.Label, &dialog);
  column->addWidget(label);
  auto* line = new QLineEdit(text, &dialog);
  line->selectAll();
  line->setMinimumWidth(280);
  label->setBuddy(line);
  column->addWidget(line);
  QCheckBox* check = nullptr;
  if (!texts.Option.isEmpty()) {
    check = new QCheckBox(texts.Option, &dialog);
    check->setChecked(option);
    column->addWidget(check);
  }
  auto* buttons = new QHBoxLayout();
  buttons->addStretch(1);
  auto* ok = new QPushButton(texts.Ok, &dialog);
  ok->setDefault(true);
  auto* cancel = new QPushButton(texts.Cancel, &dialog);
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  column->addLayout(buttons);
  QObject::connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);
  QObject::connect(cancel, &QPushButton::clicked, &dialog, &QDialog::reject);
  if (dialog.exec() != QDialog::Accepted) return false;
  text = line->text();
  if (check) option = check->isChecked();
  return true;
}
