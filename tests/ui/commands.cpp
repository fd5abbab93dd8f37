// Receiver commands through their windows against a slow simulated receiver: cancel in
// the progress window, password change, communication setup.

#include <QtTest>

#include "GuiSupport.h"
#include "SimProcess.h"
#include "app/Core.h"
#include "app/ui/Desktop.h"
#include "app/ui/MainForm.h"
#include "base/ui/InfoForm.h"
#include "document/ui/DocumentController.h"
#include "link/ui/CommSetupForm.h"
#include "receiver/ui/ReceiverController.h"
#include "receiver/ui/ReceiverForms.h"
#include "views/ui/GridModel.h"
#include "views/ui/ViewsController.h"

using namespace ravlin;
using namespace ravlin::test;

class CommandsTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    TSimProcess sim;
    std::unique_ptr<TDesktop> desktop;
    std::vector<TMessage> shown;

  private slots:
    void initTestCase() {
        // 4800 bit/s: a download of the demo memory takes seconds, time enough to cancel.
        QVERIFY(
            sim.Start(TSimProcess::Tcp, {"--load", RAVLIN_TEST_DATA_DIR "/Demo.rvl", "--data-dir",
                                         RAVLIN_TEST_DATA_DIR, "--baud", "4800"}));
        WriteSettings(dir.path() + "/home", sim.Port());
        desktop = std::make_unique<TDesktop>(TStartOptions{DataDir(), dir.path() + "/home", {}});
        desktop->ui().setResponder([this](TQtUserInterface::Kind, const TMessage& m, TButtons) {
            shown.push_back(m);
            return TAnswer::No;
        });
        QVERIFY(desktop->Start());
    }

    void cancelInTheProgressWindowStopsTheDownload() {
        TMainForm& f = desktop->form();
        TViewsController& v = desktop->views();
        // No password: the download logs in without a window, then shows the progress.
        // Meanwhile every other command is refused: one command at a time.
        bool othersRefused = false;
        auto done = OnNextModal<TCommForm>([&](TCommForm* form) {
            QTest::qWait(300);
            othersRefused = !desktop->documents().MenuNewClick() &&
                            !desktop->receiver().MenuUploadClick() &&
                            !desktop->receiver().MenuDownloadClick();
            QTest::mouseClick(form->cancelButton(), Qt::LeftButton);
        });
        QElapsedTimer t;
        t.start();
        QVERIFY(!desktop->receiver().MenuDownloadClick());
        QVERIFY(*done);
        QVERIFY(othersRefused);
        QVERIFY(!desktop->core().state.DocumentOpen);
        QVERIFY(t.elapsed() < 8000);
        QVERIFY(shown.empty());  // a cancelled download says nothing
        QVERIFY(desktop->core().state.LoggedIn);
        QVERIFY(!desktop->core().state.Downloaded);
        QCOMPARE(v.memoryModel()->rowCount(), 0);  // the records stay as they were
        QVERIFY(f.CommCommandsEnabled());
        QVERIFY(!desktop->receiver().commForm().isVisible());
        QVERIFY(!desktop->infoForm().isVisible());
    }

    void passwordChangeWritesTheReceiver() {
        auto done = OnNextModal<TChangePasswordForm>([](TChangePasswordForm* form) {
            QVERIFY(!form->oldEdit()->isVisible());  // the receiver has no password yet
            form->newEdit()->setText("4321");
            form->accept();
        });
        QVERIFY(desktop->receiver().MenuPasswordChangeClick());
        QVERIFY(*done);
        QCOMPARE(desktop->core().receiver.rx.Device.Password, std::string("4321"));
        QVERIFY(sim.Peek(0x0F20, 4) == "34333231");
        QVERIFY(shown.empty());
    }

    void communicationSetupChangesTheConnectionText() {
        TMainForm& f = desktop->form();
        auto done = OnNextModal<TCommSetupForm>([](TCommSetupForm* form) {
            QVERIFY(form->tcpRadio()->isChecked());
            form->comRadio()->setChecked(true);
            form->portCombo()->setEditText("COM 7");
            form->speedCombo()->setEditText("19200");
            form->accept();
        });
        desktop->receiver().MenuCommSetupClick();
        QVERIFY(*done);
        QCOMPARE(desktop->core().receiver.link.Settings.ConnectionType,
                 int(TConnectionSettings::Com));
        QCOMPARE(desktop->core().receiver.link.Settings.ComNumber, 7);
        QVERIFY(WaitFor([&] { return f.Panel(1) == "COM 7:19200"; }));
    }

    void cleanupTestCase() {
        desktop->form().close();
        desktop.reset();
        sim.Stop();
    }
};

QTEST_MAIN(CommandsTest)
#include "commands.moc"
