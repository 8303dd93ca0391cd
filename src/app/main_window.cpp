#include "app/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QHBoxLayout>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

#include "app/gui_user_interface.h"
#include "app/hex_grid.h"
#include "app/artwork.h"
#include "app/picture.h"
#include "app/status_bar.h"
#include "app/chip_dialog.h"
#include "buffer/memory_buffer.h"
#include "common/command_runner.h"
#include "common/cpu_clock.h"
#include "common/ini_file.h"
#include "common/integer.h"
#include "common/paths.h"

namespace {
const char* const kMainSection = "Main";
}

Tf::Tf(const TStartOptions& options, TUserInterface* ui) : Options_(options) {
  setObjectName("f");
  if (ui) {
    Ui_ = ui;
  } else {
    OwnUi_ = std::make_unique<TGuiUserInterface>(this);
    Ui_ = OwnUi_.get();
  }
  CreateControls();
  SetToolbarPictures(*this);
  InitFileDialogs();
  FormCreate();
  Form2 = new TForm2(this, [this] { return CatalogueFile(); });
  CreateLocalization();
  CreateDeviceLink();
}

Tf::~Tf() = default;

std::string Tf::CatalogueFile() const { return Options_.ExeFolder + kCatalogueFileName; }

bool Tf::Run(const std::function<void()>& command) { return RunCommand(*Ui_, command); }

QAction* Tf::AddItem(QMenu* menu, const char* name, const char* caption, void (Tf::*handler)()) {
  auto* a = new QAction(QString::fromUtf8(caption), this);
  a->setObjectName(name);
  if (handler) connect(a, &QAction::triggered, this, [this, handler] { Run([this, handler] { (this->*handler)(); }); });
  menu->addAction(a);
  return a;
}

QAction* Tf::AddSeparator(QMenu* menu, const char* name) {
  auto* a = new QAction(QStringLiteral("-"), this);
  a->setObjectName(name);
  a->setSeparator(true);
  menu->addAction(a);
  return a;
}

QToolButton* Tf::AddToolButton(const char* name, const char* hint, int pictureIndex, int left,
                               void (Tf::*handler)()) {
  auto* b = new QToolButton(sPanel2);
  b->setObjectName(name);
  b->setToolTip(QString::fromUtf8(hint));
  b->setGeometry(left, 8, 60, 60);
  b->setIconSize(QSize(32, 32));
  b->setAutoRaise(true);
  b->setProperty("pictureIndex", pictureIndex);
  connect(b, &QToolButton::clicked, this, [this, handler] { Run([this, handler] { (this->*handler)(); }); });
  return b;
}

void Tf::CreateControls() {
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

  sPanel2 = new QFrame(central);
  sPanel2->setObjectName("sPanel2");
  sPanel2->setFixedHeight(77);
  sPanel2->setFrameStyle(QFrame::Panel | QFrame::Raised);
  sSpeedButton1 = AddToolButton("sSpeedButton1", "Load File", 0, 8, &Tf::ToolButton1Click);
  sSpeedButton2 = AddToolButton("sSpeedButton2", "Save file as...", 1, 72, &Tf::ToolButton2Click);
  sSpeedButton3 = AddToolButton("sSpeedButton3", "Read chip", 2, 156, &Tf::sSpeedButton3Click);
  sSpeedButton4 = AddToolButton("sSpeedButton4", "Write chip", 3, 220, &Tf::sSpeedButton4Click);
  sSpeedButton5 = AddToolButton("sSpeedButton5", "Verify All", 4, 284, &Tf::VerifyAl1Click);
  sSpeedButton6 = AddToolButton("sSpeedButton6", "Select chip type", 5, 428, &Tf::ChipSelect1Click);
  sSpeedButton7 = AddToolButton("sSpeedButton7", "Supported chips", 6, 572, &Tf::SupportedChips1Click);
  sSpeedButton8 = AddToolButton("sSpeedButton8", "Clear memory buffer", 7, 348, &Tf::Clearmemory1Click);
  column->addWidget(sPanel2);

  auto* middle = new QHBoxLayout();
  middle->setSpacing(0);
  sProgressBar1 = new QProgressBar(central);
  sProgressBar1->setObjectName("sProgressBar1");
  sProgressBar1->setOrientation(Qt::Vertical);
  sProgressBar1->setFixedWidth(25);
  sProgressBar1->setRange(0, 100);
  sProgressBar1->setValue(0);
  sProgressBar1->setTextVisible(false);
  middle->addWidget(sProgressBar1);
  DrawGrid1 = new TDrawGrid(central);
  middle->addWidget(DrawGrid1, 1);
  column->addLayout(middle, 1);

  sPanel1 = new QFrame(central);
  sPanel1->setObjectName("sPanel1");
  sPanel1->setFixedHeight(141);
  sPanel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
  sPanel1->setLineWidth(3);
  pb1 = new TPaintBox32(sPanel1, CurrentChip);
  pb1->move(3, 3);
  connect(pb1, &TPaintBox32::Clicked, this, [this] { Run([this] { pb1Click(); }); });
  column->addWidget(sPanel1);

  sb1 = new TStatusBar(central);
  sb1->setObjectName("sb1");
  column->addWidget(sb1);
  connect(DrawGrid1, &TDrawGrid::StatusText, this, [this](const QString& t) { sb1->SetPanelText(2, t); });

  setCentralWidget(central);
  setMinimumWidth(664);
  setMaximumWidth(664);
  setMinimumHeight(614);
  resize(664, 614);
  if (QScreen* s = QApplication::primaryScreen()) move(s->availableGeometry().center() - rect().center());

  // Progress of chip operations and the firmware update: repainted only when the position changes.
  if (OwnUi_) {
    OwnUi_->ProgressSink = [this](int p) {
      if (sProgressBar1->value() == p) return;
      sProgressBar1->setValue(p);
      sProgressBar1->repaint();
    };
  }
}

void Tf::CreateMenus() {
  MainMenu1 = menuBar();
  MainMenu1->setObjectName("MainMenu1");

  File1 = MainMenu1->addMenu(QStringLiteral("&File"));
  File1->setObjectName("File1");
  Open1 = AddItem(File1, "Open1", "&Open", &Tf::ToolButton1Click);
  Save1 = AddItem(File1, "Save1", "&Save", nullptr);
  Save1->setVisible(false);
  SaveAs1 = AddItem(File1, "SaveAs1", "Save &As...", &Tf::ToolButton2Click);
  N1 = AddSeparator(File1, "N1");
  Exit1 = AddItem(File1, "Exit1", "Exit", &Tf::Exit1Click);

  Program1 = MainMenu1->addMenu(QStringLiteral("&Programmer"));
  Program1->setObjectName("Program1");
  Program2 = AddItem(Program1, "Program2", "Program all", &Tf::sSpeedButton4Click);
  ReadChip1 = AddItem(Program1, "ReadChip1", "Read all", &Tf::sSpeedButton3Click);
  VerifyAl1 = AddItem(Program1, "VerifyAl1", "Verify all", &Tf::VerifyAl1Click);
  N2 = AddSeparator(Program1, "N2");
  Getversioninfo1 = AddItem(Program1, "Getversioninfo1", "Firmware version info", &Tf::Getversioninfo1Click);

  Options1 = MainMenu1->addMenu(QStringLiteral("Options"));
  Options1->setObjectName("Options1");
  ChipSelect1 = AddItem(Options1, "ChipSelect1", "Chip Select", &Tf::ChipSelect1Click);
  N3 = AddSeparator(Options1, "N3");
  Clearmemory1 = AddItem(Options1, "Clearmemory1", "Clear memory buffer", &Tf::Clearmemory1Click);
  N4 = AddSeparator(Options1, "N4");
  Firmwareupdate1 = AddItem(Options1, "Firmwareupdate1", "Firmware update", &Tf::Firmwareupdate1Click);

  Language1 = MainMenu1->addMenu(QStringLiteral("Language"));
  Language1->setObjectName("Language1");

  Help1 = MainMenu1->addMenu(QStringLiteral("Help"));
  Help1->setObjectName("Help1");
  SupportedChips1 = AddItem(Help1, "SupportedChips1", "Supported Chips", &Tf::SupportedChips1Click);
}

void Tf::FormCreate() {
  FirstActivation = true;
  // A command-line file is named from the folder the program was started in, not the data folder.
  if (!Options_.CommandLineFile.empty())
    Options_.CommandLineFile =
        QDir::current().absoluteFilePath(QString::fromStdString(Options_.CommandLineFile)).toStdString();
  // The data files are opened by plain names from here; the result is not tested.
  if (!Options_.ExeFolder.empty()) QDir::setCurrent(QString::fromStdString(Options_.ExeFolder));
}

bool Tf::event(QEvent* e) {
  if (e->type() == QEvent::WindowActivate) FormActivate();
  return QMainWindow::event(e);
}

void Tf::showEvent(QShowEvent* e) {
  QMainWindow::showEvent(e);
  // Platforms without window activation (offscreen) still get the first activation.
  QTimer::singleShot(0, this, [this] { FormActivate(); });
}

void Tf::FormActivate() {
  if (!FirstActivation) return;
  FirstActivation = false;
  // Runs once in the life of the process, whatever fails or whichever box closes during it.
  Run([this] {
    StartupInit();
    BuildLanguageMenu();
    DrawGrid1->SetColWidth(17, 140);
    DrawGrid1->SetRowCount(CurrentChip.Size / 16 + 1);
    UpdateView();
    const std::string& file = Options_.CommandLineFile;
    if (!file.empty()) {
      // Loaded as Intel HEX whatever its extension; folders set only after a successful load.
      LoadHexFile(file);
      OpenDialog1.InitialDir = FolderPart(file);
      SaveDialog1.InitialDir = FolderPart(file);
    }
  });
  if (Options_.CloseAfterStart) QTimer::singleShot(0, this, [this] { close(); });
}

void Tf::StartupInit() {
  DrawGrid1->SetColWidth(0, 50);
  CurrentMemoryAddress = 0;
  std::string chipName;
  {
    TIniFile settings(Options_.SettingsFile);
    CurrentMemoryAddress = settings.ReadInteger(kMainSection, "CurrentMemoryAddress", 0);
    chipName = settings.ReadString(kMainSection, "Chip", "");
    SelectStartupLanguage(settings.ReadInteger(kMainSection, "LangID", -1));
  }
  if (!chipName.empty()) LoadChip(CatalogueFile(), chipName, CurrentChip);
  BlankSixteenBitCount(CurrentChip.Size);
  MeasureCpuClock();
  UpdateView();
}

void Tf::MeasureCpuClock() {
  CpuMHz = MeasureCpuMHz();
  sb1->SetPanelText(1, QString::fromStdString(FormatCpuMHz(CpuMHz)));
}

void Tf::UpdateView() {
  CalcChecksum(CurrentChip.Size);
  sb1->SetPanelText(3, QStringLiteral("Chk: ") + QString::fromStdString(IntToHex(Checksum, 4)));
  sb1->SetPanelText(4, QString::fromStdString(CurrentChip.Name));
  sb1->SetPanelText(5, QString::fromStdString(IntToHex(CurrentChip.Size, 6)));
  sb1->SetPanelText(6, QString::fromStdString(IntToHex(CurrentChip.PageSize, 3)));
  DrawGrid1->RepaintNow();
  pb1->RepaintNow();
}

void Tf::SaveSettings() {
  TIniFile settings(Options_.SettingsFile);
  settings.WriteString(kMainSection, "Chip", CurrentChip.Name);
  settings.WriteInteger(kMainSection, "CurrentMemoryAddress", CurrentMemoryAddress);
}

void Tf::closeEvent(QCloseEvent* e) {
  // The desktop's close request during a long command is refused: the command ends first.
  if (Busy) {
    e->ignore();
    return;
  }
  // A settings file that can't be written keeps the window open, with the error shown.
  if (Run([this] { SaveSettings(); }))
    e->accept();
  else
    e->ignore();
}

void Tf::Exit1Click() { close(); }

void Tf::Clearmemory1Click() {
  ClearMemoryBuffer();
  UpdateView();
}
