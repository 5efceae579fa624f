#include "GUI2/pictures.h"

#include <QPainter>
#include <QPen>
#include <cmath>

#include "TK/tk_exception.h"

// The pictures live in this static library; make sure they are registered
// even though nothing refers to them by name.
static void register_art() {
  static const bool registered = [] {
    Q_INIT_RESOURCE(art);
    return true;
  }();
  (void)registered;
}

QPixmap wizard_picture(int resource) {
  register_art();
  switch (resource) {
    case 311:
      return QPixmap(QStringLiteral(":/tessaly/watermark.png"));
    case 312:
      return QPixmap(QStringLiteral(":/tessaly/header.png"));
    case 501:
      return QPixmap(QStringLiteral(":/tessaly/icon.png"));
    default:
      throw tk_mail_assertion("g_pictur", 20);
  }
}

QIcon wizard_icon(int resource) {
  if (resource == 501) return QIcon(wizard_picture(501));
  if (resource < 502 || resource > 509) throw tk_mail_assertion("g_pictur", 27);
  // A ring of eight dots whose bright dot goes round, one step per frame.
  const int frame = resource - 502;
  QPixmap pixmap(32, 32);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  for (int i = 0; i < 8; ++i) {
    const double angle = (i * 45.0 - 90.0) * 3.14159265358979 / 180.0;
    const int age = (frame - i + 8) % 8;
    QColor c(0x3a, 0x6e, 0xa5);
    c.setAlpha(255 - age * 28);
    p.setBrush(c);
    p.drawEllipse(QPointF(16 + 11 * std::cos(angle), 16 + 11 * std::sin(angle)), 3.2, 3.2);
  }
  return QIcon(pixmap);
}
