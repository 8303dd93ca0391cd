// The list of differences found by File > Compare with file: address, buffer byte, file byte;
// Enter or a double click on a row goes to its address in the grid, the keyboard staying in the
// list. A tool window beside the main window; Escape closes it.
#pragma once

#include <QDialog>
#include <vector>

#include "buffer/differences.h"

class QLabel;
class QTableView;
class TDifferencesModel;

class TDifferencesWindow : public QDialog {
  Q_OBJECT
 public:
  explicit TDifferencesWindow(QWidget* parent);

  // The differences listed, the first one current.
  void SetDifferences(std::vector<TByteDifference> differences);
  // The texts in the active language: title, summary line and the three column headings.
  void SetTexts(const QString& title, const QString& summary, const QStringList& headings);
  int RowCount() const;
  QString Summary() const;

  // The list of differences.
  QTableView* List() const { return List_; }

 signals:
  void GoToAddress(uint32_t address);

 private:
  QTableView* List_ = nullptr;
  TDifferencesModel* Model_ = nullptr;
  QLabel* Summary_ = nullptr;
};
