// The notice bar above the grid: what the last operation found that may make its result wrong
// (a read that looks wrong, reads that disagreed), shown without stopping the user. It stays
// until the user closes it or the next operation starts.
#pragma once

#include <QFrame>
#include <QString>

class QLabel;
class QToolButton;

class TNoticeBar : public QFrame {
  Q_OBJECT
 public:
  explicit TNoticeBar(QWidget* parent);

  // Adds a line and shows the bar.
  void Add(const QString& text);
  // Hides the bar and forgets its lines.
  void Clear();
  // The lines shown, one per notice.
  QStringList Lines() const { return Lines_; }
  // The close button's tool tip, in the active language.
  void SetCloseHint(const QString& hint);

 private:
  QLabel* Icon_ = nullptr;
  QLabel* Text_ = nullptr;
  QToolButton* Close_ = nullptr;
  QStringList Lines_;
};
