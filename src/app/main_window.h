// The main window: start-up, the menus and the toolbar built from the command table, the status bar,
// the settings file and closing.
#pragma once

#include <QAction>
#include <QElapsedTimer>
#include <QFrame>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QToolButton>
#include <array>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/start_options.h"
#include "app/window_commands.h"
#include "buffer/differences.h"
#include "buffer/document.h"
#include "catalogue/chip.h"
#include "common/progress_estimate.h"
#include "common/user_interface.h"
#include "hid/hid_controller.h"
#include "imagefile/image_file.h"
#include "programmer/programmer.h"

struct TCheckOptions;
class THexGrid;
class TNoticeBar;
class TConnectionDialog;
class TDifferencesWindow;
class TProgrammerPicture;
class TStatusBar;
class TGuiUserInterface;
class TSimulatedProgrammer;
class TChipDialog;
class TOperationRunner;
class QTimer;
class QScreen;
class TIniFile;
class TQLanguageSource;
class TQFormLocalizer;
class TQtTranslations;

// Where the file dialogs start before the user has chosen a folder: the documents folder where
// the desktop names one that exists, else the home folder (ends with "/").
std::string UserFilesFolder();

class TMainWindow : public QMainWindow {
  Q_OBJECT
 public:
  // ui: where boxes and dialogs go; the window's own Qt dialogs when null (tests pass a scripted one).
  explicit TMainWindow(const TStartOptions& options, TUserInterface* ui = nullptr);
  // The window's size at its first start.
  static constexpr int kStartWidth = 664;
  static constexpr int kStartHeight = 614;
  ~TMainWindow() override;

  // The file dialogs' settings: filters, the chosen file and filter, the starting folder.
  TFileDialog OpenDialog;
  TFileDialog SaveDialog;
  TFileDialog FirmwareDialog;  // the firmware update file
  TFileDialog CompareDialog;   // Compare with file

  // The chip selection dialog, created hidden after the window and reused at every selection.
  TChipDialog& ChipDialog() { return *ChipDialog_; }
  // The language source of every window: the languages, the active one, its texts.
  TQLanguageSource& LanguageSource() { return *LanguageSource_; }
  // The window's texts in the active language.
  TQFormLocalizer& Localizer() { return *Localizer_; }
  // The differences of the last compare; null until a compare finds any.
  TDifferencesWindow* DifferencesWindow() const { return DifferencesWindow_; }
  // The one document of the process: the bytes, their checksum, history and origin.
  TDocument& Document() { return Document_; }
  // The report of the last connection check; null until Help > Check connection ran.
  TConnectionDialog* ConnectionDialog() const { return ConnectionDialog_; }

  // --- state ---
  bool FirstActivation = true;
  TChip CurrentChip;
  int32_t CurrentMemoryAddress = 0;
  long double CpuMHz = 0;
  // The clock measurement, run on a worker thread so the window answers input meanwhile.
  std::function<long double()> ClockSource;
  // A long chip command runs on the operation runner: no other command starts, the grid takes no
  // input and the window stays open.
  bool OperationRunning() const;
  // How long a command runs before Stop takes the Clear button's place and the menu, the toolbar
  // and the picture show as disabled, so that a short one does not flicker.
  static inline int ShowBusyAfterMs = 25;

  // --- programmer link: the HID controller, the report buffer and the held programmer ---
  std::unique_ptr<THidEventLoop> HidEventLoop;  // the controller's view of the Qt event loop
  std::unique_ptr<THidDeviceController> HidDeviceController;
  TProgrammer Programmer;                                     // Report, HeldDevice; released before the controller goes
  std::shared_ptr<TSimulatedProgrammer> SimulatedProgrammer;  // with --simulate
  // The controller on the hidapi or (with --simulate) the simulated platform; its start-up
  // change notification arrives once the event loop runs.
  void CreateDeviceLink();
  void DeviceChanged();
  // Names the held programmer (node, serial number, USB port) in the version panel's hint.
  void ShowHeldProgrammer();

  TUserInterface& Ui() { return *Ui_; }
  const TStartOptions& Options() const { return Options_; }
  // The catalogue "see.ini" in the data folder.
  std::string CatalogueFile() const;
  // The catalogue files merged in order: the shipped one, then the user's own.
  std::vector<std::string> CatalogueFiles() const;

  // --- lifecycle ---
  void ResolveStartFolders();
  void Activate();
  void StartUp();
  void UpdateView();
  // Starts the clock measurement; the clock panel is written when it ends.
  void MeasureCpuClock();
  // True while the clock measurement runs.
  bool MeasuringClock() const { return ClockThread_.joinable() && !ClockShown_; }
  void SaveSettings();

  // --- commands ---
  void Open();    // Open
  void SaveAs();  // Save As

  void CompareWithFile();        // Compare with file: the differences listed and marked in the grid
  void ShowDifferences();        // View > Differences: the list of the last compare, with the keyboard in it
  void ShowProgrammerPicture();  // View > Programmer picture: shows or hides it, kept in the settings
  // View > ASCII characters: the text column shows ASCII with dots for the other bytes instead of
  // the language's code page; kept in the settings.
  void ShowAsciiText();

  // --- image files ---
  // Opens a file as the document (Open, Recent files, drops, the command line), the format by
  // its extension or its content, after the unsaved-changes question. The whole file or
  // nothing: a file that fails to load leaves the document and the view as they were. When the
  // data of an Intel HEX or S-record file start past the chip, asks whether to load them at
  // address 0 (ImgAskOffset); data past the chip are kept and noticed once (ImgLargerThanChip).
  void OpenDocument(const std::string& fileName);
  // The same without the question (asked already).
  void OpenFile(const std::string& fileName);
  // Replaces the document as one undo step: fill writes the new bytes into scratch space
  // (pre-filled with 0xFF) and gives their origin, or nothing to leave the document as it was.
  void ReplaceDocument(const std::function<std::optional<TDocumentOrigin>(std::span<uint8_t> scratch)>& fill);
  // Writes the document to file in format, covering what its origin's data covered and the chip,
  // and makes the file its origin. A file that can't be written is named in an error box, and
  // false returned.
  bool SaveDocument(const std::string& fileName, TImageFormat format);
  // Makes the grid cell of address current and scrolls to it.
  void GoToAddress(uint32_t address);
  // Filters, default extension and starting folder of the file dialogs.
  void InitFileDialogs();
  // The dialogs' titles and file-type names in the active language.
  void SetFileDialogTexts();
  void Exit();
  void ReadChip();   // Read chip
  void WriteChip();  // Write chip
  void VerifyChip();
  // Asks the programmer for its firmware version, shown in its status panel; unless silent, a good
  // reply is also shown in a box.
  void ShowFirmwareVersion();  // from the menu: not silent
  void ShowFirmwareVersion(bool silent);
  void SelectChip();
  void ClearBuffer();
  void StopOperation();  // Stop (and Escape) while an operation runs
  void UpdateFirmware();
  void SelectLanguage(QAction* item);
  // The text of a message key in the active language.
  std::string MessageText(const std::string& key);
  // The language whose item the Language menu checks: the active one, or English, the windows'
  // own texts, before one is chosen.
  int LanguageInUse() const;
  void ShowSupportedChips();
  // Help > Check connection: the connection check's report in its dialog.
  void CheckConnection();
  void About();
  // A toolbar button's tool tip: its hint and the shortcut of the command it runs.
  QString ButtonHint(const QToolButton* button) const;
  void OpenHomePage();

  // --- unsaved changes (main_window_document.cpp) ---
  // The document differs from its origin: edited since it was opened, read or saved.
  bool BufferModified() const { return Document_.Modified(); }
  // With unsaved changes, asks "ConfirmDiscard" (Save / Discard / Cancel) before a command that
  // replaces the buffer or closes the window; Save saves first. True when the command may go on.
  bool ConfirmDiscardChanges();
  // What the unsaved changes belong to, as the question names it: the file's name, the chip's
  // contents read from a chip, or the new buffer.
  std::string UnsavedName();

  // --- blank check, erase and the question before writing (main_window_blank.cpp) ---
  void BlankCheck();
  void EraseChip();
  // Remembers the "Ask before writing a chip" choice in the settings.
  void RememberAskBeforeWriting();
  // With "Ask before writing a chip" on and a programmer held, asks "ConfirmWrite"; true to go on.
  bool ConfirmWriteChip();

  // --- checks of what is read, backups, the chip's size (main_window_checks.cpp) ---
  // A notice of the running command: the notice bar above the grid, and the user interface.
  void ShowNotice(const std::string& text);
  TNoticeBar& Notices() { return *NoticeBar_; }
  // How the chip commands check their reads and keep the chip's contents before writing, from
  // Options > "Read twice and compare" and "Keep the chip's contents before writing".
  TCheckOptions CheckOptions() const;
  // Remembers both options in the settings.
  void RememberChecks();
  void LoadCheckSettings(const TIniFile& settings);
  // Finds the chip's size by reading and offers to select a chip of that size.
  void DetectSize();
  // Lists the backups and writes the chosen one back into the chip after a question.
  void RestoreChipContents();
  // Makes the catalogue's chip name the current chip, as the chip dialog does.
  void SelectChipNamed(const std::string& name);
  // Marks the cells of the addresses (ascending) in the grid, as a compare marks its differences.
  void MarkAddresses(const std::vector<uint32_t>& addresses);
  // The newest backups kept in the backup folder.
  static constexpr size_t kBackupsKept = 50;

  // --- the current file, Save, recent files, the last folder, dropped files (main_window_recent.cpp) ---
  // The file the document came from or was saved to; "" when its origin is the chip or nothing.
  std::string CurrentFile() const { return Document_.Origin().IsFile() ? Document_.Origin().Name : std::string(); }
  std::vector<std::string> RecentFiles;  // most recent first, at most kRecentFileCount
  static constexpr size_t kRecentFileCount = 8;
  // Writes the document to its file again, in its format at its offset, keeping every byte the
  // file held; Save As when its origin is the chip or nothing.
  void Save();
  // Opens an entry of the Recent files menu; a file that is gone is taken off the list, with a notice.
  void OpenRecentFile(const std::string& fileName);
  // A file was opened or saved: it goes to the top of the recent files, and its folder becomes
  // the dialogs' starting folder.
  void RememberFile(const std::string& fileName);
  // The title: the origin's name (the file, the chip), "*" while the document is modified, the caption.
  void UpdateTitle();
  // Reads the document settings (recent files, last folder, ask before writing) at start-up.
  void LoadDocumentSettings(const TIniFile& settings);

  // --- the Edit menu over the hex grid (main_window_edit.cpp) ---
  void Undo();
  void Redo();
  void Copy();        // the selection as hexadecimal pairs
  void CopyAsText();  // the selection as the character column's text
  void Paste();
  void SelectAll();
  void Fill();
  void SwapBytes();
  void Find();
  void FindNext();
  void FindPrevious();
  void GoTo();
  // The commands behind the dialogs, with what was typed into them.
  void PasteText(const QString& text);
  void FillSelection(const QString& text);
  void FindFirst(const QString& text, bool asText);
  void GoToTypedAddress(const QString& text);
  enum class TEditPrompt { GoTo, Find, Fill };
  // Answers the Edit menu's prompts instead of its dialogs (tests): fills text (and for Find
  // whether it is text), false for Cancel.
  std::function<bool(TEditPrompt kind, QString& text, bool& asText)> EditPromptHook;
  // The checksum panel from the document's checksum.
  void ShowChecksum();
  // The character column in the code page of the active language's character set.
  void ApplyGridCodePage();

  // Runs a command and shows any error escaping it in the error box.
  bool Run(const std::function<void()>& command);
  // The busy gate every entry point of the user passes (menus, toolbar, keys, recent files,
  // language, drops): runs command through Run only while no command is under way, neither its
  // handler (result boxes included) nor its work on the worker thread; false when it did not run.
  bool RunWhenIdle(const std::function<void()>& command);
  // A command's handler is on the stack or its work runs.
  bool CommandUnderWay() const { return CommandDepth_ > 0 || OperationRunning(); }

 signals:
  // The clock thread's wake-up call (queued; the result is in MeasuredMHz_).
  void ClockMeasured(QPrivateSignal);

 protected:
  bool event(QEvent* e) override;
  void showEvent(QShowEvent* e) override;
  void closeEvent(QCloseEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;
  void dragEnterEvent(QDragEnterEvent* e) override;
  void dropEvent(QDropEvent* e) override;

 private:
  // --- controls; their object names are the keys the language files address them by ---
  QFrame* Toolbar_ = nullptr;
  QProgressBar* ProgressBar_ = nullptr;
  THexGrid* Grid_ = nullptr;
  QFrame* PicturePanel_ = nullptr;
  TProgrammerPicture* Picture_ = nullptr;
  TStatusBar* StatusBar_ = nullptr;
  TNoticeBar* NoticeBar_ = nullptr;
  QMenuBar* MenuBar_ = nullptr;
  QMenu* RecentFilesMenu_ = nullptr;
  // The menus, menu items and toolbar buttons built from the command table, by id.
  std::array<QMenu*, kMenuCount> Menus_{};
  std::array<QAction*, kCommandCount> Actions_{};
  std::array<QToolButton*, kCommandCount> Buttons_{};
  QMenu* Menu(TMenuId id) const { return Menus_.at(static_cast<size_t>(id)); }
  QAction* Action(TCommandId id) const { return Actions_.at(static_cast<size_t>(id)); }
  QToolButton* Button(TCommandId id) const { return Buttons_.at(static_cast<size_t>(id)); }

  TChipDialog* ChipDialog_ = nullptr;

  TQLanguageSource* LanguageSource_ = nullptr;
  TQFormLocalizer* Localizer_ = nullptr;

  TDifferencesWindow* DifferencesWindow_ = nullptr;
  TConnectionDialog* ConnectionDialog_ = nullptr;

  void CreateControls();
  // The chip commands' runner, and the window's side of it: the commands disabled, Stop shown and
  // device changes held back while one runs; progress on the bar; an escaping error in the box.
  void CreateRunner();
  void CreateProgressText();
  void OperationStateChanged(bool running);
  // Disables the controls that start commands (those enabled now, so that they alone come back)
  // and shows Stop in its own place in the toolbar; or the other way round.
  void ShowBusy(bool busy);
  // Runs work on the runner; false when another command runs or an error escaped it. The boxes
  // of work show once the window no longer looks busy: at the end of the command (Run) that ran
  // it, after the handler has refreshed the view, or at once outside a command.
  bool RunOperation(std::function<void(TUserInterface&)> work, const std::string& stopQuestionKey = {});
  void ShowHeldBoxes();
  int CommandDepth_ = 0;  // Run calls under way
  std::unique_ptr<TOperationRunner> Runner_;
  QTimer* BusyDelay_ = nullptr;
  bool BusyShown_ = false;
  std::vector<QWidget*> DisabledWhileBusy_;
  std::optional<THidDeviceController::TDeferral> HeldChanges_;
  // The menus with their items and shortcuts, and the toolbar buttons, from the command table.
  void CreateMenus();
  void CreateToolbar();
  QAction* AddItem(QMenu* menu, const TWindowCommand& command);
  QToolButton* AddToolButton(const TWindowCommand& command);
  // Localization (main_window_language.cpp): the language source with its languages, the message
  // lookup, the remembered language at start-up and the Language menu.
  void CreateLocalization();
  void SelectStartupLanguage(int32_t langId);
  void BuildLanguageMenu();
  // The grid's signals to the status bar.
  void CreateEditing();
  bool EditPrompt(TEditPrompt kind, QString& text, bool& asText);
  bool CanEdit() const;
  void FindAgain(bool forward, bool fromNext);
  std::vector<uint8_t> FindPattern_;
  QString LastFindText_;
  bool LastFindAsText_ = false;
  QString LastFillText_;
  // After a language switch: Qt's own texts, the status labels and the empty grid's hint.
  void ApplyLanguage();
  // The address panel: the address of the current cell, empty without one.
  void ShowCellAddress();
  // Undo and Redo enabled while there is something to take back or do again.
  void UpdateEditCommands();
  // Runs a command of the menu or the toolbar; the grid has the keyboard focus afterwards.
  void RunFromControl(void (TMainWindow::*handler)());

  std::thread ClockThread_;
  bool ClockShown_ = false;
  std::mutex ClockMutex_;
  long double MeasuredMHz_ = 0;  // guarded: the clock thread's result
  void ShowMeasuredClock();
  std::unique_ptr<TQtTranslations> QtTranslations_;
  std::map<const QToolButton*, QAction*> ButtonActions_;

  // The error's text in the active language.
  std::string Localized(const std::exception& e);
  // The Differences window's title, summary and headings in the active language.
  void ShowDifferenceTexts();
  std::string ComparedFile_;
  TDifferences ComparedSummary_;  // the count and the first difference of the last compare
  // The window's size and place and the picture's visibility from the settings, before it shows.
  void LoadWindowSettings();
  void SaveWindowSettings(TIniFile& settings) const;
  // Keeps the whole window inside its screen's available area (not when maximised): after the
  // first show, when it moves to another screen and when that screen's area changes.
  void FitOnScreen();
  // The status bar: the chip's sizes in bytes (hex in the tool tip), what each panel shows in
  // its tool tip, "No programmer" while none is held, a long operation's percent and time left.
  void ShowStatusPanels();
  void ShowProgrammerPanel(const std::string& versionText);
  void ShowProgress(int position);
  TProgressEstimate ProgressEstimate_;
  QElapsedTimer ProgressClock_;
  QTimer* ProgressTick_ = nullptr;
  bool ProgressShown_ = false;
  void FollowScreen(QScreen* screen);
  QMetaObject::Connection ScreenAreaChanged_;
  bool ScreenFollowed_ = false;
  void RebuildRecentMenu();
  void SaveRecentFiles();
  void SetLastFolder(const std::string& folder);
  void TitleChanged();

  TDocument Document_;
  QString Caption_ = QStringLiteral("Tesmaro");  // the title without the file, as the language gives it
  bool SettingTitle_ = false;
  TStartOptions Options_;
  std::unique_ptr<TGuiUserInterface> OwnUi_;
  TUserInterface* Ui_ = nullptr;
};
