#include "app/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QHBoxLayout>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QKeySequence>
#include <QScreen>
#include <QTimer>
#include <QToolTip>
#include <QVBoxLayout>
#include <QWindow>
#include <algorithm>
#include <string_view>

#include "app/artwork.h"
#include "app/chip_dialog.h"
#include "app/gui_user_interface.h"
#include "app/hex_grid.h"
#include "app/hex_grid_model.h"
#include "app/notice_bar.h"
#include "app/operation_runner.h"
#include "app/picture.h"
#include "app/qt_translations.h"
#include "app/status_bar.h"
#include "app/window_placement.h"
#include "buffer/memory_buffer.h"
#include "catalogue/catalogue.h"
#include "common/address_text.h"
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
  connect(this, &TMainWindow::ClockMeasured, this, &TMainWindow::ShowMeasuredClock, Qt::QueuedConnection);
  QtTranslations_ = std::make_unique<TQtTranslations>();
  CreateControls();
  LoadWindowSettings();
  Action(TCommandId::ShowDifferences)->setEnabled(false);  // until a compare finds differences
  SetToolbarPictures(*this);
  InitFileDialogs();
  ResolveStartFolders();
  ChipDialog_ = new TChipDialog(this, [this] { return CatalogueFiles(); });
  CreateLocalization();
  CreateEditing();
  CreateDeviceLink();
  CreateRunner();
  CreateProgressText();
}

void TMainWindow::CreateProgressText() {
  // The percent and time left follow the progress bar; a tick renews the time left between
  // positions of a slow stage.
  ProgressTick_ = new QTimer(this);
  ProgressTick_->setInterval(1000);
  connect(ProgressTick_, &QTimer::timeout, this, [this] { ShowProgress(ProgressEstimate_.Position()); });
  connect(ProgressBar_, &QProgressBar::valueChanged, this, &TMainWindow::ShowProgress);
  connect(Runner_.get(), &TOperationRunner::StateChanged, this, [this](bool running) {
    ProgressShown_ = running;
    if (running) {
      ProgressClock_.start();
      ProgressEstimate_.Start(0);
      ProgressTick_->start();
    } else {
      ProgressTick_->stop();
      StatusBar_->SetPanelText(TStatusPanel::Progress, QString());
    }
  });
}

void TMainWindow::ShowProgress(int position) {
  if (!ProgressShown_) return;
  const double now = double(ProgressClock_.elapsed()) / 1000.0;
  if (position != ProgressEstimate_.Position()) ProgressEstimate_.Update(position, now);
  // Nothing until the operation reports a position: a short command shows no text at all.
  if (position <= 0 && StatusBar_->PanelText(TStatusPanel::Progress).isEmpty()) return;
  StatusBar_->SetPanelText(TStatusPanel::Progress, QString::fromStdString(ProgressStatusText(
                                                       position, ProgressEstimate_.SecondsLeft(now), Ui())));
}

TMainWindow::~TMainWindow() {
  // A command still running is stopped while the programmer and the controller it uses are there.
  Runner_.reset();
  HeldChanges_.reset();
  // The measurement ends within its 0.4 s; its result, posted to the window, is then dropped.
  if (ClockThread_.joinable()) ClockThread_.join();
  // The grid listens to the document, which goes before the window's widgets do.
  delete Grid_;
}

std::string TMainWindow::CatalogueFile() const { return Options_.ExeFolder + kCatalogueFileName; }

std::vector<std::string> TMainWindow::CatalogueFiles() const {
  std::vector<std::string> files{CatalogueFile()};
  if (!Options_.UserCatalogue.empty()) files.push_back(Options_.UserCatalogue);
  return files;
}

bool TMainWindow::Run(const std::function<void()>& command) {
  // Every command starts from what the user typed: an open cell entry is kept first.
  ++CommandDepth_;
  const bool done = RunCommand(*Ui_, [this, &command] {
    if (Grid_) Grid_->CommitEntry();
    command();
    if (CommandDepth_ == 1) ShowHeldBoxes();
  });
  --CommandDepth_;
  // The boxes of chip work whose handler failed after it.
  if (CommandDepth_ == 0) ShowHeldBoxes();
  return done;
}

bool TMainWindow::RunWhenIdle(const std::function<void()>& command) {
  if (CommandUnderWay()) return false;
  return Run(command);
}

QAction* TMainWindow::AddItem(QMenu* menu, const TWindowCommand& command) {
  auto* a = new QAction(QString::fromUtf8(command.Caption), this);
  a->setObjectName(command.ActionName);
  // A separator has no text: styles draw a separator's text beside its line.
  a->setSeparator(command.Kind == TCommandKind::Separator);
  QList<QKeySequence> shortcuts;
  for (const QString& keys : QString::fromLatin1(command.Shortcut).split(u';', Qt::SkipEmptyParts))
    shortcuts << QKeySequence(keys, QKeySequence::PortableText);
  a->setShortcuts(shortcuts);
  a->setCheckable(command.Kind == TCommandKind::Check);
  a->setChecked(command.Kind == TCommandKind::Check);
  if (const auto handler = command.Handler)
    connect(a, &QAction::triggered, this, [this, handler] { RunFromControl(handler); });
  menu->addAction(a);
  return a;
}

QToolButton* TMainWindow::AddToolButton(const TWindowCommand& command) {
  auto* b = new QToolButton(Toolbar_);
  b->setObjectName(command.ButtonName);
  b->setToolTip(QString::fromUtf8(command.Hint));
  b->setGeometry(command.ButtonLeft, 8, 60, 60);
  b->setIconSize(QSize(32, 32));
  b->setAutoRaise(true);
  if (command.Picture >= 0) b->setProperty("pictureIndex", command.Picture);
  // A button without a menu item shows its caption.
  if (command.Kind == TCommandKind::Button) b->setText(QString::fromUtf8(command.Caption));
  // The keyboard stays with the grid: a click leaves the focus where it was.
  b->setFocusPolicy(Qt::NoFocus);
  b->installEventFilter(this);
  connect(b, &QToolButton::clicked, this, [this, handler = command.Handler] { RunFromControl(handler); });
  return b;
}

void TMainWindow::CreateControls() {
  setWindowTitle(QStringLiteral("Tesmaro"));
  setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowMaximizeButtonHint | Qt::WindowContextHelpButtonHint | Qt::WindowCloseButtonHint);
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
  CreateToolbar();
  int toolbarWidth = 0;
  for (const QToolButton* b : Buttons_)
    if (b) toolbarWidth = std::max(toolbarWidth, b->geometry().right() + 1 + 8);
  Toolbar_->setMinimumWidth(toolbarWidth);
  column->addWidget(Toolbar_);

  NoticeBar_ = new TNoticeBar(central);
  column->addWidget(NoticeBar_);

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
  Grid_ = new THexGrid(central, Document_);
  // The widths the start-up gives the address and character columns, already for the window's
  // first smallest size.
  Grid_->SetColWidth(0, 50);
  Grid_->SetColWidth(THexGrid::kColCount - 1, 140);
  middle->addWidget(Grid_, 1);
  column->addLayout(middle, 1);

  // The picture keeps its size and proportions, centred in a wider window.
  PicturePanel_ = new QFrame(central);
  PicturePanel_->setObjectName("sPanel1");
  PicturePanel_->setFixedHeight(141);
  PicturePanel_->setFrameStyle(QFrame::Panel | QFrame::Raised);
  PicturePanel_->setLineWidth(3);
  Picture_ = new TProgrammerPicture(PicturePanel_, CurrentChip);
  auto* pictureRow = new QHBoxLayout(PicturePanel_);
  pictureRow->setContentsMargins(3, 3, 3, 3);
  pictureRow->addWidget(Picture_, 0, Qt::AlignHCenter | Qt::AlignTop);
  connect(Picture_, &TProgrammerPicture::Clicked, this, [this] { RunWhenIdle([this] { OpenHomePage(); }); });
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
  // Any size from the smallest that shows the toolbar, a few rows and the picture: the grid takes
  // the room. The start size and place, unless the settings remember others.
  layout()->activate();  // the smallest size, before the window is made
  if (QScreen* s = QApplication::primaryScreen())
    setGeometry(StartPlace(QSize(kStartWidth, kStartHeight), s->availableGeometry(), kFrameEstimate, minimumSize()));
  else
    resize(kStartWidth, kStartHeight);

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
  for (const TWindowMenu& m : WindowMenus()) {
    QMenu* menu = MenuBar_->addMenu(QString::fromUtf8(m.Caption));
    menu->setObjectName(m.ObjectName);
    Menus_.at(static_cast<size_t>(m.Id)) = menu;
    for (const TWindowCommand& c : WindowCommands()) {
      if (c.Menu != m.Id || c.Kind == TCommandKind::Button) continue;
      if (c.Kind == TCommandKind::Submenu) {
        RecentFilesMenu_ = menu->addMenu(QString::fromUtf8(c.Caption));
        RecentFilesMenu_->setObjectName(c.ActionName);
        continue;
      }
      QAction* a = AddItem(menu, c);
      if (c.Id != TCommandId::None) Actions_.at(static_cast<size_t>(c.Id)) = a;
    }
  }
}

void TMainWindow::CreateToolbar() {
  // In the order of their names, which is the order they have always been made in.
  std::vector<const TWindowCommand*> buttons;
  for (const TWindowCommand& c : WindowCommands())
    if (c.ButtonName) buttons.push_back(&c);
  std::stable_sort(buttons.begin(), buttons.end(), [](const TWindowCommand* x, const TWindowCommand* y) {
    return std::string_view(x->ButtonName) < std::string_view(y->ButtonName);
  });
  for (const TWindowCommand* c : buttons) {
    QToolButton* b = AddToolButton(*c);
    Buttons_.at(static_cast<size_t>(c->Id)) = b;
    // The menu command of each button, whose shortcut the button's tool tip shows.
    if (QAction* a = Action(c->Id)) ButtonActions_[b] = a;
  }
  QToolButton* stop = Button(TCommandId::StopOperation);
  stop->setIcon(StopPicture());
  stop->setIconSize(QSize(28, 28));
  stop->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  stop->setAutoRaise(false);
  stop->hide();
}

void TMainWindow::RunFromControl(void (TMainWindow::*handler)()) {
  // While a command is under way only Stop acts: also in the moment before the controls show it,
  // and from its end until its handler has taken the result and refreshed the view.
  if (handler == &TMainWindow::StopOperation)
    Run([this] { StopOperation(); });
  else if (!RunWhenIdle([this, handler] { (this->*handler)(); }))
    return;
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
  // Files the user named are named from the folder the program was started in, not the data folder.
  ResolveUserPaths(Options_);
  // The data files are opened by plain names from here; the result is not tested.
  if (!Options_.ExeFolder.empty()) QDir::setCurrent(QString::fromStdString(Options_.ExeFolder));
}

bool TMainWindow::event(QEvent* e) {
  // Escape that no control took (the grid passes it on with no entry or selection to cancel)
  // closes the notice bar; during a command it stops the command instead.
  if (e->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(e)->key() == Qt::Key_Escape && !OperationRunning() &&
      NoticeBar_->isVisible()) {
    NoticeBar_->Clear();
    return true;
  }
  if (e->type() == QEvent::WindowActivate) Activate();
  if (e->type() == QEvent::WindowTitleChange) TitleChanged();
  return QMainWindow::event(e);
}

void TMainWindow::showEvent(QShowEvent* e) {
  QMainWindow::showEvent(e);
  if (!ScreenFollowed_ && windowHandle()) {
    ScreenFollowed_ = true;
    connect(windowHandle(), &QWindow::screenChanged, this, &TMainWindow::FollowScreen);
    FollowScreen(windowHandle()->screen());
    // Once shown, the desktop's frame is known.
    QTimer::singleShot(0, this, [this] { FitOnScreen(); });
  }
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
    UpdateView();
    // The command-line file, by the same rule as every open; its folder becomes the dialogs'.
    const std::string& file = Options_.CommandLineFile;
    if (!file.empty()) OpenFile(file);
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
    LoadCheckSettings(settings);
  }
  // A remembered chip that the catalogue refuses is reported; the start-up goes on without a chip.
  if (!chipName.empty()) Run([&] { LoadChip(TCatalogue(CatalogueFiles()), chipName, CurrentChip); });
  MeasureCpuClock();
  UpdateView();
}

void TMainWindow::MeasureCpuClock() {
  if (ClockThread_.joinable()) return;
  // The measurement busy-waits 0.4 s: on its own thread, so the window is shown and answers
  // input meanwhile. The result comes back as an event of the window's thread.
  // The result is handed over under ClockMutex_, so that ThreadSanitizer sees the hand-over.
  ClockThread_ = std::thread([this, source = ClockSource] {
    const long double mhz = source ? source() : MeasureCpuMHz();
    {
      std::lock_guard<std::mutex> lock(ClockMutex_);
      MeasuredMHz_ = mhz;
    }
    emit ClockMeasured(QPrivateSignal());
  });
}

void TMainWindow::ShowMeasuredClock() {
  {
    std::lock_guard<std::mutex> lock(ClockMutex_);
    CpuMHz = MeasuredMHz_;
  }
  ClockShown_ = true;
  StatusBar_->SetPanelText(TStatusPanel::Clock, QString::fromStdString(FormatCpuMHz(CpuMHz)));
}

void TMainWindow::UpdateView() {
  // The checksum and the grid cover the chip as it is now.
  if (Document_.ChipSize() != CurrentChip.Size) Grid_->SetChipSize(CurrentChip.Size);
  ShowChecksum();
  UpdateTitle();
  StatusBar_->SetPanelText(TStatusPanel::ChipName, QString::fromStdString(CurrentChip.Name));
  ShowStatusPanels();
  Grid_->SetMarks({});  // the differences of a compare no longer hold for new contents
  ShowCellAddress();
  Grid_->RepaintNow();
  Picture_->RepaintNow();
}

void TMainWindow::ShowStatusPanels() {
  // A size in bytes, its hex in the tool tip; nothing without a chip.
  const auto size = [this](TStatusPanel panel, const char* hintKey, int32_t bytes) {
    const bool known = bytes > 0;
    StatusBar_->SetPanelText(
        panel,
        known ? QString::fromStdString(FormatText(MessageText("BytesCount"), {std::to_string(bytes)})) : QString());
    StatusBar_->SetPanelHint(
        panel, QString::fromStdString(FormatText(MessageText(hintKey), {known ? std::to_string(bytes) : "-",
                                                                        known ? "0x" + IntToHex(bytes, 1) : "-"})));
  };
  size(TStatusPanel::ChipSize, "ChipSizeHint", CurrentChip.Size);
  size(TStatusPanel::PageSize, "PageSizeHint", CurrentChip.PageSize);
  StatusBar_->SetPanelHint(TStatusPanel::Clock, QString::fromStdString(MessageText("ClockHint")));
  StatusBar_->SetPanelHint(TStatusPanel::Address, QString::fromStdString(MessageText("AddressHint")));
  StatusBar_->SetPanelHint(TStatusPanel::Checksum, QString::fromStdString(MessageText("ChecksumHint")));
  StatusBar_->SetPanelHint(TStatusPanel::ChipName, QString::fromStdString(MessageText("ChipNameHint")));
  StatusBar_->SetPanelHint(TStatusPanel::Progress, QString::fromStdString(MessageText("ProgressHint")));
  if (!Programmer.HeldDevice) ShowProgrammerPanel("");
}

void TMainWindow::ShowProgrammerPanel(const std::string& versionText) {
  if (Programmer.HeldDevice) {
    StatusBar_->SetPanelText(TStatusPanel::Programmer, QString::fromStdString(versionText));
    ShowHeldProgrammer();
    return;
  }
  StatusBar_->SetPanelText(TStatusPanel::Programmer, QString::fromStdString(MessageText("NoProgrammer")));
  StatusBar_->SetPanelHint(TStatusPanel::Programmer, QString::fromStdString(MessageText("NoProgrammerHint")));
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
      QString::fromStdString(MessageText("AddrLabel") +
                             AddressText(THexGridModel::CellAddress(column, row), CurrentChip.Size)));
}

void TMainWindow::SaveSettings() {
  TIniFile settings(Options_.SettingsFile);
  settings.WriteString(kMainSection, "Chip", CurrentChip.Name);
  settings.WriteInteger(kMainSection, "CurrentMemoryAddress", CurrentMemoryAddress);
  SaveWindowSettings(settings);
}

void TMainWindow::closeEvent(QCloseEvent* e) {
  // During a long command the close request asks whether to stop it; the window closes once it
  // has ended.
  if (OperationRunning()) {
    e->ignore();
    Runner_->RequestClose();
    // The command may have ended while the question was open: its Yes still closes the window.
    if (Runner_->CloseRequested() && !OperationRunning()) QTimer::singleShot(0, this, [this] { close(); });
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

void TMainWindow::StopOperation() { Runner_->RequestStop(); }

void TMainWindow::ClearBuffer() {
  if (!ConfirmDiscardChanges()) return;
  // An untitled document of blank bytes; the clear can be taken back.
  Grid_->CommitEntry();
  Document_.Clear();
  UpdateView();
}
