#include "app/gui_user_interface.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QStringList>

#include "app/message_box.h"

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

// Texts the program builds itself break lines with LF CR; Qt wants plain LF.
QString BoxText(const std::string& s) { return Q(s).replace(QStringLiteral("\n\r"), QStringLiteral("\n")); }

QString Title() { return QApplication::applicationDisplayName(); }

bool RunFileDialog(QWidget* parent, TFileDialog& d, QFileDialog::AcceptMode mode) {
  QFileDialog dlg(parent, Q(d.Title), Q(d.InitialDir));
  dlg.setAcceptMode(mode);
  dlg.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
  if (!d.OverwritePrompt) dlg.setOption(QFileDialog::DontConfirmOverwrite, true);
  QStringList filters = QtFilters(d.Filter);
  dlg.setNameFilters(filters);
  if (d.FilterIndex >= 1 && d.FilterIndex <= filters.size()) dlg.selectNameFilter(filters[d.FilterIndex - 1]);
  // No default suffix from Qt: the chosen filter gives a name without an extension its own
  // (SavedFileName), so the binary filter never turns a name into a Hex file's.
  if (!d.FileName.empty()) dlg.selectFile(Q(d.FileName));
  if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return false;
  const qsizetype idx = filters.indexOf(dlg.selectedNameFilter());
  if (idx >= 0) d.FilterIndex = static_cast<int>(idx) + 1;
  d.FileName = dlg.selectedFiles().first().toStdString();
  if (mode == QFileDialog::AcceptSave) d.FileName = SavedFileName(d.FileName, dlg.selectedNameFilter());
  return true;
}

}  // namespace

QStringList QtFilters(const std::string& filter) {
  QStringList parts = Q(filter).split('|');
  QStringList out;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    const QString given = parts[i + 1].split(';', Qt::SkipEmptyParts).join(' ');
    // "*.*" would miss names without a dot, and a save dialog would put it into the name.
    QStringList patterns = given.split(' ', Qt::SkipEmptyParts);
    for (QString& p : patterns)
      if (p == QLatin1String("*.*")) p = QStringLiteral("*");
    const QString shown = QLatin1Char('(') + patterns.join(' ') + QLatin1Char(')');
    // A label that ends in its own patterns shows them once.
    QString label = parts[i];
    const QString own = QLatin1Char('(') + given + QLatin1Char(')');
    if (QString(label).replace(';', ' ').endsWith(own)) label = label.left(label.size() - own.size()).trimmed();
    out << label + QLatin1Char(' ') + shown;
  }
  return out;
}

std::string SavedFileName(const std::string& chosen, const QString& qtFilter) {
  QString name = QString::fromStdString(chosen);
  // A pattern that found its way into the name is no part of it.
  while (name.endsWith(QLatin1String(".*")) || name.endsWith(QLatin1Char('*')))
    name.chop(name.endsWith(QLatin1String(".*")) ? 2 : 1);
  const QString base = name.section('/', -1);
  if (!base.isEmpty() && !base.contains('.')) {
    // The first extension of the chosen filter, none for the all-files filter.
    const qsizetype open = qtFilter.lastIndexOf('(');
    const QString first = qtFilter.mid(open + 1).section(' ', 0, 0).remove(')');
    if (first.startsWith(QLatin1String("*.")) && !first.mid(2).contains('*')) name += first.mid(1);
  }
  return name.toStdString();
}

void TGuiUserInterface::ShowMessage(const std::string& text) { ShowPlainMessageBox(Parent_, Title(), BoxText(text)); }

void TGuiUserInterface::ShowInformation(const std::string& text) {
  QMessageBox::information(Parent_, Title(), BoxText(text));
}

void TGuiUserInterface::ShowError(const std::string& text) { QMessageBox::critical(Parent_, Title(), BoxText(text)); }

TAnswer TGuiUserInterface::AskWarning(const std::string& text) {
  auto r = QMessageBox::warning(Parent_, Title(), BoxText(text),
                                QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes);
  if (r == QMessageBox::Yes) return TAnswer::Yes;
  if (r == QMessageBox::No) return TAnswer::No;
  return TAnswer::Cancel;
}

TAnswer TGuiUserInterface::AskYesNo(const std::string& text, TAnswer defaultAnswer) {
  auto r = QMessageBox::question(Parent_, Title(), BoxText(text), QMessageBox::Yes | QMessageBox::No,
                                 defaultAnswer == TAnswer::Yes ? QMessageBox::Yes : QMessageBox::No);
  return r == QMessageBox::Yes ? TAnswer::Yes : TAnswer::No;
}

TAnswer TGuiUserInterface::AskSaveChanges(const std::string& text) {
  QMessageBox box(QMessageBox::Warning, Title(), BoxText(text), QMessageBox::Save | QMessageBox::Cancel, Parent_);
  // The program's own words for what the buttons do (Qt's Discard reads as "reject" in some
  // languages, and Qt renames its own Discard button as it lays the box out); Cancel keeps Qt's.
  QAbstractButton* save = box.button(QMessageBox::Save);
  save->setText(Q(MessageText("SaveButton")));
  QAbstractButton* discard = box.addButton(Q(MessageText("DiscardButton")), QMessageBox::DestructiveRole);
  discard->setObjectName("DiscardButton");
  box.setDefaultButton(QMessageBox::Save);
  box.setEscapeButton(QMessageBox::Cancel);
  box.exec();
  if (box.clickedButton() == save) return TAnswer::Yes;
  if (box.clickedButton() == discard) return TAnswer::No;
  return TAnswer::Cancel;
}

bool TGuiUserInterface::ExecuteOpenDialog(TFileDialog& dialog) {
  return RunFileDialog(Parent_, dialog, QFileDialog::AcceptOpen);
}

bool TGuiUserInterface::ExecuteSaveDialog(TFileDialog& dialog) {
  return RunFileDialog(Parent_, dialog, QFileDialog::AcceptSave);
}

std::string TGuiUserInterface::MessageText(const std::string& key) {
  if (MessageLookup) return MessageLookup(key);
  std::string t = BuiltInMessageText(key);
  return t.empty() ? std::string(kMessageNotFound) : t;
}

void TGuiUserInterface::SetProgress(int position) {
  if (ProgressSink) ProgressSink(position);
}
