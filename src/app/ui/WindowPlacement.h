#pragma once
// The main window's placement from the settings (section Window): applied before the
// window is first shown, so that it appears where it was without a jump; kept at exit.

#include <QList>
#include <QRect>
#include <QWidget>

#include "app/Settings.h"

namespace ravlin {

// `wanted` when its top strip (where a title bar is grabbed) lies on one of the screens'
// available areas; otherwise moved (and shrunk when larger) onto the screen it overlaps
// most, or the first one.
QRect FitOnScreens(const QRect& wanted, const QList<QRect>& screens);

// Before the first show: the normal geometry (fitted onto today's screens; also when the
// window starts maximized, so that restoring it gives that size) and the state.
void PlaceWindow(QWidget& window, const TWindowSettings& placement);

// The state, and the geometry while the window is in its normal state.
void KeepPlacement(const QWidget& window, TWindowSettings& placement);

}  // namespace ravlin
