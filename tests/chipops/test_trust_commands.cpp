// The window's checks of what it reads, offscreen on the simulated chip: the notice bar above the
// grid, Options > "Read twice and compare", Programmer > Detect size, the backup before writing
// and File > Restore chip contents.
#include <QListWidget>
#include <QtTest>
#include <algorithm>
#include <random>

#include "app/main_window.h"
#include "app/notice_bar.h"
#include "app/restore_dialog.h"
#include "common/ini_file.h"
#include "common/scripted_user_interface.h"
#include "programmer/chip_backups.h"
#include "simulator/simulated_programmer.h"
#include "support/document_bytes.h"
#include "support/temp_dir.h"
#include "support/window_driver.h"
#include "support/window_options.h"

namespace {

using TKind = TScriptedUserInterface::TKind;
constexpr size_t kChipSize = 32768;

std::vector<uint8_t> RandomBytes(size_t n, uint32_t seed) {
  std::mt19937 r(seed);
  std::vector<uint8_t> v(n);
  for (auto& b : v) b = static_cast<uint8_t>(r());
  return v;
}

const char* const kRepeats =
    "The data repeat every 4096 bytes. If the image is not meant to repeat, the chip is smaller than 24C256 (4096 "
    "bytes), or its address pins are strapped differently.";

}  // namespace

class TestTrustCommands : public QObject {
  Q_OBJECT

  std::unique_ptr<TTempDir> Dir_;
  std::unique_ptr<TScriptedUserInterface> Ui_;
  std::unique_ptr<TMainWindow> F_;
  std::vector<uint8_t> Old_;  // the simulated chip's contents at start

  // A window on the simulated chip with these properties, holding Old_.
  void Start(std::initializer_list<const char*> properties, const std::string& settings = "") {
    Dir_ = std::make_unique<TTempDir>();
    Dir_->Write("see.ini", "[24Cxx]\ntype=1\n24C32=1,4096,32,0,5\n24C256=1,32768,32,0,5\n");
    Dir_->Write("tesmaro.ini", "[Main]\nChip=24C256\nAskBeforeWriting=0\n" + settings);
    Old_ = RandomBytes(kChipSize, 7);
    Dir_->Write("chip.bin", std::string(Old_.begin(), Old_.end()));
    TStartOptions o = WindowOptionsIn(*Dir_);
    o.Simulate = true;
    o.SimulateImage = Dir_->File("chip.bin");
    for (const char* p : properties) TakeChipProperty(p, o.Simulation.Chip);
    o.Simulation.Seed = 11;  // the flaky reads' bits too
    Ui_ = std::make_unique<TScriptedUserInterface>();
    F_ = std::make_unique<TMainWindow>(o, Ui_.get());
    F_->show();
    F_->Activate();
    QTRY_VERIFY(F_->Programmer.HeldDevice != nullptr);
    Ui_->Shown.clear();
  }

  TNoticeBar* Bar() { return Named<TNoticeBar>(*F_, "NoticeBar"); }
  std::vector<uint8_t> Chip() const {
    return {F_->SimulatedProgrammer->Chip.begin(), F_->SimulatedProgrammer->Chip.begin() + kChipSize};
  }

 private slots:
  void cleanup() {
    F_.reset();
    Ui_.reset();
    Dir_.reset();
  }

  // A read that looks wrong shows its notice above the grid, without a box; closing the bar or
  // the next command clears it.
  void noticeBarShowsWhatTheReadFound() {
    Start({"size=4096"});
    QVERIFY(Bar()->isHidden());
    Action(*F_, "ReadChip1")->trigger();
    QVERIFY(Bar()->isVisible());
    QCOMPARE(Bar()->Lines(), QStringList{kRepeats});
    QCOMPARE(Ui_->Texts(TKind::Notice), std::vector<std::string>{kRepeats});
    QCOMPARE(Ui_->Shown.size(), size_t(1));
    QVERIFY(Bar()->geometry().bottom() < Grid(*F_)->geometry().top());

    Bar()->findChild<QToolButton*>()->click();
    QVERIFY(Bar()->isHidden());
    Action(*F_, "ReadChip1")->trigger();
    QVERIFY(Bar()->isVisible());
    // The buffer holds what the chip reads: verifying it finds nothing new, and the bar goes.
    Action(*F_, "VerifyAl1")->trigger();
    QVERIFY(Bar()->isHidden());
    QCOMPARE(Ui_->Texts(TKind::Information), std::vector<std::string>{"Verification OK"});
  }

  // Read twice, kept in the settings: where the reads disagree the blocks are read again; a read
  // they decide is kept with its decided bytes marked and the notice in the bar, one they can't
  // decide leaves the buffer as it was, says so and marks the undecided bytes. No question.
  void readTwiceReReadsWhereTheReadsDisagree() {
    // Two reads that agree decide a byte, so the rate is one at which they rarely agree on a flip.
    Start({"flaky=0.005"});
    QVERIFY(!Action(*F_, "ReadTwice1")->isChecked());
    Action(*F_, "ReadTwice1")->trigger();
    QCOMPARE(TIniFile(F_->Options().SettingsFile).ReadInteger("Main", "ReadTwice", 0), 1);
    FillBytes(F_->Document(), 0, kChipSize, 0x42);

    Action(*F_, "ReadChip1")->trigger();
    QVERIFY(Ui_->Texts(TKind::Question).empty());
    QVERIFY(Ui_->Texts(TKind::Error).empty());
    QVERIFY(Bar()->isVisible());
    const QString notice = Bar()->Lines().at(0);
    QVERIFY2(notice.startsWith("The reads differed in ") &&
                 notice.endsWith("; re-reads decided every one (the grid marks them)"),
             qPrintable(notice));
    QVERIFY(std::equal(Old_.begin(), Old_.end(), F_->Document().Data()));
    QVERIFY(!Grid(*F_)->Marks().empty());

    // Every byte read has a bit flipped half the time: nine reads leave bytes undecided.
    Start({"flaky=0.5"});
    Action(*F_, "ReadTwice1")->setChecked(true);
    FillBytes(F_->Document(), 0, kChipSize, 0x42);
    Action(*F_, "ReadChip1")->trigger();
    QVERIFY(Ui_->Texts(TKind::Question).empty());
    const std::vector<std::string> errors = Ui_->Texts(TKind::Error);
    QCOMPARE(errors.size(), size_t(1));
    QVERIFY2(errors[0].find(" could not be decided after 9 reads (first at 0x") != std::string::npos,
             errors[0].c_str());
    QVERIFY(errors[0].find("The read was discarded.") != std::string::npos);
    QVERIFY(std::all_of(F_->Document().Data(), F_->Document().Data() + kChipSize, [](uint8_t b) { return b == 0x42; }));
    QVERIFY(!Grid(*F_)->Marks().empty());
  }

  // Detect size finds the smaller chip and selects a chip of that size when the user says so.
  void detectSizeOffersAChipOfTheSize() {
    Start({"size=4096"});
    Ui_->Answers = {TAnswer::Yes};
    Action(*F_, "DetectSize1")->trigger();
    QCOMPARE(Ui_->Shown.size(), size_t(1));
    QCOMPARE(Ui_->Shown[0].Text,
             std::string("The chip holds 4096 bytes (its contents repeat from 0x1000).\n\rChips of this type and size "
                         "in the catalogue: 24C32\n\rSelect 24C32?"));
    QCOMPARE(F_->CurrentChip.Name, std::string("24C32"));
    QCOMPARE(F_->CurrentChip.Size, 4096);
    for (const auto& r : F_->SimulatedProgrammer->Sent) QVERIFY(r[1] != 0x30);
  }

  // Every write keeps the chip's old contents first; Restore lists them and writes the chosen
  // one back after a question. With the option off nothing is kept.
  void backupBeforeWritingAndRestore() {
    Start({});
    QVERIFY(Action(*F_, "KeepContents1")->isChecked());
    Ui_->Answers = {};
    Action(*F_, "RestoreContents1")->trigger();
    QCOMPARE(Ui_->Texts(),
             std::vector<std::string>{"No chip contents have been kept yet: they are kept before every write."});

    const std::vector<uint8_t> image = RandomBytes(kChipSize, 9);
    SetBytes(F_->Document(), 0, image);
    Action(*F_, "Program2")->trigger();
    QCOMPARE(Chip(), image);
    const std::vector<TBackup> kept = ListBackups(F_->Options().BackupFolder);
    QCOMPARE(kept.size(), size_t(1));
    QCOMPARE(LoadBackup(kept[0]), Old_);

    Ui_->Shown.clear();
    Ui_->Answers = {TAnswer::Yes};
    bool listed = false;
    QTimer::singleShot(0, F_.get(), [&] {
      auto* dialog = F_->findChild<TRestoreDialog*>("RestoreDialog");
      QVERIFY(dialog);
      auto* list = Named<QListWidget>(*dialog, "BackupList");
      listed = list->count() == 1 && list->currentRow() == 0 && list->item(0)->text().startsWith("24C256   ");
      dialog->accept();
    });
    Action(*F_, "RestoreContents1")->trigger();
    QVERIFY(listed);
    QCOMPARE(Chip(), Old_);
    QCOMPARE(Ui_->Shown.front().Kind, TKind::Question);
    QVERIFY(Ui_->Shown.front().Text.find("back into 24C256? All 32768 bytes") != std::string::npos);
    QCOMPARE(Ui_->Texts(TKind::Information), std::vector<std::string>{"Programming OK"});
    QCOMPARE(ListBackups(F_->Options().BackupFolder).size(), size_t(2));

    // Off, kept in the settings: the next write keeps nothing.
    Action(*F_, "KeepContents1")->trigger();
    QCOMPARE(TIniFile(F_->Options().SettingsFile).ReadInteger("Main", "KeepContents", 1), 0);
    Action(*F_, "Program2")->trigger();
    QCOMPARE(ListBackups(F_->Options().BackupFolder).size(), size_t(2));
  }
};

QTEST_MAIN(TestTrustCommands)
#include "test_trust_commands.moc"
