#pragma once

#include <QMainWindow>

// The online editor window, created hidden at start-up. For now an empty window with its caption.
class TOnlineEditorForm : public QMainWindow {
  Q_OBJECT

 public:
  explicit TOnlineEditorForm(QWidget* parent = nullptr);
  void ApplyGlobalOptions();
};
