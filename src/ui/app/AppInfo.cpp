#include "ui/app/AppInfo.h"

#include <QCoreApplication>
#include <QPainter>
#include <QSvgRenderer>

#include "core/common/PathHelpers.h"

static void InitVornaloResources() {
  Q_INIT_RESOURCE(vornalo);
}

namespace AppInfo {

QString ApplicationTitle() {
  return QStringLiteral("Vornalo Explorer 2000 5th Edition");
}

QString VersionText() {
  return FileVersionText(QCoreApplication::applicationFilePath());
}

QPixmap Logo(const QSize& size, qreal devicePixelRatio) {
  InitResources();
  QPixmap pixmap(size * devicePixelRatio);
  pixmap.setDevicePixelRatio(devicePixelRatio);
  pixmap.fill(Qt::black);
  QSvgRenderer renderer(QStringLiteral(":/logo.svg"));
  QPainter painter(&pixmap);
  renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
  return pixmap;
}

void InitResources() {
  static const bool done = [] {
    InitVornaloResources();
    return true;
  }();
  (void)done;
}

}  // namespace AppInfo
