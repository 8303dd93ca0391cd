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

  GroupBox1 = new QGroupBox(QStringLiteral("EEPROM Type"), this);
  GroupBox1->setObjectName("GroupBox1");
  GroupBox1->setGeometry(0, 0, 187, 57);
  PSlistbox = new QComboBox(GroupBox1);
  PSlistbox->setObjectName("PSlistbox");
  PSlistbox->setEditable(false);
  PSlistbox->setGeometry(8, 20, 169, PSlistbox->sizeHint().height());

  GroupBox2 = new QGroupBox(QStringLiteral(" Select CHIP "), this);
  GroupBox2->setObjectName("GroupBox2");
  GroupBox2->setGeometry(0, 57, 187, 216);
  CSlistbox = new QListWidget(GroupBox2);
  CSlistbox->setObjectName("CSlistbox");
  CSlistbox->setSelectionMode(QAbstractItemView::SingleSelection);
  CSlistbox->setGeometry(6, 15, 175, 194);

  BitBtn1 = new QPushButton(QStringLiteral("OK"), this);
  BitBtn1->setObjectName("BitBtn1");
  BitBtn1->setGeometry(12, 280, 75, 25);
  BitBtn1->setDefault(true);  // Enter
  BitBtn2 = new QPushButton(QStringLiteral("Cancel"), this);
  BitBtn2->setObjectName("BitBtn2");
  BitBtn2->setGeometry(100, 280, 75, 25);
  BitBtn2->setAutoDefault(false);  // Escape rejects the dialog

  connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
  connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
  connect(PSlistbox, &QComboBox::currentIndexChanged, this, [this] { PSlistboxChange(); });
  // A double click picks the chip and closes the dialog, as OK would.
  connect(CSlistbox, &QListWidget::itemDoubleClicked, this, [this] { accept(); });
}

void TChipDialog::LoadFamilies() {
  const TCatalogue catalogue(CatalogueFiles_());
  {
    const QSignalBlocker quiet(PSlistbox);
    PSlistbox->clear();
    for (const auto& family : catalogue.Families()) PSlistbox->addItem(Shown(family), Bytes(family));
    PSlistbox->setCurrentIndex(PSlistbox->count() > 0 ? 0 : -1);
  }
  // Without families the chips of an earlier catalogue would stay on show; none of them
  // exists any more, so the list is emptied.
  if (PSlistbox->count() == 0) CSlistbox->clear();
  PSlistboxChange();
}

void TChipDialog::PSlistboxChange() {
  const int index = PSlistbox->currentIndex();
  if (index < 0) return;
  std::vector<std::string> chips = TCatalogue(CatalogueFiles_()).Keys(FileBytes(PSlistbox->itemData(index)));
  for (auto it = chips.begin(); it != chips.end(); ++it)
    if (SameText(*it, "type")) {
      chips.erase(it);
      break;
    }
  CSlistbox->clear();
  for (const auto& chip : chips) {
    auto* item = new QListWidgetItem(Shown(chip), CSlistbox);
    item->setData(Qt::UserRole, Bytes(chip));
  }
  CSlistbox->setCurrentRow(-1);
  CSlistbox->clearSelection();
}

int TChipDialog::ShowModal() {
  if (ShowModalHook) return ShowModalHook(*this);
  return exec();
}

std::string TChipDialog::SelectedChip() const {
  const QList<QListWidgetItem*> selected = CSlistbox->selectedItems();
  if (selected.isEmpty()) return {};
  return FileBytes(selected.first()->data(Qt::UserRole));
}
