#include "base/ui/Icons.h"

#include <QIconEngine>
#include <QPainter>
#include <QPixmap>

namespace ravlin {

namespace {

// Paints the tile into whatever rectangle is asked for: a pixmap of the device pixels,
// not a small one scaled up.
class TGlyphEngine : public QIconEngine {
  public:
    TGlyphEngine(QString glyph, QColor colour) : glyph_(std::move(glyph)), colour_(colour) {}

    void paint(QPainter* p, const QRect& rect, QIcon::Mode mode, QIcon::State) override {
        const qreal unit = rect.width() / 24.0;
        p->save();
        p->setRenderHint(QPainter::Antialiasing);
        p->setRenderHint(QPainter::TextAntialiasing);
        QColor fill = colour_;
        if (mode == QIcon::Disabled) fill = QColor(160, 160, 160);
        p->setPen(QPen(fill.darker(140), unit));
        p->setBrush(fill);
        const QRectF tile(rect.left() + 2.5 * unit, rect.top() + 2.5 * unit, 19 * unit, 19 * unit);
        p->drawRoundedRect(tile, 4 * unit, 4 * unit);
        QFont f = p->font();
        f.setBold(true);
        f.setPixelSize(std::max(1, qRound(15 * unit)));
        p->setFont(f);
        p->setPen(Qt::white);
        p->drawText(tile, Qt::AlignCenter, glyph_);
        p->restore();
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return scaledPixmap(size, mode, state, 1.0);
    }

    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state,
                         qreal scale) override {
        QPixmap pm(size * scale);
        pm.fill(Qt::transparent);
        {
            QPainter p(&pm);
            paint(&p, QRect(QPoint(0, 0), pm.size()), mode, state);
        }
        pm.setDevicePixelRatio(scale);
        return pm;
    }

    QIconEngine* clone() const override { return new TGlyphEngine(glyph_, colour_); }
    QString key() const override { return QStringLiteral("ravlin-glyph"); }

  private:
    QString glyph_;
    QColor colour_;
};

}  // namespace

QIcon GlyphIcon(const QString& glyph, const QColor& colour) {
    return QIcon(new TGlyphEngine(glyph, colour));
}

}  // namespace ravlin
