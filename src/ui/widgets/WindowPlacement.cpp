#include "ui/widgets/WindowPlacement.h"

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>
#include <algorithm>

#include "core/settings/RegistryKey.h"

namespace {

// Asked before the window manager has framed a window, the platform may settle on no frame at
// all; a window that is exposed has been framed.
bool IsFramed(const QWidget* window) {
  const QWindow* handle = window->windowHandle();
  return handle != nullptr && window->isVisible() && handle->isExposed() &&
         !handle->frameMargins().isNull();
}

QMargins& LastFrameMargins() {
  static QMargins margins;
  return margins;
}

// The window a dialog belongs to: its owner's, else the one the user works in.
QWidget* OpenerOf(const QWidget* dialog) {
  if (QWidget* owner = dialog->parentWidget()) return owner->window();
  QWidget* active = QApplication::activeWindow();
  return active != dialog ? active : nullptr;
}

QPoint CentredIn(const QRect& area, const QSize& size) {
  return QPoint(area.left() + (area.width() - size.width()) / 2,
                area.top() + (area.height() - size.height()) / 2);
}

}  // namespace

QRect WorkArea() {
  QScreen* screen = QGuiApplication::primaryScreen();
  return screen != nullptr ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
}

QRect AvailableAreaAt(const QRect& frame) {
  QScreen* best = nullptr;
  qint64 bestArea = 0;
  for (QScreen* screen : QGuiApplication::screens()) {
    const QRect common = screen->geometry().intersected(frame);
    const qint64 area = qint64(common.width()) * common.height();
    if (area > bestArea) {
      bestArea = area;
      best = screen;
    }
  }
  return best != nullptr ? best->availableGeometry() : WorkArea();
}

QRect AvailableAreaOf(const QWidget* window) {
  if (window == nullptr) return WorkArea();
  if (window->isVisible()) return AvailableAreaAt(FrameRect(window));
  QScreen* screen = window->screen();
  return screen != nullptr ? screen->availableGeometry() : WorkArea();
}

QRect FitInto(const QRect& frame, const QRect& area) {
  QRect result(frame.topLeft(), QSize(std::min(frame.width(), area.width()),
                                      std::min(frame.height(), area.height())));
  result.moveLeft(std::clamp(result.left(), area.left(), area.right() - result.width() + 1));
  result.moveTop(std::clamp(result.top(), area.top(), area.bottom() - result.height() + 1));
  return result;
}

QRect BesideOf(const QRect& anchor, const QSize& frameSize, const QRect& area) {
  const int top = std::clamp(anchor.top(), area.top(), area.bottom() - frameSize.height() + 1);
  const QRect right(QPoint(anchor.right() + 1, top), frameSize);
  if (area.contains(right)) return right;
  const QRect left(QPoint(anchor.left() - frameSize.width(), top), frameSize);
  if (area.contains(left)) return left;
  // No room: on the roomier side, pushed in from the screen's edge over part of the anchor.
  const bool rightIsRoomier = area.right() - anchor.right() >= anchor.left() - area.left();
  return FitInto(rightIsRoomier ? right : left, area);
}

QMargins FrameMargins(const QWidget* window) {
  if (IsFramed(window)) LastFrameMargins() = window->windowHandle()->frameMargins();
  return IsFramed(window) ? window->windowHandle()->frameMargins() : LastFrameMargins();
}

void NoteFrameMargins(const QMargins& margins) {
  LastFrameMargins() = margins;
}

QRect FrameRect(const QWidget* window) {
  if (IsFramed(window)) return window->frameGeometry();
  // Not framed yet: its position is where the frame's corner will be.
  return QRect(window->pos(), window->size().grownBy(FrameMargins(window)));
}

void SetFrameRect(QWidget* window, const QRect& frame) {
  const QMargins margins = FrameMargins(window);
  window->resize(frame.size().shrunkBy(margins));
  window->move(frame.topLeft());  // a top-level window's position is its frame's
}

void SaveWindowPosition(const QWidget* window, const QString& keyPath, RegistryStore& store) {
  if (window->isMinimized() || window->isMaximized() || window->isFullScreen()) return;
  RegistryKey key(store);
  if (!key.OpenKey(keyPath, true)) return;
  key.WriteInteger(QStringLiteral("Left"), window->x());
  key.WriteInteger(QStringLiteral("Top"), window->y());
  key.WriteInteger(QStringLiteral("Width"), window->width());
  key.WriteInteger(QStringLiteral("Height"), window->height());
  key.CloseKey();
}

TWindowPlacement::TWindowPlacement(QWidget* window, TDefaultPlace defaultPlace)
    : QObject(window), m_window(window), m_defaultPlace(std::move(defaultPlace)) {
  setObjectName(QStringLiteral("WindowPlacement"));
  window->installEventFilter(this);
}

TWindowPlacement* TWindowPlacement::Adopt(QWidget* window, TDefaultPlace defaultPlace,
                                          const QString& keyPath, RegistryStore& store) {
  auto* placement = new TWindowPlacement(window, std::move(defaultPlace));
  placement->m_staysBelowDefaultTop = true;
  if (!keyPath.isEmpty()) placement->ReadSaved(keyPath, store);
  placement->Place();
  return placement;
}

TWindowPlacement* TWindowPlacement::PlaceAt(QWidget* window, TDefaultPlace defaultPlace) {
  return new TWindowPlacement(window, std::move(defaultPlace));
}

TWindowPlacement* TWindowPlacement::CentreOnScreen(QWidget* dialog) {
  return PlaceAt(dialog, [dialog](const QSize& size) {
    return CentredIn(AvailableAreaOf(OpenerOf(dialog)), size);
  });
}

TWindowPlacement* TWindowPlacement::CentreOnOwner(QWidget* dialog) {
  return PlaceAt(dialog, [dialog](const QSize& size) {
    const QWidget* owner = OpenerOf(dialog);
    return CentredIn(owner != nullptr ? FrameRect(owner) : WorkArea(), size);
  });
}

void TWindowPlacement::ReadSaved(const QString& keyPath, RegistryStore& store) {
  RegistryKey key(store);
  if (!key.OpenKey(keyPath, false)) return;
  qint32 value = 0;
  if (key.ReadInteger(QStringLiteral("Left"), value)) m_left = value;
  if (key.ReadInteger(QStringLiteral("Top"), value)) m_top = value;
  if (key.ReadInteger(QStringLiteral("Width"), value) && value > 0) m_width = value;
  if (key.ReadInteger(QStringLiteral("Height"), value) && value > 0) m_height = value;
  key.CloseKey();
}

QRect TWindowPlacement::AreaFor(const QRect& frame) const {
  QRect area = AvailableAreaAt(frame);
  // A window the program puts below the main bar does not slide up over it, unless the room
  // left below is too small to use.
  if (m_staysBelowDefaultTop && m_byDefault && m_defaultTop > area.top() &&
      area.bottom() - m_defaultTop >= 120) {
    area.setTop(m_defaultTop);
  }
  return area;
}

void TWindowPlacement::Place() {
  QSize inner = m_window->size();
  if (m_width) inner.setWidth(*m_width);
  if (m_height) inner.setHeight(*m_height);
  const QSize frameSize = inner.grownBy(FrameMargins(m_window));
  QPoint topLeft = m_defaultPlace ? m_defaultPlace(frameSize) : m_window->pos();
  m_defaultTop = topLeft.y();
  m_byDefault = !m_left && !m_top;
  if (m_left) topLeft.setX(*m_left);
  if (m_top) topLeft.setY(*m_top);
  const QRect frame(topLeft, frameSize);
  SetFrameRect(m_window, FitInto(frame, AreaFor(frame)));
}

void TWindowPlacement::FitKnownFrame() {
  if (!IsFramed(m_window)) return;
  m_awaitingFrame = false;
  NoteFrameMargins(m_window->windowHandle()->frameMargins());
  if (m_staysBelowDefaultTop && m_byDefault) {
    // The frames it was placed by were guesses; now they are known, here and on the main bar.
    Place();
    return;
  }
  const QRect frame = m_window->frameGeometry();
  const QRect fitted = FitInto(frame, AreaFor(frame));
  if (fitted != frame) SetFrameRect(m_window, fitted);
}

bool TWindowPlacement::eventFilter(QObject* watched, QEvent* event) {
  if (watched == m_window) {
    switch (event->type()) {
      case QEvent::Show:
        // Sent before the window is mapped: the last moment to place it unseen.
        if (!m_shown) {
          m_shown = true;
          Place();
          m_awaitingFrame = true;
        }
        break;
      case QEvent::Move:
      case QEvent::Resize:
      case QEvent::WindowActivate:
      case QEvent::Paint:
        if (m_awaitingFrame) FitKnownFrame();
        break;
      default:
        break;
    }
  }
  return QObject::eventFilter(watched, event);
}
