#include "app/status_bar.h"

#include <QHBoxLayout>

TStatusBar::TStatusBar(QWidget* parent) : QWidget(parent) {
  // Smallest widths; the chip's size and page size grow with their text ("1048576 bytes").
  static const int widths[kStatusPanelCount] = {120, 90, 70, 70, 60, 80, 55, 50, 150};
  setFixedHeight(25);
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(2);
  const int selection = static_cast<int>(TStatusPanel::Selection);
  for (int i = 0; i < kStatusPanelCount; ++i) {
    auto* l = new QLabel(this);
    l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    l->setAlignment(i == static_cast<int>(TStatusPanel::Clock) ? Qt::AlignCenter : Qt::AlignLeft | Qt::AlignVCenter);
    // The selection's panel takes the rest of the bar.
    if (i == static_cast<int>(TStatusPanel::ChipSize) || i == static_cast<int>(TStatusPanel::PageSize) ||
        i >= selection)
      l->setMinimumWidth(widths[i]);
    else
      l->setFixedWidth(widths[i]);
    layout->addWidget(l, i == selection ? 1 : 0);
    Panels_[i] = l;
  }
  Panel(TStatusPanel::Progress)->hide();
}

QLabel* TStatusBar::Panel(TStatusPanel panel) const { return Panels_.at(static_cast<size_t>(panel)); }

void TStatusBar::SetPanelText(TStatusPanel panel, const QString& text) {
  Panel(panel)->setText(text);
  if (panel == TStatusPanel::Progress) Panel(panel)->setVisible(!text.isEmpty());
}

QString TStatusBar::PanelText(TStatusPanel panel) const { return Panel(panel)->text(); }

void TStatusBar::SetPanelHint(TStatusPanel panel, const QString& text) { Panel(panel)->setToolTip(text); }

QString TStatusBar::PanelHint(TStatusPanel panel) const { return Panel(panel)->toolTip(); }
