#include "ui/app/AboutForm.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/app/AppInfo.h"
#include "ui/widgets/DesktopFonts.h"
#include "ui/widgets/WindowPlacement.h"

TAboutForm::TAboutForm(QWidget* owner) : QDialog(owner) {
  setObjectName(QStringLiteral("AboutForm"));
  setWindowTitle(QStringLiteral("About ") + AppInfo::ApplicationTitle());
  ApplyOptionsFont(this);
  LogoImage = new QLabel(this);
  LogoImage->setObjectName(QStringLiteral("LogoImage"));
  UpdateLogo();
  VersionLabel = new QLabel(QStringLiteral("Version ") + AppInfo::VersionText(), this);
  VersionLabel->setObjectName(QStringLiteral("VersionLabel"));
  OkButton = new QPushButton(QStringLiteral("&OK"), this);
  OkButton->setObjectName(QStringLiteral("OkButton"));
  OkButton->setDefault(true);
  connect(OkButton, &QPushButton::clicked, this, &QDialog::accept);
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(VersionLabel, 1);
  bottom->addWidget(OkButton);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(LogoImage);
  layout->addLayout(bottom);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  TWindowPlacement::CentreOnScreen(this);
}

void TAboutForm::UpdateLogo() {
  const qreal ratio = devicePixelRatioF();
  if (!LogoImage->pixmap().isNull() && LogoImage->pixmap().devicePixelRatio() == ratio) return;
  LogoImage->setPixmap(AppInfo::Logo(QSize(450, 300), ratio));
}

void TAboutForm::showEvent(QShowEvent* event) {
  UpdateLogo();  // the screen it opens on decides the ratio
  QDialog::showEvent(event);
}
