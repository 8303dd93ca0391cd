// The status bar sb1: eight panels of fixed widths, empty until written.
#pragma once

#include <QLabel>
#include <QWidget>
#include <array>

class TStatusBar : public QWidget {
  Q_OBJECT
 public:
  explicit TStatusBar(QWidget* parent);
  void SetPanelText(int index, const QString& text);
  QString PanelText(int index) const;
  // The tool tip of a panel, for a text too long for its width.
  void SetPanelHint(int index, const QString& hint);

 private:
  std::array<QLabel*, 8> Panels_{};
};
