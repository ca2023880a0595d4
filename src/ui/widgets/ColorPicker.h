#pragma once

#include <QComboBox>

#include "core/common/Color.h"

// A drop-down of named colours (standard, extended and system colours) with a custom colour
// at the end, chosen in the desktop's colour dialog.
class TColorPicker : public QComboBox {
  Q_OBJECT

 public:
  explicit TColorPicker(QWidget* parent = nullptr);

  TColor Color() const;
  void SetColor(TColor color);

 private:
  void Activated(int index);
  int IndexOf(TColor color) const;
  void AddColor(const QString& name, TColor color, int at);

  int m_customIndex = 0;  // the "Custom..." entry
  int m_lastIndex = 0;
};
