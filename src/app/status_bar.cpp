#include "app/status_bar.h"

#include <QHBoxLayout>

TStatusBar::TStatusBar(QWidget* parent) : QWidget(parent) {
  static const int widths[8] = {120, 90, 70, 70, 60, 60, 40, 50};
  setFixedHeight(25);
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(2);
  for (int i = 0; i < 8; ++i) {
    auto* l = new QLabel(this);
    l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    l->setAlignment(i == static_cast<int>(TStatusPanel::Clock) ? Qt::AlignCenter : Qt::AlignLeft | Qt::AlignVCenter);
    // The last panel takes the rest of the bar (the grid's selection is shown there).
    if (i < 7)
      l->setFixedWidth(widths[i]);
    else
      l->setMinimumWidth(widths[i]);
    layout->addWidget(l, i < 7 ? 0 : 1);
    Panels_[i] = l;
  }
}

QLabel* TStatusBar::Panel(TStatusPanel panel) const { return Panels_.at(static_cast<size_t>(panel)); }

void TStatusBar::SetPanelText(TStatusPanel panel, const QString& text) { Panel(panel)->setText(text); }

QString TStatusBar::PanelText(TStatusPanel panel) const { return Panel(panel)->text(); }

void TStatusBar::SetPanelHint(TStatusPanel panel, const QString& text) { Panel(panel)->setToolTip(text); }

QString TStatusBar::PanelHint(TStatusPanel panel) const { return Panel(panel)->toolTip(); }
