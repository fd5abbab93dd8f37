// The main window's placement: the stored geometry before the first show, the normal
// geometry kept under a maximized state, the minimized state, and a window that would lie
// outside today's screens moved back onto one.

#include <QScreen>
#include <QtTest>

#include "GuiSupport.h"
#include "app/Core.h"
#include "app/ui/Desktop.h"
#include "app/ui/MainForm.h"
#include "app/ui/WindowPlacement.h"

using namespace ravlin;
using namespace ravlin::test;

namespace {

// The window's geometry and state as they are when it is shown (before any handler of the
// show runs).
class TShowWatcher : public QObject {
  public:
    QRect geometry;
    Qt::WindowStates states;
    bool seen = false;

  protected:
    bool eventFilter(QObject* o, QEvent* e) override {
        if (e->type() == QEvent::Show && !seen) {
            auto* w = static_cast<QWidget*>(o);
            geometry = w->geometry();
            states = w->windowState();
            seen = true;
        }
        return false;
    }
};

}  // namespace

class PlacementTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    int homes = 0;

    std::unique_ptr<TDesktop> Start(const QString& window, TShowWatcher* watcher = nullptr) {
        const QString home = dir.path() + QStringLiteral("/home%1").arg(++homes);
        WriteSettings(home, 1, "[Window]\r\n" + window);
        auto d = std::make_unique<TDesktop>(TStartOptions{DataDir(), home, {}});
        d->ui().setResponder(
            [](TQtUserInterface::Kind, const TMessage&, TButtons) { return TAnswer::No; });
        if (watcher) d->form().installEventFilter(watcher);
        if (!d->Start()) return nullptr;
        return d;
    }

    static QRect Screen() { return QGuiApplication::primaryScreen()->availableGeometry(); }

  private slots:
    void fitKeepsAVisibleWindowAndMovesALostOne() {
        const QList<QRect> screens{QRect(0, 0, 1920, 1080), QRect(-1280, 0, 1280, 1024)};
        // On either screen, also partly off its edge: kept.
        QCOMPARE(FitOnScreens(QRect(100, 100, 700, 500), screens), QRect(100, 100, 700, 500));
        QCOMPARE(FitOnScreens(QRect(-1000, 50, 700, 500), screens), QRect(-1000, 50, 700, 500));
        QCOMPARE(FitOnScreens(QRect(1500, 900, 700, 500), screens), QRect(1500, 900, 700, 500));
        // A screen that is gone: onto the first one, whole.
        QCOMPARE(FitOnScreens(QRect(3000, 200, 700, 500), screens), QRect(1220, 200, 700, 500));
        // Title bar above every screen: moved down.
        QCOMPARE(FitOnScreens(QRect(100, -400, 700, 500), screens), QRect(100, 0, 700, 500));
        // Larger than the screen it comes back to: shrunk to it.
        QCOMPARE(FitOnScreens(QRect(5000, 5000, 4000, 3000), screens), QRect(0, 0, 1920, 1080));
        // Only a sliver of the title bar visible: not enough to grab it.
        QCOMPARE(FitOnScreens(QRect(1900, 100, 700, 500), {QRect(0, 0, 1920, 1080)}),
                 QRect(1220, 100, 700, 500));
    }

    void storedGeometryIsThereBeforeTheFirstShow() {
        const QRect s = Screen();
        const QRect wanted(s.left() + 40, s.top() + 30, 640, 520);
        TShowWatcher watcher;
        auto d = Start(QStringLiteral("Left=%1\r\nTop=%2\r\nWidth=%3\r\nHeight=%4\r\nState=0\r\n")
                           .arg(wanted.left())
                           .arg(wanted.top())
                           .arg(wanted.width())
                           .arg(wanted.height()),
                       &watcher);
        QVERIFY(d);
        QVERIFY(watcher.seen);
        QCOMPARE(watcher.geometry, wanted);
        QCOMPARE(d->form().geometry(), wanted);
        d->form().close();
    }

    void maximizedKeepsTheNormalGeometry() {
        const QRect s = Screen();
        const QRect normal(s.left() + 20, s.top() + 10, 620, 510);
        TShowWatcher watcher;
        auto d = Start(QStringLiteral("Left=%1\r\nTop=%2\r\nWidth=%3\r\nHeight=%4\r\nState=1\r\n")
                           .arg(normal.left())
                           .arg(normal.top())
                           .arg(normal.width())
                           .arg(normal.height()),
                       &watcher);
        QVERIFY(d);
        QVERIFY(watcher.states.testFlag(Qt::WindowMaximized));
        QVERIFY(d->form().isMaximized());
        // Restoring gives the stored size back.
        d->form().showNormal();
        QVERIFY(WaitFor([&] { return !d->form().isMaximized(); }));
        QCOMPARE(d->form().geometry().size(), normal.size());
        d->form().showMaximized();
        QVERIFY(WaitFor([&] { return d->form().isMaximized(); }));
        // Closed maximized: the state is stored, the normal geometry stays.
        const QString ini = d->core().folders.settingsFile.c_str();
        d->form().close();
        QFile f(ini);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray text = f.readAll();
        QVERIFY2(text.contains("State=1\r\n"), text.constData());
        QVERIFY2(text.contains(QStringLiteral("Width=%1\r\n").arg(normal.width()).toLatin1()),
                 text.constData());
    }

    void minimizedStateIsApplied() {
        TShowWatcher watcher;
        auto d = Start("Left=10\r\nTop=10\r\nWidth=500\r\nHeight=400\r\nState=2\r\n", &watcher);
        QVERIFY(d);
        QVERIFY(watcher.states.testFlag(Qt::WindowMinimized));
        QVERIFY(d->form().isMinimized());
        d->form().close();
    }

    void aWindowOutsideTheScreensComesBack() {
        const QRect s = Screen();
        TShowWatcher watcher;
        auto d = Start(QStringLiteral("Left=%1\r\nTop=%2\r\nWidth=400\r\nHeight=300\r\nState=0\r\n")
                           .arg(s.right() + 2000)
                           .arg(s.bottom() + 1500),
                       &watcher);
        QVERIFY(d);
        QVERIFY(s.intersects(watcher.geometry));
        QVERIFY2(s.contains(d->form().geometry()), qPrintable(QStringLiteral("%1,%2 %3x%4")
                                                                  .arg(d->form().x())
                                                                  .arg(d->form().y())
                                                                  .arg(d->form().width())
                                                                  .arg(d->form().height())));
        // Not smaller than the window can be: the whole of it comes back.
        QCOMPARE(d->form().size(), d->form().minimumSize());
        d->form().close();
    }
};

QTEST_MAIN(PlacementTest)
#include "placement.moc"
