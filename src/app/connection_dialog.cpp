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
  setWindowTitle(title);
  Text_ = new QPlainTextEdit(this);
  Text_->setObjectName("ConnectionReport");
  Text_->setReadOnly(true);
  Text_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  Text_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  Text_->setPlainText(report);
  auto* copy = new QPushButton(copyCaption, this);
  copy->setObjectName("CopyReport");
  auto* close = new QPushButton(closeCaption, this);
  close->setObjectName("CloseReport");
  close->setDefault(true);
  connect(copy, &QPushButton::clicked, this, &TConnectionDialog::CopyReport);
  connect(close, &QPushButton::clicked, this, &QDialog::accept);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(copy);
  buttons->addWidget(close);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Text_);
  layout->addLayout(buttons);
  resize(760, 360);
}

QString TConnectionDialog::Report() const { return Text_->toPlainText(); }

void TConnectionDialog::CopyReport() { QGuiApplication::clipboard()->setText(Report()); }
