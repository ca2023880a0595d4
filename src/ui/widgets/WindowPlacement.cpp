#include "ui/widgets/WindowPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>

#include "core/settings/RegistryKey.h"

QRect WorkArea() {
  QScreen* screen = QGuiApplication::primaryScreen();
  return screen != nullptr ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
}

QRect PullOntoScreen(const QRect& rect, const QList<QRect>& screens, const QRect& available) {
  // A window whose title bar strip meets a screen can still be grabbed by the user.
  const QRect grip(rect.left(), rect.top(), rect.width(), std::min(rect.height(), 24));
  for (const QRect& screen : screens) {
    if (screen.intersected(grip).width() >= 32) return rect;
  }
  QRect result = rect;
  result.setWidth(std::min(rect.width(), available.width()));
  result.setHeight(std::min(rect.height(), available.height()));
  result.moveLeft(
      std::clamp(rect.left(), available.left(), available.right() - result.width() + 1));
  result.moveTop(std::clamp(rect.top(), available.top(), available.bottom() - result.height() + 1));
  return result;
}

void LoadWindowPosition(QWidget* window, const QString& keyPath, RegistryStore& store) {
  RegistryKey key(store);
  if (!key.OpenKey(keyPath, false)) return;
  QRect rect = window->geometry();
  qint32 value = 0;
  if (key.ReadInteger(QStringLiteral("Left"), value)) rect.moveLeft(value);
  if (key.ReadInteger(QStringLiteral("Top"), value)) rect.moveTop(value);
  if (key.ReadInteger(QStringLiteral("Width"), value) && value > 0) rect.setWidth(value);
  if (key.ReadInteger(QStringLiteral("Height"), value) && value > 0) rect.setHeight(value);
  key.CloseKey();
  QList<QRect> screens;
  for (QScreen* screen : QGuiApplication::screens()) screens << screen->availableGeometry();
  window->setGeometry(PullOntoScreen(rect, screens, WorkArea()));
}

void SaveWindowPosition(const QWidget* window, const QString& keyPath, RegistryStore& store) {
  if (window->isMinimized() || window->isMaximized() || window->isFullScreen()) return;
  RegistryKey key(store);
  if (!key.OpenKey(keyPath, true)) return;
  const QRect rect = window->geometry();
  key.WriteInteger(QStringLiteral("Left"), rect.left());
  key.WriteInteger(QStringLiteral("Top"), rect.top());
  key.WriteInteger(QStringLiteral("Width"), rect.width());
  key.WriteInteger(QStringLiteral("Height"), rect.height());
  key.CloseKey();
}
