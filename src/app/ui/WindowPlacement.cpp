#include "app/ui/WindowPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <algorithm>

namespace ravlin {

namespace {
// What of the window's top must lie on a screen for it to be grabbed and moved.
constexpr int kGripWidth = 60;
constexpr int kGripHeight = 20;

qint64 Area(const QRect& r) {
    return r.isValid() ? qint64(r.width()) * r.height() : 0;
}
}  // namespace

QRect FitOnScreens(const QRect& wanted, const QList<QRect>& screens) {
    if (screens.isEmpty() || !wanted.isValid()) return wanted;
    const QRect grip(wanted.left(), wanted.top(), wanted.width(), kGripHeight);
    for (const QRect& s : screens) {
        const QRect on = s & grip;
        if (on.width() >= std::min(kGripWidth, wanted.width()) && on.height() >= kGripHeight)
            return wanted;
    }
    QRect screen = screens.front();
    qint64 best = 0;
    for (const QRect& s : screens) {
        if (Area(s & wanted) > best) {
            best = Area(s & wanted);
            screen = s;
        }
    }
    QRect out(wanted.topLeft(), wanted.size().boundedTo(screen.size()));
    out.moveLeft(std::clamp(out.left(), screen.left(), screen.right() - out.width() + 1));
    out.moveTop(std::clamp(out.top(), screen.top(), screen.bottom() - out.height() + 1));
    return out;
}

void PlaceWindow(QWidget& window, const TWindowSettings& placement) {
    QList<QRect> screens;
    for (QScreen* s : QGuiApplication::screens()) screens << s->availableGeometry();
    QRect wanted(placement.Left, placement.Top, placement.Width, placement.Height);
    // Fitted at the size the window will have: a stored size below its minimum grows.
    wanted.setSize(wanted.size().expandedTo(window.minimumSize()));
    if (wanted.isValid()) window.setGeometry(FitOnScreens(wanted, screens));
    if (placement.State == TWindowSettings::Maximized)
        window.setWindowState(Qt::WindowMaximized);
    else if (placement.State == TWindowSettings::Minimized)
        window.setWindowState(Qt::WindowMinimized);
}

void KeepPlacement(const QWidget& window, TWindowSettings& placement) {
    placement.State = window.isMaximized()   ? TWindowSettings::Maximized
                      : window.isMinimized() ? TWindowSettings::Minimized
                                             : TWindowSettings::Normal;
    if (placement.State != TWindowSettings::Normal) return;
    const QRect g = window.geometry();
    placement.Left = g.left();
    placement.Top = g.top();
    placement.Width = g.width();
    placement.Height = g.height();
}

}  // namespace ravlin
