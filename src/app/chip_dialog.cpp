#include "app/chip_dialog.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QScreen>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <climits>

#include "app/window_placement.h"
#include "catalogue/catalogue.h"
#include "catalogue/chip.h"
#include "common/error.h"
#include "common/ini_file.h"
#include "common/user_interface.h"
#include "programmer/chip_operations.h"

namespace {

// Catalogue names are kept as the file's bytes (item data) so a lookup finds them whatever
// their encoding; the shown text is their UTF-8 reading.
QString Shown(const std::string& name) { return QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())); }

std::string FileBytes(const QVariant& data) {
  const QByteArray b = data.toByteArray();
  return std::string(b.constData(), static_cast<size_t>(b.size()));
}

QByteArray Bytes(const std::string& s) { return QByteArray(s.data(), static_cast<qsizetype>(s.size())); }

constexpr int kNameRole = Qt::UserRole;        // the chip's name as the catalogue spells it
constexpr int kFamilyRole = Qt::UserRole + 1;  // its family, likewise

// Letters and digits only, in upper case: "at24c64d-pu" and "AT24C64D PU" read alike.
QString Letters(const QString& text) {
  QString out;
  for (QChar c : text)
    if (c.isLetterOrNumber()) out += c.toUpper();
  return out;
}

// A typed marking may hold a chip's name only when the name is this long, so that a short name
// does not match every marking.
constexpr qsizetype kShortestNameInMarking = 4;

std::vector<std::string> ChipsOf(const TCatalogue& catalogue, const std::string& family) {
  std::vector<std::string> chips = catalogue.Keys(family);
  for (auto it = chips.begin(); it != chips.end(); ++it)
    if (SameText(*it, "type")) {
      chips.erase(it);
      break;
    }
  return chips;
}

}  // namespace

TChipDialog::TChipDialog(QWidget* parent, std::function<std::string()> catalogueFile)
    : TChipDialog(parent, std::function<std::vector<std::string>()>(
                              [f = std::move(catalogueFile)] { return std::vector<std::string>{f()}; })) {}

TChipDialog::TChipDialog(QWidget* parent, std::function<std::vector<std::string>()> catalogueFiles)
    : QDialog(parent), CatalogueFiles_(std::move(catalogueFiles)) {
  setObjectName("Form2");
  setWindowTitle(QString());
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  QFont font(QStringLiteral("MS Sans Serif"), 8);
  font.setStyleHint(QFont::SansSerif);
  setFont(font);
  setSizeGripEnabled(true);
  MessageText = [](const std::string& key) { return BuiltInMessageText(key); };

  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 6);
  column->setSpacing(0);

  FamilyBox_ = new QGroupBox(QStringLiteral("EEPROM Type"), this);
  FamilyBox_->setObjectName("GroupBox1");
  FamilyList_ = new QComboBox(FamilyBox_);
  FamilyList_->setObjectName("PSlistbox");
  FamilyList_->setEditable(false);
  auto* familyRow = new QVBoxLayout(FamilyBox_);
  familyRow->setContentsMargins(8, 4, 8, 8);
  familyRow->addWidget(FamilyList_);
  column->addWidget(FamilyBox_);

  ChipBox_ = new QGroupBox(QStringLiteral(" Select CHIP "), this);
  ChipBox_->setObjectName("GroupBox2");
  FilterLabel_ = new QLabel(QStringLiteral("&Name or marking:"), ChipBox_);
  FilterLabel_->setObjectName("FilterLabel");
  Filter_ = new QLineEdit(ChipBox_);
  Filter_->setObjectName("FilterEdit");
  Filter_->setToolTip(
      QStringLiteral("Type a chip's name or the marking printed on it: the chips of every family "
                     "that match are listed"));
  Filter_->setClearButtonEnabled(true);
  FilterLabel_->setBuddy(Filter_);
  FilterLabel_->setWordWrap(true);
  Filter_->installEventFilter(this);
  ChipList_ = new QListWidget(ChipBox_);
  ChipList_->setObjectName("CSlistbox");
  ChipList_->setSelectionMode(QAbstractItemView::SingleSelection);
  auto* chipColumn = new QVBoxLayout(ChipBox_);
  chipColumn->setContentsMargins(6, 4, 6, 6);
  chipColumn->setSpacing(3);
  chipColumn->addWidget(FilterLabel_);
  chipColumn->addWidget(Filter_);
  chipColumn->addWidget(ChipList_, 1);
  column->addWidget(ChipBox_, 1);

  OkButton_ = new QPushButton(QStringLiteral("OK"), this);
  OkButton_->setObjectName("BitBtn1");
  OkButton_->setDefault(true);  // Enter
  CancelButton_ = new QPushButton(QStringLiteral("Cancel"), this);
  CancelButton_->setObjectName("BitBtn2");
  CancelButton_->setAutoDefault(false);  // Escape rejects the dialog
  for (QPushButton* b : {OkButton_, CancelButton_}) b->setFixedSize(75, 25);
  auto* buttons = new QHBoxLayout();
  buttons->setContentsMargins(12, 6, 12, 0);
  buttons->setSpacing(13);
  buttons->addWidget(OkButton_);
  buttons->addWidget(CancelButton_);
  column->addLayout(buttons);

  // Large enough for a family's list without scrolling at once, or what its texts need; the
  // user may make it larger. Placed over the main window each time it opens.
  setMinimumSize(minimumSizeHint());
  resize(kStartSize.expandedTo(minimumSizeHint()));

  connect(OkButton_, &QPushButton::clicked, this, &QDialog::accept);
  connect(CancelButton_, &QPushButton::clicked, this, &QDialog::reject);
  // Picking a family shows all of its chips: the filter is emptied.
  connect(FamilyList_, &QComboBox::currentIndexChanged, this, [this] {
    const QSignalBlocker quiet(Filter_);
    Filter_->clear();
    ShowFamilyChips();
  });
  connect(Filter_, &QLineEdit::textChanged, this, [this] { FilterChanged(); });
  connect(ChipList_, &QListWidget::currentItemChanged, this, [this](QListWidgetItem* item) { ShowFamilyOf(item); });
  // A double click picks the chip and closes the dialog, as OK would.
  connect(ChipList_, &QListWidget::itemDoubleClicked, this, [this] { accept(); });
}

void TChipDialog::LoadFamilies(const std::string& current) {
  const TCatalogue catalogue(CatalogueFiles_());
  {
    const QSignalBlocker quiet(Filter_);
    Filter_->clear();
  }
  // The family that a lookup of the current chip finds, as choosing it would.
  TChip chip;
  bool found = false;
  if (!current.empty()) {
    try {
      found = LoadChip(catalogue, current, chip);
    } catch (const std::exception&) {
    }
  }
  {
    const QSignalBlocker quiet(FamilyList_);
    FamilyList_->clear();
    for (const auto& family : catalogue.Families()) FamilyList_->addItem(Shown(family), Bytes(family));
    const int at = found ? FamilyList_->findData(Bytes(chip.Family)) : -1;
    FamilyList_->setCurrentIndex(at >= 0 ? at : FamilyList_->count() > 0 ? 0 : -1);
  }
  // Without families the chips of an earlier catalogue would stay on show; none of them
  // exists any more, so the list is emptied.
  if (FamilyList_->count() == 0) ChipList_->clear();
  ShowFamilyChips();
  if (!found) return;
  for (int i = 0; i < ChipList_->count(); ++i) {
    QListWidgetItem* item = ChipList_->item(i);
    if (!SameText(FileBytes(item->data(kNameRole)), current)) continue;
    ChipList_->setCurrentItem(item);
    item->setSelected(true);
    ChipList_->scrollToItem(item, QAbstractItemView::PositionAtCenter);
    break;
  }
}

void TChipDialog::ShowFamilyChips() {
  const int index = FamilyList_->currentIndex();
  if (index < 0) return;
  const TCatalogue catalogue(CatalogueFiles_());
  const std::string family = FileBytes(FamilyList_->itemData(index));
  const QSignalBlocker quiet(ChipList_);
  ChipList_->clear();
  for (const auto& chip : ChipsOf(catalogue, family)) AddChip(catalogue, family, chip);
  ChipList_->setCurrentRow(-1);
  ChipList_->clearSelection();
}

void TChipDialog::AddChip(const TCatalogue& catalogue, const std::string& family, const std::string& chip) {
  auto* item = new QListWidgetItem(Shown(chip), ChipList_);
  item->setData(kNameRole, Bytes(chip));
  item->setData(kFamilyRole, Bytes(family));
  // What the chip commands would say of it, read as choosing it reads it.
  std::string reason;
  try {
    TChip c;
    if (LoadChip(catalogue, chip, c)) switch (ChipUseOf(c)) {
        case TChipUse::Usable: break;
        case TChipUse::Unsupported: reason = FormatText(MessageText("ChipUnsupported"), {chip}); break;
        case TChipUse::NoChip: reason = FormatText(MessageText("ChipNoSize"), {chip}); break;
      }
  } catch (const std::exception& e) {
    reason = ErrorText(e, MessageText);
  }
  if (reason.empty()) return;
  // Greyed, yet still selectable: the user may look at its size in the grid.
  item->setForeground(palette().brush(QPalette::Disabled, QPalette::Text));
  item->setToolTip(QString::fromStdString(reason));
}

bool TChipDialog::Matches(const std::string& chipName, const QString& typed) {
  const QString name = Letters(Shown(chipName)), text = Letters(typed);
  if (text.isEmpty() || name.isEmpty()) return false;
  return name.contains(text) || (name.size() >= kShortestNameInMarking && text.contains(name));
}

void TChipDialog::ShowMatchingChips() {
  const TCatalogue catalogue(CatalogueFiles_());
  const QString typed = Filter_->text();
  const QSignalBlocker quiet(ChipList_);
  ChipList_->clear();
  // The best match: the chip whose name is what was typed, else the longest name that a typed
  // marking holds, else the first match.
  const QString letters = Letters(typed);
  auto score = [&letters](const QString& name) {
    const QString n = Letters(name);
    return n == letters ? INT_MAX : letters.contains(n) ? static_cast<int>(n.size()) : 0;
  };
  QListWidgetItem* best = nullptr;
  for (const auto& family : catalogue.Families())
    for (const auto& chip : ChipsOf(catalogue, family)) {
      if (!Matches(chip, typed)) continue;
      AddChip(catalogue, family, chip);
      QListWidgetItem* item = ChipList_->item(ChipList_->count() - 1);
      if (!best || score(item->text()) > score(best->text())) best = item;
    }
  if (!best) return;
  ChipList_->setCurrentItem(best);
  best->setSelected(true);
  ChipList_->scrollToItem(best);
  ShowFamilyOf(best);
}

void TChipDialog::FilterChanged() {
  if (Filter_->text().trimmed().isEmpty())
    ShowFamilyChips();
  else
    ShowMatchingChips();
}

void TChipDialog::ShowFamilyOf(const QListWidgetItem* item) {
  if (!item || Filter_->text().trimmed().isEmpty()) return;
  const int at = FamilyList_->findData(item->data(kFamilyRole));
  const QSignalBlocker quiet(FamilyList_);
  if (at >= 0) FamilyList_->setCurrentIndex(at);
}

bool TChipDialog::eventFilter(QObject* watched, QEvent* e) {
  // The arrow and page keys in the filter move through the list, so typing and choosing need no
  // change of focus.
  if (watched == Filter_ && e->type() == QEvent::KeyPress) {
    switch (static_cast<QKeyEvent*>(e)->key()) {
      case Qt::Key_Up:
      case Qt::Key_Down:
      case Qt::Key_PageUp:
      case Qt::Key_PageDown: {
        const auto* key = static_cast<QKeyEvent*>(e);
        QKeyEvent copy(QEvent::KeyPress, key->key(), key->modifiers());
        QCoreApplication::sendEvent(ChipList_, &copy);
        if (QListWidgetItem* item = ChipList_->currentItem()) item->setSelected(true);
        return true;
      }
      default: break;
    }
  }
  return QDialog::eventFilter(watched, e);
}

void TChipDialog::PlaceOverParent() {
  // Its title says what it is for; the dialog's own caption stays empty for the language files.
  setWindowTitle(QString::fromStdString(MessageText("ChipDialogTitle")));
  const QWidget* owner = parentWidget();
  if (!owner) return;
  QRect place(QPoint(0, 0), size());
  place.moveCenter(owner->frameGeometry().center());
  if (const QScreen* screen = owner->screen()) place = FitInside(place, screen->availableGeometry(), kFrameEstimate);
  setGeometry(place);
}

int TChipDialog::ShowModal() {
  PlaceOverParent();
  if (ShowModalHook) return ShowModalHook(*this);
  // Typing names the chip at once.
  Filter_->setFocus(Qt::OtherFocusReason);
  return exec();
}

std::string TChipDialog::SelectedChip() const {
  const QList<QListWidgetItem*> selected = ChipList_->selectedItems();
  if (selected.isEmpty()) return {};
  return FileBytes(selected.first()->data(kNameRole));
}
