#include "ui/carrier/CarrierForm.h"

#include <QStatusBar>

#include "core/settings/RegistryPaths.h"
#include "ui/widgets/DesktopFonts.h"

TCarrierForm::TCarrierForm(RegistryStore& store, QWidget* parent)
    : QMainWindow(parent), m_store(store) {
  setObjectName(QStringLiteral("CarrierForm"));
  setAttribute(Qt::WA_QuitOnClose, false);  // closing only hides it
  setWindowTitle(QStringLiteral("Carrier"));
  setProperty("HelpContext", 1004);
  ApplyOptionsFont(this);
  setCentralWidget(new QWidget(this));
  statusBar();
  resize(520, 360);
}

TCarrierForm::~TCarrierForm() {
  // A window that was never placed has no bounds of its own to keep.
  if (m_placed) SaveWindowPosition(this, RegistryPaths::CarrierKey(), m_store);
}

void TCarrierForm::PlaceWindow(TWindowPlacement::TDefaultPlace defaultPlace) {
  TWindowPlacement::Adopt(this, std::move(defaultPlace), RegistryPaths::CarrierKey(), m_store);
  m_placed = true;
}

void TCarrierForm::ApplyGlobalOptions() {
  ApplyOptionsFont(this);
}
