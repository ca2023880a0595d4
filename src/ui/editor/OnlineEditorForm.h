#pragma once

#include <QMainWindow>

#include "core/settings/RegistryStore.h"
#include "ui/widgets/WindowPlacement.h"

// The online editor window, created hidden at start-up. For now an empty window with its
// caption and position.
class TOnlineEditorForm : public QMainWindow {
  Q_OBJECT

 public:
  explicit TOnlineEditorForm(RegistryStore& store = RegistryStore::Current(),
                             QWidget* parent = nullptr);
  ~TOnlineEditorForm() override;

  // The default place (the work area's bottom right corner), then the saved one, fitted into
  // the screen it lands on.
  void PlaceWindow(TWindowPlacement::TDefaultPlace defaultPlace);
  void ApplyGlobalOptions();

 private:
  RegistryStore& m_store;
  bool m_placed = false;
};
