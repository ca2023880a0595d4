#include "ui/editor/OnlineEditorForm.h"

#include <QStatusBar>

#include "core/settings/RegistryPaths.h"
#include "ui/widgets/DesktopFonts.h"

TOnlineEditorForm::TOnlineEditorForm(RegistryStore& store, QWidget* parent)
    : QMainWindow(parent), m_store(store) {
  setObjectName(QStringLiteral("OnlineEditorForm"));
  setAttribute(Qt::WA_QuitOnClose, false);  // closing only hides it
  setWindowTitle(QStringLiteral("Online Editor"));
  setProperty("HelpContext", 1005);
  ApplyOptionsFont(this);
  setCentralWidget(new QWidget(this));
  statusBar();
  resize(520, 360);
}

TOnlineEditorForm::~TOnlineEditorForm() {
  // A window that was never placed has no bounds of its own to keep.
  if (m_placed) SaveWindowPosition(this, RegistryPaths::OnlineEditorKey(), m_store);
}

void TOnlineEditorForm::PlaceWindow(TWindowPlacement::TDefaultPlace defaultPlace) {
  TWindowPlacement::Adopt(this, std::move(defaultPlace), RegistryPaths::OnlineEditorKey(), m_store);
  m_placed = true;
}

void TOnlineEditorForm::ApplyGlobalOptions() {
  ApplyOptionsFont(this);
}
