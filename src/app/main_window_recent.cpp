// The main window as a document window: the current file and Save, the title with the file's
// name and the unsaved-changes mark, the Recent files menu, the last folder used, dropped files.
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QTimer>
#include <algorithm>
#include <filesystem>

#include "app/hex_grid.h"
#include "app/main_window.h"
#include "common/error.h"
#include "common/ini_file.h"
#include "common/paths.h"
#include "imagefile/image_file.h"

namespace {
const char* const kRecentSection = "RecentFiles";
const char* const kMainSection = "Main";

std::string RecentKey(size_t i) { return "File" + std::to_string(i + 1); }
}  // namespace

void TMainWindow::LoadDocumentSettings(const TIniFile& settings) {
  Action(TCommandId::AskBeforeWriting)->setChecked(settings.ReadInteger(kMainSection, "AskBeforeWriting", 1) != 0);
  const std::string folder = settings.ReadString(kMainSection, "LastFolder", "");
  if (!folder.empty()) OpenDialog.InitialDir = SaveDialog.InitialDir = CompareDialog.InitialDir = folder;
  RecentFiles.clear();
  for (size_t i = 0; i < kRecentFileCount; ++i) {
    const std::string f = settings.ReadString(kRecentSection, RecentKey(i), "");
    if (!f.empty() && std::find(RecentFiles.begin(), RecentFiles.end(), f) == RecentFiles.end())
      RecentFiles.push_back(f);
  }
  RebuildRecentMenu();
}

void TMainWindow::RebuildRecentMenu() {
  RecentFilesMenu_->clear();
  for (size_t i = 0; i < RecentFiles.size(); ++i) {
    const std::string file = RecentFiles[i];
    QString shown = QString::fromStdString(file);
    shown.replace(QLatin1Char('&'), QStringLiteral("&&"));
    auto* a = RecentFilesMenu_->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(shown));
    connect(a, &QAction::triggered, this, [this, file] { RunWhenIdle([this, file] { OpenRecentFile(file); }); });
  }
  RecentFilesMenu_->menuAction()->setEnabled(!RecentFiles.empty());
}

// The list is a convenience: a settings file that can't be written loses it silently (closing
// the window reports such a file).
void TMainWindow::SaveRecentFiles() {
  try {
    TIniFile settings(Options().SettingsFile);
    for (size_t i = 0; i < kRecentFileCount; ++i)
      settings.WriteString(kRecentSection, RecentKey(i), i < RecentFiles.size() ? RecentFiles[i] : "");
  } catch (const TError&) {
  }
}

void TMainWindow::SetLastFolder(const std::string& folder) {
  if (folder.empty()) return;
  OpenDialog.InitialDir = SaveDialog.InitialDir = CompareDialog.InitialDir = folder;
  try {
    TIniFile(Options().SettingsFile).WriteString(kMainSection, "LastFolder", folder);
  } catch (const TError&) {
  }
}

void TMainWindow::RememberFile(const std::string& file) {
  RecentFiles.erase(std::remove(RecentFiles.begin(), RecentFiles.end(), file), RecentFiles.end());
  RecentFiles.insert(RecentFiles.begin(), file);
  if (RecentFiles.size() > kRecentFileCount) RecentFiles.resize(kRecentFileCount);
  RebuildRecentMenu();
  SaveRecentFiles();
  SetLastFolder(FolderPart(file));
}

void TMainWindow::Save() {
  const TDocumentOrigin& origin = Document_.Origin();
  if (!origin.IsFile()) {
    // Read from a chip or new: there is no file to write yet.
    SaveAs();
    return;
  }
  // In the format the file was read in, which its name alone may not tell, at its offset. A file
  // that can't be written is named, and the Save As dialog offered.
  if (!SaveDocument(origin.Name, ImageFormatById(origin.Format).value_or(TImageFormat::Bin))) SaveAs();
}

void TMainWindow::OpenRecentFile(const std::string& fileName) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(fileName, ec)) {
    RecentFiles.erase(std::remove(RecentFiles.begin(), RecentFiles.end(), fileName), RecentFiles.end());
    RebuildRecentMenu();
    SaveRecentFiles();
    Ui().ShowError(FormatText(Ui().MessageText("RecentMissing"), {fileName}));
    return;
  }
  OpenDocument(fileName);
}

void TMainWindow::UpdateTitle() {
  const TDocumentOrigin& origin = Document_.Origin();
  const QString mark = BufferModified() ? QStringLiteral("*") : QString();
  QString title = Caption_;
  if (origin.IsFile())
    title = QFileInfo(QString::fromStdString(origin.Name)).fileName() + mark + " - " + Caption_;
  else if (origin.Kind == TOriginKind::Chip)
    // The chip in the socket as now selected, also after Detect size chose another: the title,
    // the status bar and the picture name the same chip.
    title = QString::fromStdString(CurrentChip.Name.empty() ? origin.Name : CurrentChip.Name) + mark + " - " + Caption_;
  else if (BufferModified())
    title = Caption_ + " *";
  SettingTitle_ = true;
  setWindowTitle(title);
  SettingTitle_ = false;
}

// A title set from outside (the language's caption) becomes the caption the title is built on.
void TMainWindow::TitleChanged() {
  if (SettingTitle_) return;
  Caption_ = windowTitle();
  UpdateTitle();
}

void TMainWindow::dragEnterEvent(QDragEnterEvent* e) {
  const QMimeData* data = e->mimeData();
  if (!CommandUnderWay() && data->hasUrls() && !data->urls().isEmpty() && data->urls().first().isLocalFile())
    e->acceptProposedAction();
}

void TMainWindow::dropEvent(QDropEvent* e) {
  const QList<QUrl> urls = e->mimeData()->urls();
  if (CommandUnderWay() || urls.isEmpty() || !urls.first().isLocalFile()) return;
  e->acceptProposedAction();
  // Opened once the drop has been accepted: a question about unsaved changes must not hold the
  // program the file came from. The keyboard is then with the grid.
  const std::string file = urls.first().toLocalFile().toStdString();
  QTimer::singleShot(0, this, [this, file] {
    activateWindow();
    RunWhenIdle([this, file] { OpenDocument(file); });
    Grid_->setFocus(Qt::OtherFocusReason);
  });
}
