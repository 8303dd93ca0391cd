// The list of differences found by File > Compare with file: address, buffer byte, file byte;
// a double click goes to the address in the grid. A tool window beside the main window.
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

  // Shows the differences under the given texts: title, summary line and the three column headings.
  void SetDifferences(std::vector<TByteDifference> differences, const QString& title, const QString& summary,
                      const QStringList& headings);
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
