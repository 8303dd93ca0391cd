#include "app/message_box.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>

void ShowPlainMessageBox(QWidget* parent, const QString& title, const QString& text) {
  QDialog box(parent);
  box.setWindowTitle(title);
  auto* label = new QLabel(text);
  label->setTextFormat(Qt::PlainText);
  label->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  label->setContentsMargins(8, 8, 8, 8);

  const QScreen* screen = parent && parent->screen() ? parent->screen() : QGuiApplication::primaryScreen();
  const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 800, 600);
  const QSize need = label->sizeHint();
  const int maxHeight = area.height() * 2 / 3;
  if (need.height() <= maxHeight) {
    delete label;
    QMessageBox plain(QMessageBox::NoIcon, title, text, QMessageBox::Ok, parent);
    plain.exec();
    return;
  }

  auto* scroll = new QScrollArea(&box);
  scroll->setObjectName("MessageScroll");
  scroll->setWidget(label);
  scroll->setWidgetResizable(true);
  scroll->setFrameShape(QFrame::NoFrame);
  const int bar = box.style()->pixelMetric(QStyle::PM_ScrollBarExtent);
  scroll->setMinimumSize(std::min(need.width() + bar + 4, area.width() * 9 / 10), maxHeight);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &box);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &box, &QDialog::accept);
  auto* column = new QVBoxLayout(&box);
  column->addWidget(scroll);
  column->addWidget(buttons);
  buttons->button(QDialogButtonBox::Ok)->setFocus();
  box.exec();
}
