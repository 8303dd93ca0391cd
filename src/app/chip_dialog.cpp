#include "app/chip_dialog.h"

#include <QSignalBlocker>

#include "catalogue/catalogue.h"
#include "common/ini_file.h"

namespace {

// Catalogue names are kept as the file's bytes (item data) so a lookup finds them whatever
// their encoding; the shown text is their UTF-8 reading.
QString Shown(const std::string& name) { return QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())); }

std::string FileBytes(const QVariant& data) {
  const QByteArray b = data.toByteArray();
  return std::string(b.constData(), static_cast<size_t>(b.size()));
}

QByteArray Bytes(const std::string& s) { return QByteArray(s.data(), static_cast<qsizetype>(s.size())); }

}  // namespace

TChipDialog::TChipDialog(QWidget* parent, std::function<std::string()> catalogueFile)
    : TChipDialog(parent, std::function<std::vector<std::string>()>(
                              [f = std::move(catalogueFile)] { return std::vector<std::string>{f()}; })) {}

TChipDialog::TChipDialog(QWidget* parent, std::function<std::vector<std::string>()> catalogueFiles)
    : QDialog(parent), CatalogueFiles_(std::move(catalogueFiles)) {
  setObjectName("Form2");
  setWindowTitle(QString());
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                 Qt::MSWindowsFixedSizeDialogHint);
  QFont font(QStringLiteral("MS Sans Serif"), 8);
  font.setStyleHint(QFont::SansSerif);
  setFont(font);
  setFixedSize(187, 312);
  move(496, 242);

  FamilyBox_ = new QGroupBox(QStringLiteral("EEPROM Type"), this);
  FamilyBox_->setObjectName("GroupBox1");
  FamilyBox_->setGeometry(0, 0, 187, 57);
  FamilyList_ = new QComboBox(FamilyBox_);
  FamilyList_->setObjectName("PSlistbox");
  FamilyList_->setEditable(false);
  FamilyList_->setGeometry(8, 20, 169, FamilyList_->sizeHint().height());

  ChipBox_ = new QGroupBox(QStringLiteral(" Select CHIP "), this);
  ChipBox_->setObjectName("GroupBox2");
  ChipBox_->setGeometry(0, 57, 187, 216);
  ChipList_ = new QListWidget(ChipBox_);
  ChipList_->setObjectName("CSlistbox");
  ChipList_->setSelectionMode(QAbstractItemView::SingleSelection);
  ChipList_->setGeometry(6, 15, 175, 194);

  OkButton_ = new QPushButton(QStringLiteral("OK"), this);
  OkButton_->setObjectName("BitBtn1");
  OkButton_->setGeometry(12, 280, 75, 25);
  OkButton_->setDefault(true);  // Enter
  CancelButton_ = new QPushButton(QStringLiteral("Cancel"), this);
  CancelButton_->setObjectName("BitBtn2");
  CancelButton_->setGeometry(100, 280, 75, 25);
  CancelButton_->setAutoDefault(false);  // Escape rejects the dialog

  connect(OkButton_, &QPushButton::clicked, this, &QDialog::accept);
  connect(CancelButton_, &QPushButton::clicked, this, &QDialog::reject);
  connect(FamilyList_, &QComboBox::currentIndexChanged, this, [this] { ShowFamilyChips(); });
  // A double click picks the chip and closes the dialog, as OK would.
  connect(ChipList_, &QListWidget::itemDoubleClicked, this, [this] { accept(); });
}

void TChipDialog::LoadFamilies() {
  const TCatalogue catalogue(CatalogueFiles_());
  {
    const QSignalBlocker quiet(FamilyList_);
    FamilyList_->clear();
    for (const auto& family : catalogue.Families()) FamilyList_->addItem(Shown(family), Bytes(family));
    FamilyList_->setCurrentIndex(FamilyList_->count() > 0 ? 0 : -1);
  }
  // Without families the chips of an earlier catalogue would stay on show; none of them
  // exists any more, so the list is emptied.
  if (FamilyList_->count() == 0) ChipList_->clear();
  ShowFamilyChips();
}

void TChipDialog::ShowFamilyChips() {
  const int index = FamilyList_->currentIndex();
  if (index < 0) return;
  std::vector<std::string> chips = TCatalogue(CatalogueFiles_()).Keys(FileBytes(FamilyList_->itemData(index)));
  for (auto it = chips.begin(); it != chips.end(); ++it)
    if (SameText(*it, "type")) {
      chips.erase(it);
      break;
    }
  ChipList_->clear();
  for (const auto& chip : chips) {
    auto* item = new QListWidgetItem(Shown(chip), ChipList_);
    item->setData(Qt::UserRole, Bytes(chip));
  }
  ChipList_->setCurrentRow(-1);
  ChipList_->clearSelection();
}

int TChipDialog::ShowModal() {
  if (ShowModalHook) return ShowModalHook(*this);
  return exec();
}

std::string TChipDialog::SelectedChip() const {
  const QList<QListWidgetItem*> selected = ChipList_->selectedItems();
  if (selected.isEmpty()) return {};
  return FileBytes(selected.first()->data(Qt::UserRole));
}
