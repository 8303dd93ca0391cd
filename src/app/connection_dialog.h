// Help > Check connection: the connection check's report in a dialog whose text can be copied,
// to paste into a message to whoever helps.
#pragma once

#include <QDialog>

class QPlainTextEdit;
class QPushButton;

class TConnectionDialog : public QDialog {
  Q_OBJECT
 public:
  // The texts in the active language: the title, the report and the two buttons.
  TConnectionDialog(QWidget* parent, const QString& title, const QString& report, const QString& copyCaption,
                    const QString& closeCaption);

  // The texts of a later check, perhaps in another language.
  void SetTexts(const QString& title, const QString& report, const QString& copyCaption, const QString& closeCaption);
  QString Report() const;
  // Puts the whole report on the clipboard (the Copy button).
  void CopyReport();

 private:
  QPlainTextEdit* Text_ = nullptr;
  QPushButton* Copy_ = nullptr;
  QPushButton* Close_ = nullptr;
};
