// The commands the menus hide (on-line mode F12, monitor mode Ctrl+F12) are reached by
// their keys whenever the communication commands are enabled, and not while they are off.

#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QtTest>

#include "GuiSupport.h"
#include "app/ui/Desktop.h"
#include "app/ui/MainForm.h"

using namespace ravlin;
using namespace ravlin::test;

class HiddenKeysTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    std::unique_ptr<TDesktop> desktop;

    void Press(QKeySequence key) {
        TMainForm& f = desktop->form();
        f.activateWindow();
        // A command that showed the "Working ..." window (Ctrl+F12 tries the login) leaves
        // the offscreen platform's focus on that hidden tool window: ask the window itself.
        f.windowHandle()->requestActivate();
        QVERIFY(QTest::qWaitFor([&] { return QApplication::activeWindow() == &f; }));
        QTest::keySequence(&f, key);
    }

  private slots:
    void initTestCase() {
        WriteSettings(dir.path(), 1);
        desktop = std::make_unique<TDesktop>(TStartOptions{DataDir(), dir.path(), {}});
        desktop->ui().setResponder(
            [](TQtUserInterface::Kind, const TMessage&, TButtons) { return TAnswer::No; });
        QVERIFY(desktop->Start());
    }

    void hiddenFromTheMenusButReachedByTheirKeys() {
        TMainForm& f = desktop->form();
        QAction* monitor = f.Action("MenuMonitor");
        QAction* online = f.Action("MenuOnline");
        QVERIFY(!monitor->isVisible());
        QVERIFY(!online->isVisible());
        QVERIFY(f.CommCommandsEnabled());
        QSignalSpy monitorSpy(monitor, &QAction::triggered);
        Press(QKeySequence("Ctrl+F12"));
        QCOMPARE(monitorSpy.count(), 1);

        // Switched off with the communication commands (a receiver command runs).
        f.EnableGroup(TCommandGroup::Comm, false);
        Press(QKeySequence("Ctrl+F12"));
        QCOMPARE(monitorSpy.count(), 1);
        f.EnableGroup(TCommandGroup::Comm, true);
        Press(QKeySequence("Ctrl+F12"));
        QCOMPARE(monitorSpy.count(), 2);

        // F12 reaches the on-line command the same way; without a receiver to log in to it
        // only tries the login (which fails at the closed port).
        QSignalSpy onlineSpy(online, &QAction::triggered);
        f.EnableGroup(TCommandGroup::Comm, false);
        Press(QKeySequence("F12"));
        QCOMPARE(onlineSpy.count(), 0);
        f.EnableGroup(TCommandGroup::Comm, true);
        Press(QKeySequence("F12"));
        QCOMPARE(onlineSpy.count(), 1);
    }

    void monitorModeHasAVisibleMenuEntryBesidesItsKey() {
        TMainForm& f = desktop->form();
        QAction* entry = f.Action("MenuMonitorMode");
        QAction* monitor = f.Action("MenuMonitor");
        QVERIFY(entry->isVisible());
        QVERIFY(!entry->menu());
        QSignalSpy monitorSpy(monitor, &QAction::triggered);
        // Off with the communication commands, like the hidden command it runs.
        f.EnableGroup(TCommandGroup::Comm, false);
        QVERIFY(!entry->isEnabled());
        f.EnableGroup(TCommandGroup::Comm, true);
        QVERIFY(entry->isEnabled());
        entry->trigger();
        QCOMPARE(monitorSpy.count(), 1);
        // It sits in the Communication menu, where the user looks for it.
        bool inCommMenu = false;
        for (QAction* m : f.menuBar()->actions())
            if (m->menu() && m->menu()->actions().contains(entry))
                inCommMenu = m->text().remove('&') == "Communication";
        QVERIFY(inCommMenu);
    }
};

QTEST_MAIN(HiddenKeysTest)
#include "hidden_keys.moc"
