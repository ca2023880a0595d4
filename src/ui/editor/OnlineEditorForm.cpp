#include "ui/editor/OnlineEditorForm.h"

#include <QStatusBar>

#include "ui/widgets/DesktopFonts.h"

TOnlineEditorForm::TOnlineEditorForm(QWidget* parent) : QMainWindow(parent) {
  setObjectName(QStringLiteral("OnlineEditorForm"));
  setAttribute(Qt::WA_QuitOnClose, false);  // closing only hides it
  setWindowTitle(QStringLiteral("Online Editor"));
  ApplyOptionsFont(this);
  setCentralWidget(new QWidget(this));
  statusBar();
  resize(520, 360);
}

void TOnlineEditorForm::ApplyGlobalOptions() {
  ApplyOptionsFont(this);
}
