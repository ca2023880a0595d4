#include "ui/local/LocalExplorerForm.h"

#include <QStatusBar>

#include "core/settings/RegistryPaths.h"
#include "ui/widgets/DesktopFonts.h"
#include "ui/widgets/WindowPlacement.h"

TLocalExplorerForm::TLocalExplorerForm(RegistryStore& store, QWidget* parent)
    : QMainWindow(parent), m_store(store) {
  setObjectName(QStringLiteral("LocalExplorerForm"));
  setAttribute(Qt::WA_QuitOnClose, false);  // closing only hides it
  setWindowTitle(QStringLiteral("Local Explorer"));
  setProperty("HelpContext", 1003);
  ApplyOptionsFont(this);
  setCentralWidget(new QWidget(this));
  statusBar();
  resize(460, 350);
}

TLocalExplorerForm::~TLocalExplorerForm() {
  SaveWindowPosition(this, RegistryPaths::LocalExplorerKey(), m_store);
}

void TLocalExplorerForm::PlaceWindow(TWindowPlacement::TDefaultPlace defaultPlace) {
  TWindowPlacement::Adopt(this, std::move(defaultPlace), RegistryPaths::LocalExplorerKey(),
                          m_store);
}

void TLocalExplorerForm::ApplyGlobalOptions() {
  ApplyOptionsFont(this);
}
