#include "ui/widgets/ElidedLabel.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOption>

TElidedLabel::TElidedLabel(QWidget* parent) : QWidget(parent) {
  setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
}

void TElidedLabel::setText(const QString& text) {
  if (text == m_text) return;
  m_text = text;
  setToolTip(text);
  updateGeometry();
  update();
}

QString TElidedLabel::ShownText() const {
  return fontMetrics().elidedText(m_text, Qt::ElideRight, contentsRect().width());
}

QSize TElidedLabel::sizeHint() const {
  const QFontMetrics metrics = fontMetrics();
  return QSize(metrics.horizontalAdvance(m_text), metrics.height()).grownBy(contentsMargins());
}

QSize TElidedLabel::minimumSizeHint() const {
  return QSize(0, fontMetrics().height()).grownBy(contentsMargins());
}

void TElidedLabel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  QStyleOption option;
  option.initFrom(this);
  style()->drawItemText(&painter, contentsRect(), Qt::AlignLeft | Qt::AlignVCenter, option.palette,
                        isEnabled(), ShownText(), foregroundRole());
}
