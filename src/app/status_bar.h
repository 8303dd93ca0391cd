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
  // The hint shown over a panel.
  void SetPanelHint(int index, const QString& text);
  QString PanelHint(int index) const;

 private:
  std::array<QLabel*, 8> Panels_{};
};
