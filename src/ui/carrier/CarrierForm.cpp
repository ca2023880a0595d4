#include "ui/carrier/CarrierForm.h"

#include <QStatusBar>

#include "ui/widgets/DesktopFonts.h"

TCarrierForm::TCarrierForm(QWidget* parent) : QMainWindow(parent) {
  setObjectName(QStringLiteral("CarrierForm"));
  setAttribute(Qt::WA_QuitOnClose, false);  // closing only hides it
  setWindowTitle(QStringLiteral("Carrier"));
  ApplyOptionsFont(this);
  setCentralWidget(new QWidget(this));
  statusBar();
  resize(520, 360);
}

void TCarrierForm::ApplyGlobalOptions() {
  ApplyOptionsFont(this);
}
