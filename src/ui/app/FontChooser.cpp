#include "ui/app/FontChooser.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "ui/widgets/DesktopFonts.h"

TFontChooser::TFontChooser(QWidget* owner, const QString& family, int pointSize) : QDialog(owner) {
  setWindowTitle(QStringLiteral("Font"));
  ApplyOptionsFont(this);
  FontCombo = new QFontComboBox(this);
  FontCombo->setObjectName(QStringLiteral("FontCombo"));
  FontCombo->setEditable(false);  // installed faces only
  FontCombo->setCurrentFont(FontFor(family, pointSize));
  SizeCombo = new QComboBox(this);
  SizeCombo->setObjectName(QStringLiteral("SizeCombo"));
  for (int size = kMinSize; size <= kMaxSize; ++size) {
    SizeCombo->addItem(QString::number(size), size);
  }
  SizeCombo->setCurrentIndex(pointSize >= kMaxSize ? 1 : 0);
  SampleLabel = new QLabel(QStringLiteral("AaBbYyZz 0123"), this);
  SampleLabel->setMinimumHeight(40);
  SampleLabel->setAlignment(Qt::AlignCenter);
  SampleLabel->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);

  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("&Font:"), FontCombo);
  form->addRow(QStringLiteral("&Size:"), SizeCombo);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(SampleLabel);
  layout->addWidget(buttons);
  connect(FontCombo, &QFontComboBox::currentFontChanged, this, &TFontChooser::UpdateSample);
  connect(SizeCombo, &QComboBox::currentIndexChanged, this, &TFontChooser::UpdateSample);
  UpdateSample();
}

QString TFontChooser::Family() const {
  return FontCombo->currentFont().family();
}

int TFontChooser::PointSize() const {
  return SizeCombo->currentData().toInt();
}

void TFontChooser::UpdateSample() {
  SampleLabel->setFont(FontFor(Family(), PointSize()));
}
