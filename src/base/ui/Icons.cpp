#include "base/ui/Icons.h"

#include <QPainter>
#include <QPixmap>

namespace ravlin {

QIcon GlyphIcon(const QString& glyph, const QColor& colour) {
    QPixmap pm(24, 24);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(colour.darker(140));
    p.setBrush(colour);
    p.drawRoundedRect(QRectF(2.5, 2.5, 19, 19), 4, 4);
    QFont f = p.font();
    f.setBold(true);
    f.setPixelSize(15);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRect(2, 2, 20, 20), Qt::AlignCenter, glyph);
    return QIcon(pm);
}

}  // namespace ravlin
