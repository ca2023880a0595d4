#include "ui/editor/OnlineEditorForm.h"

#include <QStatusBar>

#include "ui/widgets/DesktopFonts.h"

TOnlineEditorForm::TOnlineEditorForm(QWidget* parent) : QMainWindow(parent) {
  setObjectName(QStringLiteral("OnlineEditorForm"));
  setWindowTitle(QStringLiteral("Online Editor"));
  ApplyOptionsFont(this);
  setCentralWidget(new QWidget(this));
  statusBar();
  resize(520, 360);
}

void TOnlineEditorForm::ApplyGlobalOptions() {
  ApplyOptionsFont(this);
}
