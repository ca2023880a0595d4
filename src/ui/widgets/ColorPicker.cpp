#include "ui/widgets/ColorPicker.h"

#include <QColorDialog>
#include <QPainter>
#include <QPixmap>

#include "ui/widgets/DesktopColors.h"

namespace {

QIcon Swatch(TColor color) {
  QPixmap pixmap(16, 12);
  pixmap.fill(TColorToQColor(color));
  QPainter painter(&pixmap);
  painter.setPen(Qt::black);
  painter.drawRect(0, 0, 15, 11);
  return QIcon(pixmap);
}

}  // namespace

TColorPicker::TColorPicker(QWidget* parent) : QComboBox(parent) {
  for (const TNamedColor& named : NamedColors()) AddColor(named.Name, named.Color, count());
  m_customIndex = count();
  addItem(QStringLiteral("Custom..."));
  connect(this, &QComboBox::activated, this, &TColorPicker::Activated);
}

void TColorPicker::AddColor(const QString& name, TColor color, int at) {
  insertItem(at, Swatch(color), name, QVariant::fromValue<qint32>(color));
}

int TColorPicker::IndexOf(TColor color) const {
  for (int i = 0; i < count(); ++i) {
    if (i != m_customIndex && itemData(i).toInt() == color) return i;
  }
  return -1;
}

TColor TColorPicker::Color() const {
  return static_cast<TColor>(itemData(m_lastIndex).toInt());
}

void TColorPicker::SetColor(TColor color) {
  int index = IndexOf(color);
  if (index < 0) {
    AddColor(ColorName(color), color, m_customIndex);
    index = m_customIndex++;
  }
  m_lastIndex = index;
  setCurrentIndex(index);
}

void TColorPicker::Activated(int index) {
  if (index != m_customIndex) {
    m_lastIndex = index;
    return;
  }
  const QColor chosen = QColorDialog::getColor(TColorToQColor(Color()), this);
  if (chosen.isValid()) {
    SetColor(QColorToTColor(chosen));
  } else {
    setCurrentIndex(m_lastIndex);
  }
}
