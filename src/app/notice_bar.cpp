#include "app/notice_bar.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QStyle>
#include <QToolButton>

TNoticeBar::TNoticeBar(QWidget* parent) : QFrame(parent) {
  setObjectName("NoticeBar");
  setFrameStyle(QFrame::Box | QFrame::Plain);
  setAutoFillBackground(true);
  QPalette p = palette();
  p.setColor(QPalette::Window, QColor(0xFF, 0xF4, 0xC8));
  p.setColor(QPalette::WindowText, QColor(0x40, 0x30, 0x00));
  p.setColor(QPalette::Text, QColor(0x40, 0x30, 0x00));
  setPalette(p);
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(6, 4, 4, 4);
  row->setSpacing(6);
  Icon_ = new QLabel(this);
  Icon_->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(20, 20));
  Icon_->setAlignment(Qt::AlignTop);
  row->addWidget(Icon_);
  Text_ = new QLabel(this);
  Text_->setObjectName("NoticeText");
  Text_->setWordWrap(true);
  Text_->setTextFormat(Qt::PlainText);
  Text_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  row->addWidget(Text_, 1);
  // Unnamed: its hint is a message text, not a text of the window's section.
  Close_ = new QToolButton(this);
  Close_->setText(QStringLiteral("\u00D7"));
  Close_->setAutoRaise(true);
  Close_->setFocusPolicy(Qt::NoFocus);
  row->addWidget(Close_, 0, Qt::AlignTop);
  connect(Close_, &QToolButton::clicked, this, &TNoticeBar::Clear);
  hide();
}

void TNoticeBar::Add(const QString& text) {
  if (Lines_.contains(text)) return;  // one line per finding, however often it was told
  Lines_ << text;
  Text_->setText(Lines_.join(u'\n'));
  show();
}

void TNoticeBar::Clear() {
  Lines_.clear();
  Text_->clear();
  hide();
}

void TNoticeBar::SetCloseHint(const QString& hint) { Close_->setToolTip(hint); }
