// The programmer picture pb1: the board with the chip, the supply jumper and the chip's name.
#pragma once

#include <QWidget>

struct TChip;

class TPaintBox32 : public QWidget {
  Q_OBJECT
 public:
  TPaintBox32(QWidget* parent, const TChip& chip);
  // Repaints at once from the chip record.
  void RepaintNow();

 signals:
  void Clicked();

 protected:
  void paintEvent(QPaintEvent*) override;
  void mouseReleaseEvent(QMouseEvent*) override;

 private:
  const TChip& Chip_;
};
