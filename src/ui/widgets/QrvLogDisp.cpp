#include "ui/widgets/QrvLogDisp.h"

#include <QApplication>
#include <QClipboard>
#include <QEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>

#include "core/common/LogLineKind.h"
#include "ui/widgets/DesktopColors.h"

TqrvLogDisp::TqrvLogDisp(QWidget* parent) : QAbstractScrollArea(parent) {
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setBackgroundRole(QPalette::Base);
  viewport()->setBackgroundRole(QPalette::Base);
  viewport()->setAutoFillBackground(true);
  setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
  verticalScrollBar()->setSingleStep(1);
  resize(200, 150);
  UpdateScrollRange();
}

int TqrvLogDisp::LineHeight() const {
  return std::max(1, fontMetrics().height());
}

int TqrvLogDisp::PageLines() const {
  // The frame, not the viewport: a hidden control's viewport is laid out only when shown.
  return contentsRect().height() / LineHeight();
}

QString TqrvLogDisp::Line(int index) const {
  const auto i = static_cast<std::size_t>(index);
  const qint64 begin = m_offsets[i];
  const qint64 end = i + 1 < m_offsets.size() ? m_offsets[i + 1] : m_text.size();
  return QString::fromUtf8(m_text.constData() + begin, end - begin);
}

int TqrvLogDisp::AddLine(const QString& text, TColor color) {
  m_offsets.push_back(m_text.size());
  m_colors.push_back(color);
  m_text.append(text.toUtf8());
  UpdateScrollRange();
  const int count = LineCount();
  const int page = PageLines();
  if (count - 1 >= page && page > 0) {
    ScrollTo(count - page);
  } else {
    viewport()->update();
  }
  return count - 1;
}

void TqrvLogDisp::Clear() {
  m_text.clear();
  m_offsets.clear();
  m_colors.clear();
  m_offsets.shrink_to_fit();
  m_colors.shrink_to_fit();
  m_topLine = 0;
  UpdateScrollRange();
  viewport()->update();
}

QString TqrvLogDisp::Text() const {
  QString text;
  text.reserve(static_cast<qsizetype>(m_text.size() + 2 * m_offsets.size()));
  for (int i = 0; i < LineCount(); ++i) {
    if (i > 0) text += QStringLiteral("\r\n");
    text += Line(i);
  }
  return text;
}

void TqrvLogDisp::CopyToClipboard() const {
  QApplication::clipboard()->setText(Text());
}

qint64 TqrvLogDisp::MemoryBytes() const {
  return m_text.capacity() + static_cast<qint64>(m_offsets.capacity() * sizeof(qint64) +
                                                 m_colors.capacity() * sizeof(TColor));
}

void TqrvLogDisp::SetBorderStyle(TBorderStyle style) {
  m_borderStyle = style;
  setFrameStyle(style == TBorderStyle::bsSingle ? (QFrame::StyledPanel | QFrame::Sunken)
                                                : QFrame::NoFrame);
  UpdateScrollRange();
}

void TqrvLogDisp::SetLeftMargin(int margin) {
  m_leftMargin = margin;
  viewport()->update();
}

void TqrvLogDisp::UpdateScrollRange() {
  QScrollBar* bar = verticalScrollBar();
  const int count = LineCount();
  const int page = std::max(1, PageLines());
  // The bar's maximum is the last possible first line: (count - 1) - page + 1.
  const int maximum = std::max(0, count - page);
  const QSignalBlocker block(bar);
  bar->setRange(0, maximum);
  bar->setPageStep(page);
  bar->setEnabled(count > page);
  m_topLine = std::clamp(m_topLine, 0, maximum);
  bar->setValue(m_topLine);
}

void TqrvLogDisp::ScrollTo(int topLine) {
  topLine = std::clamp(topLine, 0, std::max(0, LineCount() - std::max(1, PageLines())));
  if (topLine == m_topLine) {
    viewport()->update();
    return;
  }
  const int old = m_topLine;
  m_topLine = topLine;
  {
    const QSignalBlocker block(verticalScrollBar());
    verticalScrollBar()->setValue(topLine);
  }
  const int distance = old - topLine;
  if (std::abs(distance) < PageLines()) {
    viewport()->scroll(0, distance * LineHeight());
  }
  viewport()->update();
}

void TqrvLogDisp::scrollContentsBy(int, int) {
  ScrollTo(verticalScrollBar()->value());
}

void TqrvLogDisp::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  UpdateScrollRange();
}

void TqrvLogDisp::changeEvent(QEvent* event) {
  QAbstractScrollArea::changeEvent(event);
  if (event->type() == QEvent::FontChange) {
    UpdateScrollRange();
    viewport()->update();
  }
}

void TqrvLogDisp::paintEvent(QPaintEvent* event) {
  QPainter painter(viewport());
  const int lineHeight = LineHeight();
  const int ascent = fontMetrics().ascent();
  const int count = LineCount();
  // One line more than the page, so a partly visible last line is drawn too.
  const int first = m_topLine + std::max(0, event->rect().top() / lineHeight);
  const int last = std::min(count - 1, m_topLine + event->rect().bottom() / lineHeight);
  for (int index = first; index <= last; ++index) {
    painter.setPen(TColorToQColor(LineColor(index)));
    const int y = (index - m_topLine) * lineHeight;
    painter.drawText(m_leftMargin, y + ascent, Line(index));
  }
}

bool DisplayLogLine(const QString& line, TqrvLogDisp& log,
                    const std::function<void(const QString&)>& setStatusText) {
  if (IsStatusLine(line)) {
    if (setStatusText) setStatusText(StatusLineText(line));
    return false;
  }
  log.AddLine(line, LogLineColor(line));
  return true;
}
