#include "ui/qt/program_icon.h"

#include <QPainter>
#include <QPainterPath>

namespace ui::qt {

QPixmap ProgramIconPixmap() {
  QPixmap pixmap(32, 32);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0, 128, 128));
  p.drawRoundedRect(QRectF(1, 1, 30, 30), 6, 6);
  // Money in and money out.
  p.setBrush(QColor(213, 0, 0));
  p.drawRect(QRectF(8, 10, 6, 16));
  p.setBrush(QColor(0, 170, 70));
  p.drawRect(QRectF(18, 16, 6, 10));
  // The trend.
  QPainterPath trend;
  trend.moveTo(5, 22);
  trend.lineTo(12, 15);
  trend.lineTo(18, 18);
  trend.lineTo(27, 6);
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(QColor(255, 220, 0), 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.drawPath(trend);
  return pixmap;
}

QIcon ProgramIcon() {
  return QIcon(ProgramIconPixmap());
}

}  // namespace ui::qt
