#pragma once
// Pictures of the tool bar.

#include <QColor>
#include <QIcon>
#include <QString>

namespace ravlin {

// A letter or symbol on a coloured tile.
QIcon GlyphIcon(const QString& glyph, const QColor& colour);

}  // namespace ravlin
