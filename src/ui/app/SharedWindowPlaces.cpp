#include "ui/app/SharedWindowPlaces.h"

#include "ui/app/MainForm.h"
#include "ui/carrier/CarrierForm.h"
#include "ui/editor/OnlineEditorForm.h"
#include "ui/local/LocalExplorerForm.h"
#include "ui/sitebook/SiteBookForm.h"
#include "ui/widgets/WindowPlacement.h"

void PlaceSharedWindows(TMainForm* main, TSiteBookForm* siteBook, TLocalExplorerForm* localExplorer,
                        TCarrierForm* carrier, TOnlineEditorForm* onlineEditor) {
  const auto belowMainBar = [main] { return FrameRect(main).bottom() + 1 + 3; };
  siteBook->PlaceWindow([main, belowMainBar](const QSize&) {
    return QPoint(AvailableAreaOf(main).left(), belowMainBar());
  });
  localExplorer->PlaceWindow([siteBook, belowMainBar](const QSize&) {
    return QPoint(FrameRect(siteBook).right() + 1 + 3, belowMainBar());
  });
  carrier->PlaceWindow([main, belowMainBar](const QSize& frame) {
    return QPoint(AvailableAreaOf(main).right() + 1 - 3 - frame.width(), belowMainBar());
  });
  onlineEditor->PlaceWindow([main](const QSize& frame) {
    const QRect area = AvailableAreaOf(main);
    return area.bottomRight() + QPoint(1 - 3, 1 - 3) - QPoint(frame.width(), frame.height());
  });
}
