// The status bar: eight panels of fixed widths, empty until written.
#pragma once

#include <QLabel>
#include <QWidget>
#include <array>

// The panels, left to right.
enum class TStatusPanel {
  Programmer,  // the firmware version; its hint names the held programmer
  Clock,       // the processor clock
  Address,     // the current cell's address
  Checksum,    // the 16-bit checksum of the chip's bytes
  ChipName,
  ChipSize,
  PageSize,
  Selection,  // the selection's start, length and byte sum; find's wrap notice
};

class TStatusBar : public QWidget {
  Q_OBJECT
 public:
  explicit TStatusBar(QWidget* parent);
  void SetPanelText(TStatusPanel panel, const QString& text);
  QString PanelText(TStatusPanel panel) const;
  // The hint shown over a panel.
  void SetPanelHint(TStatusPanel panel, const QString& text);
  QString PanelHint(TStatusPanel panel) const;

 private:
  QLabel* Panel(TStatusPanel panel) const;
  std::array<QLabel*, 8> Panels_{};
};
