#include "app/notice_bar.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QStyle>
#include <QToolButton>

TNoticeBar::TNoticeBar(QWidget* parent) : QFrame(parent) {
  setObjectName("NoticeBar");
  setFrameStyle(QFrame::Box | QFrame::Plain);
  // The colours of tool tips, which every palette, light or dark, makes readable together.
  setAutoFillBackground(true);
  setBackgroundRole(QPalette::ToolTipBase);
  setForegroundRole(QPalette::ToolTipText);
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(6, 4, 4, 4);
  row->setSpacing(6);
  Icon_ = new QLabel(this);
  Icon_->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(20, 20));
  Icon_->setAlignment(Qt::AlignTop);
  row->addWidget(Icon_);
  Text_ = new QLabel(this);
  Text_->setObjectName("NoticeText");
  Text_->setForegroundRole(QPalette::ToolTipText);
  Text_->setWordWrap(true);
  Text_->setTextFormat(Qt::PlainText);
  Text_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  row->addWidget(Text_, 1);
  // Unnamed: its hint is a message text, not a text of the window's section.
  Close_ = new QToolButton(this);
  Close_->setText(QStringLiteral("\u2715"));
  QFont bold = Close_->font();
  bold.setBold(true);
  bold.setPointSizeF(bold.pointSizeF() * 1.25);
  Close_->setFont(bold);
  Close_->setMinimumSize(24, 24);
  Close_->setAutoRaise(true);
  Close_->setFocusPolicy(Qt::NoFocus);
  ColourCloseButton();
  row->addWidget(Close_, 0, Qt::AlignTop);
  connect(Close_, &QToolButton::clicked, this, &TNoticeBar::Clear);
  hide();
}

void TNoticeBar::ColourCloseButton() {
  QPalette p = Close_->palette();
  p.setColor(QPalette::ButtonText, palette().color(QPalette::ToolTipText));
  p.setColor(QPalette::WindowText, palette().color(QPalette::ToolTipText));
  Close_->setPalette(p);
}

void TNoticeBar::changeEvent(QEvent* e) {
  QFrame::changeEvent(e);
  // A switch to the dark look (or back) while the bar exists.
  if (e->type() == QEvent::PaletteChange && Close_) ColourCloseButton();
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

void TNoticeBar::Retranslate(const std::function<std::optional<QString>(const QString&)>& again) {
  for (QString& line : Lines_)
    if (const std::optional<QString> made = again(line)) line = *made;
  Text_->setText(Lines_.join(u'\n'));
}
