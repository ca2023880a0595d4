#pragma once

#include <QDialog>

class QComboBox;
class QFontComboBox;
class QLabel;

// The font of all windows: an installed face in 8 or 9 points.
class TFontChooser : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kMinSize = 8;
  static constexpr int kMaxSize = 9;

  TFontChooser(QWidget* owner, const QString& family, int pointSize);

  QString Family() const;
  int PointSize() const;

  QFontComboBox* FontCombo;
  QComboBox* SizeCombo;
  QLabel* SampleLabel;

 private:
  void UpdateSample();
};
