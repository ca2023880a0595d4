#pragma once

#include <QMainWindow>

#include "core/settings/RegistryStore.h"
#include "ui/widgets/WindowPlacement.h"

// The local explorer window. For now an empty window with its caption and position; the
// shell tree and list come with the local explorer itself.
class TLocalExplorerForm : public QMainWindow {
  Q_OBJECT

 public:
  explicit TLocalExplorerForm(RegistryStore& store = RegistryStore::Current(),
                              QWidget* parent = nullptr);
  ~TLocalExplorerForm() override;

  // The default place (beside the site book, below the main bar), then the saved one, fitted
  // into the screen it lands on.
  void PlaceWindow(TWindowPlacement::TDefaultPlace defaultPlace);
  void ApplyGlobalOptions();

 private:
  RegistryStore& m_store;
};
