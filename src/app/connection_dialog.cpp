#include "app/connection_dialog.h"

#include <QClipboard>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

TConnectionDialog::TConnectionDialog(QWidget* parent, const QString& title, const QString& report,
                                     const QString& copyCaption, const QString& closeCaption)
    : QDialog(parent) {
  setObjectName("ConnectionDialog");
  Text_ = new QPlainTextEdit(this);
  Text_->setObjectName("ConnectionReport");
  Text_->setReadOnly(true);
  Text_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  Text_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  Copy_ = new QPushButton(this);
  Copy_->setObjectName("CopyReport");
  Close_ = new QPushButton(this);
  Close_->setObjectName("CloseReport");
  Close_->setDefault(true);
  connect(Copy_, &QPushButton::clicked, this, &TConnectionDialog::CopyReport);
  connect(Close_, &QPushButton::clicked, this, &QDialog::accept);
  SetTexts(title, report, copyCaption, closeCaption);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(Copy_);
  buttons->addWidget(Close_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Text_);
  layout->addLayout(buttons);
  resize(760, 360);
}

void TConnectionDialog::SetTexts(const QString& title, const QString& report, const QString& copyCaption,
                                 const QString& closeCaption) {
  setWindowTitle(title);
  Text_->setPlainText(report);
  Copy_->setText(copyCaption);
  Close_->setText(closeCaption);
}

QString TConnectionDialog::Report() const { return Text_->toPlainText(); }

void TConnectionDialog::CopyReport() { QGuiApplication::clipboard()->setText(Report()); }
