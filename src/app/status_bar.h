// The status bar: its panels, empty until written, each with a tool tip that says what it shows;
// the last one shows a long operation's progress and is hidden otherwise.
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
  Progress,   // a long operation's percent and time left; hidden while none runs
};
inline constexpr int kStatusPanelCount = 9;

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
  std::array<QLabel*, kStatusPanelCount> Panels_{};
};
