#pragma once

#include <QMainWindow>

#include "core/settings/RegistryStore.h"
#include "ui/widgets/WindowPlacement.h"

// The carrier window, created hidden at start-up. For now an empty window with its caption and
// position.
class TCarrierForm : public QMainWindow {
  Q_OBJECT

 public:
  explicit TCarrierForm(RegistryStore& store = RegistryStore::Current(), QWidget* parent = nullptr);
  ~TCarrierForm() override;

  // The default place (the work area's right edge, below the main bar), then the saved one,
  // fitted into the screen it lands on.
  void PlaceWindow(TWindowPlacement::TDefaultPlace defaultPlace);
  void ApplyGlobalOptions();

 private:
  RegistryStore& m_store;
  bool m_placed = false;
};
