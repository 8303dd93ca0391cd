#include "app/differences_window.h"

#include <QAbstractTableModel>
#include <QHeaderView>
#include <QLabel>
#include <QTableView>
#include <QVBoxLayout>

#include "common/integer.h"

// The differences as a table; rows are made only when shown, so a million of them cost little.
class TDifferencesModel : public QAbstractTableModel {
 public:
  using QAbstractTableModel::QAbstractTableModel;

  void Set(std::vector<TByteDifference> rows) {
    beginResetModel();
    Rows_ = std::move(rows);
    endResetModel();
  }
  void SetHeadings(const QStringList& headings) {
    Headings_ = headings;
    emit headerDataChanged(Qt::Horizontal, 0, columnCount({}) - 1);
  }
  uint32_t AddressAt(int row) const { return Rows_.at(static_cast<size_t>(row)).Address; }

  int rowCount(const QModelIndex& parent) const override {
    return parent.isValid() ? 0 : static_cast<int>(Rows_.size());
  }
  int columnCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : 3; }
  QVariant data(const QModelIndex& index, int role) const override {
    if (role != Qt::DisplayRole || !index.isValid()) return {};
    const TByteDifference& d = Rows_[static_cast<size_t>(index.row())];
    switch (index.column()) {
      case 0: return QString::fromStdString("0x" + IntToHex(d.Address, 4));
      case 1: return QString::fromStdString(IntToHex(d.Left, 2));
      default: return QString::fromStdString(IntToHex(d.Right, 2));
    }
  }
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
    if (role == Qt::DisplayRole && orientation == Qt::Horizontal && section < Headings_.size())
      return Headings_[section];
    return QAbstractTableModel::headerData(section, orientation, role);
  }

 private:
  std::vector<TByteDifference> Rows_;
  QStringList Headings_;
};

TDifferencesWindow::TDifferencesWindow(QWidget* parent) : QDialog(parent, Qt::Tool) {
  setObjectName("DifferencesWindow");
  auto* layout = new QVBoxLayout(this);
  Summary_ = new QLabel(this);
  Summary_->setWordWrap(true);
  layout->addWidget(Summary_);
  List_ = new QTableView(this);
  List_->setObjectName("ListView1");
  Model_ = new TDifferencesModel(List_);
  List_->setModel(Model_);
  List_->setSelectionBehavior(QAbstractItemView::SelectRows);
  List_->setSelectionMode(QAbstractItemView::SingleSelection);
  List_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  List_->verticalHeader()->hide();
  List_->verticalHeader()->setDefaultSectionSize(18);
  List_->horizontalHeader()->setDefaultSectionSize(80);
  List_->horizontalHeader()->setStretchLastSection(true);
  List_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  layout->addWidget(List_);
  // Enter, and a double click (or a single one where the style activates with it).
  connect(List_, &QTableView::activated, this, [this](const QModelIndex& index) {
    if (index.isValid()) emit GoToAddress(Model_->AddressAt(index.row()));
  });
  resize(280, 420);
}

void TDifferencesWindow::SetDifferences(std::vector<TByteDifference> differences) {
  Model_->Set(std::move(differences));
  if (Model_->rowCount({}) > 0) List_->setCurrentIndex(Model_->index(0, 0));
}

void TDifferencesWindow::SetTexts(const QString& title, const QString& summary, const QStringList& headings) {
  setWindowTitle(title);
  Summary_->setText(summary);
  Model_->SetHeadings(headings);
}

int TDifferencesWindow::RowCount() const { return Model_->rowCount({}); }

QString TDifferencesWindow::Summary() const { return Summary_->text(); }
