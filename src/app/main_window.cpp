#include "app/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QHBoxLayout>
#include <QHelpEvent>
#include <QKeySequence>
#include <QScreen>
#include <QTimer>
#include <QToolTip>
#include <QVBoxLayout>

#include "app/artwork.h"
#include "app/chip_dialog.h"
#include "app/gui_user_interface.h"
#include "app/hex_grid.h"
#include "app/hex_grid_model.h"
#include "app/long_operation.h"
#include "app/picture.h"
#include "app/qt_translations.h"
#include "app/status_bar.h"
#include "buffer/memory_buffer.h"
#include "catalogue/catalogue.h"
#include "common/command_runner.h"
#include "common/cpu_clock.h"
#include "common/error.h"
#include "common/ini_file.h"
#include "common/integer.h"
#include "common/paths.h"

namespace {
const char* const kMainSection = "Main";
}

TMainWindow::TMainWindow(const TStartOptions& options, TUserInterface* ui) : Options_(options) {
  setObjectName("f");
  if (ui) {
    Ui_ = ui;
  } else {
    OwnUi_ = std::make_unique<TGuiUserInterface>(this);
    Ui_ = OwnUi_.get();
  }
  ClockSource = [] { return MeasureCpuMHz(); };
  QtTranslations_ = std::make_unique<TQtTranslations>();
  CreateControls();
  SetToolbarPictures(*this);
  InitFileDialogs();
  ResolveStartFolders();
  ChipDialog_ = new TChipDialog(this, [this] { return CatalogueFiles(); });
  CreateLocalization();
  CreateEditing();
  CreateDeviceLink();
}

TMainWindow::~TMainWindow() {
  // The measurement ends within its 0.4 s; its result, posted to the window, is then dropped.
  if (ClockThread_.joinable()) ClockThread_.join();
}

std::string TMainWindow::CatalogueFile() const { return Options_.ExeFolder + kCatalogueFileName; }

std::vector<std::string> TMainWindow::CatalogueFiles() const {
  std::vector<std::string> files{CatalogueFile()};
  if (!Options_.UserCatalogue.empty()) files.push_back(Options_.UserCatalogue);
  return files;
}

bool TMainWindow::Run(const std::function<void()>& command) {
  // Every command starts from what the user typed: an open cell entry is kept first.
  return RunCommand(*Ui_, [this, &command] {
    if (Grid_) Grid_->CommitEntry();
    command();
  });
}

QAction* TMainWindow::AddItem(QMenu* menu, const char* name, const char* caption, void (TMainWindow::*handler)()) {
  auto* a = new QAction(QString::fromUtf8(caption), this);
  a->setObjectName(name);
  if (handler) connect(a, &QAction::triggered, this, [this, handler] { RunFromControl(handler); });
  menu->addAction(a);
  return a;
}

QAction* TMainWindow::AddSeparator(QMenu* menu, const char* name) {
  // Without a text: styles draw a separator's text beside its line.
  auto* a = new QAction(this);
  a->setObjectName(name);
  a->setSeparator(true);
  menu->addAction(a);
  return a;
}

QToolButton* TMainWindow::AddToolButton(const char* name, const char* hint, int pictureIndex, int left,
                                        void (TMainWindow::*handler)()) {
  auto* b = new QToolButton(Toolbar_);
  b->setObjectName(name);
  b->setToolTip(QString::fromUtf8(hint));
  b->setGeometry(left, 8, 60, 60);
  b->setIconSize(QSize(32, 32));
  b->setAutoRaise(true);
  b->setProperty("pictureIndex", pictureIndex);
  // The keyboard stays with the grid: a click leaves the focus where it was.
  b->setFocusPolicy(Qt::NoFocus);
  b->installEventFilter(this);
  connect(b, &QToolButton::clicked, this, [this, handler] { RunFromControl(handler); });
  return b;
}

void TMainWindow::CreateControls() {
  setWindowTitle(QStringLiteral("Tesmaro"));
  setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowContextHelpButtonHint | Qt::WindowCloseButtonHint);
  QFont font(QStringLiteral("MS Sans Serif"), 8);
  font.setStyleHint(QFont::SansSerif);
  setFont(font);

  CreateMenus();

  auto* central = new QWidget(this);
  auto* column = new QVBoxLayout(central);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);

  Toolbar_ = new QFrame(central);
  Toolbar_->setObjectName("sPanel2");
  Toolbar_->setFixedHeight(77);
  Toolbar_->setFrameStyle(QFrame::Panel | QFrame::Raised);
  sSpeedButton1 = AddToolButton("sSpeedButton1", "Load File", 0, 8, &TMainWindow::Open);
  sSpeedButton2 = AddToolButton("sSpeedButton2", "Save file as...", 1, 72, &TMainWindow::SaveAs);
  sSpeedButton3 = AddToolButton("sSpeedButton3", "Read chip", 2, 156, &TMainWindow::ReadChip);
  sSpeedButton4 = AddToolButton("sSpeedButton4", "Write chip", 3, 220, &TMainWindow::WriteChip);
  sSpeedButton5 = AddToolButton("sSpeedButton5", "Verify All", 4, 284, &TMainWindow::VerifyChip);
  sSpeedButton6 = AddToolButton("sSpeedButton6", "Select chip type", 5, 428, &TMainWindow::SelectChip);
  sSpeedButton7 = AddToolButton("sSpeedButton7", "Supported chips", 6, 572, &TMainWindow::ShowSupportedChips);
  sSpeedButton8 = AddToolButton("sSpeedButton8", "Clear memory buffer", 7, 348, &TMainWindow::ClearBuffer);
  // The menu command of each button, whose shortcut the button's tool tip shows.
  ButtonActions_ = {{sSpeedButton1, Open1},           {sSpeedButton2, SaveAs1},     {sSpeedButton3, ReadChip1},
                    {sSpeedButton4, Program2},        {sSpeedButton5, VerifyAl1},   {sSpeedButton6, ChipSelect1},
                    {sSpeedButton7, SupportedChips1}, {sSpeedButton8, Clearmemory1}};
  StopButton_ = AddToolButton("sSpeedButton9", "Stop the operation (Esc)", -1, 348, &TMainWindow::StopOperation);
  StopButton_->setProperty("pictureIndex", QVariant());  // not one of the toolbar pictures
  StopButton_->setText(QStringLiteral("Stop"));
  StopButton_->setIcon(StopPicture());
  StopButton_->setIconSize(QSize(28, 28));
  StopButton_->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  StopButton_->setAutoRaise(false);
  StopButton_->hide();
  column->addWidget(Toolbar_);

  auto* middle = new QHBoxLayout();
  middle->setSpacing(0);
  ProgressBar_ = new QProgressBar(central);
  ProgressBar_->setObjectName("sProgressBar1");
  ProgressBar_->setOrientation(Qt::Vertical);
  ProgressBar_->setFixedWidth(25);
  ProgressBar_->setRange(0, 100);
  ProgressBar_->setValue(0);
  ProgressBar_->setTextVisible(false);
  middle->addWidget(ProgressBar_);
  Grid_ = new THexGrid(central);
  middle->addWidget(Grid_, 1);
  column->addLayout(middle, 1);

  PicturePanel_ = new QFrame(central);
  PicturePanel_->setObjectName("sPanel1");
  PicturePanel_->setFixedHeight(141);
  PicturePanel_->setFrameStyle(QFrame::Panel | QFrame::Raised);
  PicturePanel_->setLineWidth(3);
  Picture_ = new TProgrammerPicture(PicturePanel_, CurrentChip);
  Picture_->move(3, 3);
  connect(Picture_, &TProgrammerPicture::Clicked, this, [this] { Run([this] { OpenHomePage(); }); });
  column->addWidget(PicturePanel_);

  StatusBar_ = new TStatusBar(central);
  StatusBar_->setObjectName("sb1");
  column->addWidget(StatusBar_);
  // The grid writes "Addr: ..."; the label is shown in the active language.
  connect(Grid_, &THexGrid::StatusText, this, [this](const QString& t) {
    const QString label = QStringLiteral("Addr: ");
    StatusBar_->SetPanelText(
        TStatusPanel::Address,
        t.startsWith(label) ? QString::fromStdString(MessageText("AddrLabel")) + t.mid(label.size()) : t);
  });

  setCentralWidget(central);
  setAcceptDrops(true);  // a file dropped on the window is opened
  setMinimumWidth(664);
  setMaximumWidth(664);
  setMinimumHeight(614);
  resize(664, 614);
  if (QScreen* s = QApplication::primaryScreen()) move(s->availableGeometry().center() - rect().center());

  // Progress of chip operations and the firmware update: repainted only when the position changes.
  if (OwnUi_) {
    OwnUi_->ProgressSink = [this](int p) {
      if (ProgressBar_->value() == p) return;
      ProgressBar_->setValue(p);
      ProgressBar_->repaint();
    };
  }
}

void TMainWindow::CreateMenus() {
  MenuBar_ = menuBar();
  MenuBar_->setObjectName("MainMenu1");

  FileMenu_ = MenuBar_->addMenu(QStringLiteral("&File"));
  FileMenu_->setObjectName("File1");
  Open1 = AddItem(FileMenu_, "Open1", "&Open", &TMainWindow::Open);
  Save1 = AddItem(FileMenu_, "Save1", "&Save", &TMainWindow::Save);
  Save1->setShortcut(QKeySequence::Save);
  SaveAs1 = AddItem(FileMenu_, "SaveAs1", "Save &As...", &TMainWindow::SaveAs);
  Compare1 = AddItem(FileMenu_, "Compare1", "&Compare with file...", &TMainWindow::CompareWithFile);
  RecentFilesMenu_ = FileMenu_->addMenu(QStringLiteral("&Recent files"));
  RecentFilesMenu_->setObjectName("RecentFiles1");
  N1 = AddSeparator(FileMenu_, "N1");
  Exit1 = AddItem(FileMenu_, "Exit1", "E&xit", &TMainWindow::Exit);

  CreateEditMenu();

  ProgrammerMenu_ = MenuBar_->addMenu(QStringLiteral("&Programmer"));
  ProgrammerMenu_->setObjectName("Program1");
  Program2 = AddItem(ProgrammerMenu_, "Program2", "&Program all", &TMainWindow::WriteChip);
  ReadChip1 = AddItem(ProgrammerMenu_, "ReadChip1", "&Read all", &TMainWindow::ReadChip);
  VerifyAl1 = AddItem(ProgrammerMenu_, "VerifyAl1", "&Verify all", &TMainWindow::VerifyChip);
  BlankCheck1 = AddItem(ProgrammerMenu_, "BlankCheck1", "&Blank check", &TMainWindow::BlankCheck);
  Erase1 = AddItem(ProgrammerMenu_, "Erase1", "&Erase", &TMainWindow::EraseChip);
  N2 = AddSeparator(ProgrammerMenu_, "N2");
  Getversioninfo1 =
      AddItem(ProgrammerMenu_, "Getversioninfo1", "Firmware version &info", &TMainWindow::ShowFirmwareVersion);

  OptionsMenu_ = MenuBar_->addMenu(QStringLiteral("&Options"));
  OptionsMenu_->setObjectName("Options1");
  ChipSelect1 = AddItem(OptionsMenu_, "ChipSelect1", "&Chip Select", &TMainWindow::SelectChip);
  N3 = AddSeparator(OptionsMenu_, "N3");
  Clearmemory1 = AddItem(OptionsMenu_, "Clearmemory1", "C&lear memory buffer", &TMainWindow::ClearBuffer);
  AskBeforeWriting1 =
      AddItem(OptionsMenu_, "AskBeforeWriting1", "Ask before &writing a chip", &TMainWindow::RememberAskBeforeWriting);
  AskBeforeWriting1->setCheckable(true);
  AskBeforeWriting1->setChecked(true);
  N4 = AddSeparator(OptionsMenu_, "N4");
  Firmwareupdate1 = AddItem(OptionsMenu_, "Firmwareupdate1", "&Firmware update", &TMainWindow::UpdateFirmware);

  LanguageMenu_ = MenuBar_->addMenu(QStringLiteral("&Language"));
  LanguageMenu_->setObjectName("Language1");

  HelpMenu_ = MenuBar_->addMenu(QStringLiteral("&Help"));
  HelpMenu_->setObjectName("Help1");
  SupportedChips1 = AddItem(HelpMenu_, "SupportedChips1", "&Supported Chips", &TMainWindow::ShowSupportedChips);
  About1 = AddItem(HelpMenu_, "About1", "&About", &TMainWindow::About);

  // The usual shortcuts; the chip commands take chords that no editing key uses, and writing,
  // which overwrites the chip, one that is hard to press by accident.
  Open1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
  Save1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
  SaveAs1->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
  Exit1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
  ReadChip1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
  Program2->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_W));
  VerifyAl1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
  ChipSelect1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_K));
}

void TMainWindow::RunFromControl(void (TMainWindow::*handler)()) {
  Run([this, handler] { (this->*handler)(); });
  if (Grid_) Grid_->setFocus(Qt::OtherFocusReason);
}

QString TMainWindow::ButtonHint(const QToolButton* button) const {
  QString hint = button->toolTip();
  auto it = ButtonActions_.find(button);
  if (it != ButtonActions_.end() && !it->second->shortcut().isEmpty())
    hint += QStringLiteral(" (") + it->second->shortcut().toString(QKeySequence::NativeText) + QStringLiteral(")");
  return hint;
}

bool TMainWindow::eventFilter(QObject* watched, QEvent* e) {
  // The hint itself stays the translatable text; the shortcut is added when the tip shows.
  if (e->type() == QEvent::ToolTip) {
    auto* button = qobject_cast<QToolButton*>(watched);
    if (button && ButtonActions_.count(button)) {
      QToolTip::showText(static_cast<QHelpEvent*>(e)->globalPos(), ButtonHint(button), button);
      return true;
    }
  }
  return QMainWindow::eventFilter(watched, e);
}

void TMainWindow::ResolveStartFolders() {
  FirstActivation = true;
  // A command-line file is named from the folder the program was started in, not the data folder.
  if (!Options_.CommandLineFile.empty())
    Options_.CommandLineFile =
        QDir::current().absoluteFilePath(QString::fromStdString(Options_.CommandLineFile)).toStdString();
  // The data files are opened by plain names from here; the result is not tested.
  if (!Options_.ExeFolder.empty()) QDir::setCurrent(QString::fromStdString(Options_.ExeFolder));
}

bool TMainWindow::event(QEvent* e) {
  if (e->type() == QEvent::WindowActivate) Activate();
  if (e->type() == QEvent::WindowTitleChange) TitleChanged();
  return QMainWindow::event(e);
}

void TMainWindow::showEvent(QShowEvent* e) {
  QMainWindow::showEvent(e);
  // Platforms without window activation (offscreen) still get the first activation.
  QTimer::singleShot(0, this, [this] { Activate(); });
}

void TMainWindow::Activate() {
  if (!FirstActivation) return;
  FirstActivation = false;
  // Runs once in the life of the process, whatever fails or whichever box closes during it.
  Run([this] {
    StartUp();
    BuildLanguageMenu();
    ApplyLanguage();
    Grid_->SetColWidth(17, 140);
    Grid_->SetChipSize(CurrentChip.Size);
    Grid_->Editor().SetBaseline();
    UpdateView();
    const std::string& file = Options_.CommandLineFile;
    if (!file.empty()) {
      // Folders set only after a successful load.
      ReplaceBuffer([this, &file] {
        LoadCommandLineFile(file);
        return true;
      });
      OpenDialog.InitialDir = FolderPart(file);
      SaveDialog.InitialDir = FolderPart(file);
      DocumentOpenedOrSaved(file,
                            KnownImageFormatOf(file) == TImageFormat::SRec ? TImageFormat::SRec : TImageFormat::Hex);
    }
  });
  Grid_->setFocus(Qt::OtherFocusReason);
  if (Options_.CloseAfterStart) QTimer::singleShot(0, this, [this] { close(); });
}

void TMainWindow::StartUp() {
  Grid_->SetColWidth(0, 50);
  CurrentMemoryAddress = 0;
  std::string chipName;
  {
    TIniFile settings(Options_.SettingsFile);
    CurrentMemoryAddress = settings.ReadInteger(kMainSection, "CurrentMemoryAddress", 0);
    chipName = settings.ReadString(kMainSection, "Chip", "");
    SelectStartupLanguage(settings.ReadInteger(kMainSection, "LangID", -1));
    LoadDocumentSettings(settings);
  }
  // A remembered chip that the catalogue refuses is reported; the start-up goes on without a chip.
  if (!chipName.empty()) Run([&] { LoadChip(TCatalogue(CatalogueFiles()), chipName, CurrentChip); });
  BlankSixteenBitCount(CurrentChip.Size);
  MeasureCpuClock();
  UpdateView();
}

void TMainWindow::MeasureCpuClock() {
  if (ClockThread_.joinable()) return;
  // The measurement busy-waits 0.4 s: on its own thread, so the window is shown and answers
  // input meanwhile. The result comes back as an event of the window's thread.
  ClockThread_ = std::thread([this, source = ClockSource] {
    const long double mhz = source ? source() : MeasureCpuMHz();
    QMetaObject::invokeMethod(
        this,
        [this, mhz] {
          CpuMHz = mhz;
          ClockShown_ = true;
          StatusBar_->SetPanelText(TStatusPanel::Clock, QString::fromStdString(FormatCpuMHz(CpuMHz)));
        },
        Qt::QueuedConnection);
  });
}

void TMainWindow::UpdateView() {
  CalcChecksum(CurrentChip.Size);
  ShowChecksum();
  StatusBar_->SetPanelText(TStatusPanel::ChipName, QString::fromStdString(CurrentChip.Name));
  StatusBar_->SetPanelText(TStatusPanel::ChipSize, QString::fromStdString(IntToHex(CurrentChip.Size, 6)));
  StatusBar_->SetPanelText(TStatusPanel::PageSize, QString::fromStdString(IntToHex(CurrentChip.PageSize, 3)));
  Grid_->BufferChanged();
  Grid_->SetMarks({});  // the differences of a compare no longer hold for new contents
  ShowCellAddress();
  Grid_->RepaintNow();
  Picture_->RepaintNow();
}

void TMainWindow::ShowCellAddress() {
  const int column = Grid_->Col(), row = Grid_->Row();
  if (row < 1 || column < 0 || column >= THexGrid::kColCount - 1) {
    StatusBar_->SetPanelText(TStatusPanel::Address, QString());
    return;
  }
  // Empty until the user first selects a cell; from then on it follows the current cell.
  if (StatusBar_->PanelText(TStatusPanel::Address).isEmpty()) return;
  StatusBar_->SetPanelText(
      TStatusPanel::Address,
      QString::fromStdString(MessageText("AddrLabel") + IntToHex(THexGridModel::CellAddress(column, row), 4)));
}

void TMainWindow::SaveSettings() {
  TIniFile settings(Options_.SettingsFile);
  settings.WriteString(kMainSection, "Chip", CurrentChip.Name);
  settings.WriteInteger(kMainSection, "CurrentMemoryAddress", CurrentMemoryAddress);
}

void TMainWindow::closeEvent(QCloseEvent* e) {
  // During a long command the close request asks whether to stop it; the window closes once it
  // has ended.
  if (Busy) {
    e->ignore();
    if (LongOperation) LongOperation->RequestClose();
    return;
  }
  // Unsaved changes are saved or discarded first, or the window stays open. A settings file that
  // can't be written is reported; the user may still close without it, so neither closing nor the
  // desktop's logout is held up for good.
  bool confirmed = false;
  bool writingSettings = false;
  const bool done = Run([this, &confirmed, &writingSettings] {
    confirmed = ConfirmDiscardChanges();
    if (!confirmed) return;
    writingSettings = true;
    SaveSettings();
  });
  if ((done && confirmed) ||
      (writingSettings && Ui().AskYesNo(Ui().MessageText("CloseWithoutSaving"), TAnswer::Yes) == TAnswer::Yes))
    e->accept();
  else
    e->ignore();
}

void TMainWindow::Exit() { close(); }

void TMainWindow::About() {
  Ui().ShowInformation(FormatText(Ui().MessageText("AboutText"), {TESMARO_VERSION, QT_VERSION_STR, qVersion()}));
}

void TMainWindow::StopOperation() {
  if (LongOperation) LongOperation->RequestStop();
}

void TMainWindow::ClearBuffer() {
  if (!ConfirmDiscardChanges()) return;
  // A cleared buffer holds nothing to save; the clear can be taken back.
  ReplaceBuffer([] {
    ClearMemoryBuffer();
    return true;
  });
  UpdateView();
}
