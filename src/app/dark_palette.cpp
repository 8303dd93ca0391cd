#include "app/dark_palette.h"

#include <QApplication>
#include <QStyleFactory>

QPalette DarkPalette() {
  const QColor window(45, 45, 48), base(30, 30, 30), text(222, 222, 222), faint(128, 128, 128);
  QPalette p;
  p.setColor(QPalette::Window, window);
  p.setColor(QPalette::WindowText, text);
  p.setColor(QPalette::Base, base);
  p.setColor(QPalette::AlternateBase, window);
  p.setColor(QPalette::Text, text);
  p.setColor(QPalette::Button, window);
  p.setColor(QPalette::ButtonText, text);
  p.setColor(QPalette::BrightText, QColor(255, 90, 90));
  p.setColor(QPalette::Highlight, QColor(42, 130, 218));
  p.setColor(QPalette::HighlightedText, Qt::white);
  p.setColor(QPalette::ToolTipBase, window);
  p.setColor(QPalette::ToolTipText, text);
  p.setColor(QPalette::PlaceholderText, faint);
  p.setColor(QPalette::Link, QColor(90, 160, 240));
  p.setColor(QPalette::Light, QColor(70, 70, 74));
  p.setColor(QPalette::Midlight, QColor(58, 58, 62));
  p.setColor(QPalette::Mid, QColor(38, 38, 40));
  p.setColor(QPalette::Dark, QColor(24, 24, 26));
  p.setColor(QPalette::Shadow, Qt::black);
  for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
    p.setColor(QPalette::Disabled, role, faint);
  p.setColor(QPalette::Disabled, QPalette::Highlight, QColor(70, 70, 74));
  return p;
}

void UseDarkColours() {
  if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion"))) QApplication::setStyle(fusion);
  QApplication::setPalette(DarkPalette());
}
