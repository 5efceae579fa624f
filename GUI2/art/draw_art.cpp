// Draws the wizard's pictures: the watermark of the welcome and finish
// pages, the header image of the steps and the program icon. Run it when the
// pictures change and commit its output:
//   draw_art GUI2/art
#include <QApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <cstdio>

namespace {

// Two stacked discs, the source and the destination, joined by an arrow.
void draw_databases(QPainter& p, QRectF box) {
  const qreal w = box.width(), h = box.height();
  auto disc = [&](QPointF top_left, QColor body, QColor lid) {
    QRectF r(top_left, QSizeF(w * 0.42, h * 0.46));
    const qreal lid_h = r.height() * 0.28;
    QPainterPath side;
    side.moveTo(r.left(), r.top() + lid_h / 2);
    side.lineTo(r.left(), r.bottom() - lid_h / 2);
    side.arcTo(QRectF(r.left(), r.bottom() - lid_h, r.width(), lid_h), 180, 180);
    side.lineTo(r.right(), r.top() + lid_h / 2);
    side.closeSubpath();
    p.setPen(QPen(body.darker(160), 1.2));
    p.setBrush(body);
    p.drawPath(side);
    p.setBrush(lid);
    p.drawEllipse(QRectF(r.left(), r.top(), r.width(), lid_h));
  };
  disc(box.topLeft() + QPointF(0, 0), QColor(0x3a, 0x6e, 0xa5), QColor(0x7f, 0xa9, 0xd6));
  disc(box.topLeft() + QPointF(w * 0.56, h * 0.5), QColor(0xc0, 0x4b, 0x2f),
       QColor(0xe8, 0x8d, 0x6f));
  QPainterPath arrow;
  arrow.moveTo(box.left() + w * 0.30, box.top() + h * 0.50);
  arrow.quadTo(box.left() + w * 0.34, box.top() + h * 0.74, box.left() + w * 0.52,
               box.top() + h * 0.74);
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(QColor(0x2d, 0x2d, 0x2d), w * 0.05, Qt::SolidLine, Qt::RoundCap));
  p.drawPath(arrow);
  QPolygonF head;
  head << QPointF(box.left() + w * 0.58, box.top() + h * 0.74)
       << QPointF(box.left() + w * 0.48, box.top() + h * 0.66)
       << QPointF(box.left() + w * 0.48, box.top() + h * 0.82);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0x2d, 0x2d, 0x2d));
  p.drawPolygon(head);
}

bool save(const QPixmap& pixmap, const QString& path) {
  if (pixmap.save(path, "PNG")) return true;
  std::fprintf(stderr, "cannot write %s\n", path.toLocal8Bit().constData());
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const QString dir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");

  QPixmap watermark(164, 424);
  {
    QPainter p(&watermark);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 0, 424);
    g.setColorAt(0, QColor(0x1f, 0x3c, 0x64));
    g.setColorAt(1, QColor(0x5b, 0x8c, 0xc2));
    p.fillRect(watermark.rect(), g);
    p.setPen(QPen(QColor(255, 255, 255, 40), 1));
    for (int y = 20; y < 464; y += 18) p.drawLine(0, y, 164, y - 40);
    draw_databases(p, QRectF(22, 140, 120, 120));
  }
  QPixmap header(49, 49);
  header.fill(Qt::transparent);
  {
    QPainter p(&header);
    p.setRenderHint(QPainter::Antialiasing);
    draw_databases(p, QRectF(3, 5, 43, 40));
  }
  QPixmap icon(64, 64);
  icon.fill(Qt::transparent);
  {
    QPainter p(&icon);
    p.setRenderHint(QPainter::Antialiasing);
    draw_databases(p, QRectF(4, 6, 56, 52));
  }
  bool ok = save(watermark, dir + "/watermark.png") && save(header, dir + "/header.png") &&
            save(icon, dir + "/icon.png");
  return ok ? 0 : 1;
}
