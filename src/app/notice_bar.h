// The notice bar above the grid: what the last operation found that may make its result wrong
// (a read that looks wrong, reads that disagreed), shown without stopping the user. It stays
// until the user closes it (its button or Escape) or the next operation starts.
#pragma once

#include <QFrame>
#include <QString>
#include <functional>
#include <optional>

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
  // Each line made again in another language; a line the function can't make stays as it is.
  void Retranslate(const std::function<std::optional<QString>(const QString&)>& again);

 protected:
  void changeEvent(QEvent* e) override;

 private:
  // The close button's cross in the bar's text colour, so it shows on light and dark bars.
  void ColourCloseButton();

  QLabel* Icon_ = nullptr;
  QLabel* Text_ = nullptr;
  QToolButton* Close_ = nullptr;
  QStringList Lines_;
};
