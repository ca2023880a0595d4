#pragma once

#include <QMainWindow>

// The carrier window, created hidden at start-up. For now an empty window with its caption.
class TCarrierForm : public QMainWindow {
  Q_OBJECT

 public:
  explicit TCarrierForm(QWidget* parent = nullptr);
  void ApplyGlobalOptions();
};
