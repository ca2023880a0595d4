#pragma once

#include <QMargins>
#include <QObject>
#include <QPoint>
#include <QRect>
#include <QString>
#include <functional>
#include <optional>

#include "core/settings/RegistryStore.h"

class QWidget;

// Every top-level window and dialog is placed by its frame (title bar and borders included)
// inside the available area of the screen it lands on. Before the window manager has framed a
// window its frame is not known, so the frame last seen on any window of the program stands in;
// once the real frame is known the window is fitted again.

// The work area of the primary screen.
QRect WorkArea();
// The available area of the screen that holds most of `frame`; the primary screen's when none
// does (a monitor that has gone).
QRect AvailableAreaAt(const QRect& frame);
// The available area of the screen `window` is on.
QRect AvailableAreaOf(const QWidget* window);

// `frame` shrunk to fit `area`, then moved the least needed to lie fully inside it.
QRect FitInto(const QRect& frame, const QRect& area);

// The frame margins of `window` once it is framed, else the last margins seen on a framed window.
QMargins FrameMargins(const QWidget* window);
// Records margins seen on a framed window (tests use it to stand in for a window manager).
void NoteFrameMargins(const QMargins& margins);
// The window's frame rectangle, with estimated margins while the real ones are unknown.
QRect FrameRect(const QWidget* window);
// Where a window of `frameSize` goes beside `anchor` (a modal dialog, for help): to its right
// when there is room in `area`, else to its left, else on the roomier side over part of it.
QRect BesideOf(const QRect& anchor, const QSize& frameSize, const QRect& area);
// Moves and resizes `window` so that its frame becomes `frame`.
void SetFrameRect(QWidget* window, const QRect& frame);

// Writes "Left", "Top" (the frame's top-left corner) and "Width", "Height" (the window's inner
// size) when the window is neither minimised nor maximised.
void SaveWindowPosition(const QWidget* window, const QString& keyPath,
                        RegistryStore& store = RegistryStore::Current());

// Keeps one top-level window placed: at adoption and again when it is first shown, the default
// place (or the saved bounds, each value that exists and reads as an integer) is fitted into
// the available area of its screen; once the window manager has framed it, the real frame is
// fitted again. A window placed by default below the main bar stays below it.
class TWindowPlacement : public QObject {
  Q_OBJECT

 public:
  // The frame's default top-left corner for a frame of the given size.
  using TDefaultPlace = std::function<QPoint(const QSize& frameSize)>;

  // One call per window; the placement lives as long as the window. `keyPath` empty: nothing
  // saved, the default place always.
  static TWindowPlacement* Adopt(QWidget* window, TDefaultPlace defaultPlace,
                                 const QString& keyPath = {},
                                 RegistryStore& store = RegistryStore::Current());
  // A window placed at `defaultPlace` when first shown, nothing saved.
  static TWindowPlacement* PlaceAt(QWidget* window, TDefaultPlace defaultPlace);
  // Dialogs: centred on the available area of the opener's screen, or on the owner's frame.
  static TWindowPlacement* CentreOnScreen(QWidget* dialog);
  static TWindowPlacement* CentreOnOwner(QWidget* dialog);

  // Places the window now (adoption and the first show do it).
  void Place();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  TWindowPlacement(QWidget* window, TDefaultPlace defaultPlace);
  void ReadSaved(const QString& keyPath, RegistryStore& store);
  void FitKnownFrame();
  QRect AreaFor(const QRect& frame) const;

  QWidget* m_window;
  TDefaultPlace m_defaultPlace;
  std::optional<int> m_left, m_top, m_width, m_height;
  bool m_shown = false;
  bool m_awaitingFrame = false;
  bool m_byDefault = true;
  bool m_staysBelowDefaultTop = false;
  int m_defaultTop = 0;
};
