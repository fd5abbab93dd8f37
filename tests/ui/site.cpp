// The Site window against several simulators: a revoke with a progress row per receiver
// and its report, opening a receiver's data file in the views, and Cancel.

#include <QtTest>
#include <fstream>

#include "GuiSupport.h"
#include "SimProcess.h"
#include "app/Core.h"
#include "app/ui/Desktop.h"
#include "app/ui/MainForm.h"
#include "site/ui/SiteController.h"
#include "site/ui/SiteForm.h"

using namespace ravlin;
using namespace ravlin::test;

namespace {

// KV2R records: output 01, button, serial, channels 01, time 0000, extra 00.
std::string Rec(char button, const std::string& serial) {
    return std::string("01") + button + serial + "01000000";
}

std::string Hex(const std::vector<uint8_t>& bytes) {
    static const char* d = "0123456789ABCDEF";
    std::string s;
    for (uint8_t b : bytes) s += {d[b >> 4], d[b & 15]};
    return s;
}

}  // namespace

class SiteTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    std::vector<std::unique_ptr<TSimProcess>> sims;
    std::unique_ptr<TDesktop> desktop;
    std::vector<TMessage> shown;
    std::string book;

    // A paced simulator (so that the progress can be seen) with `count` records, the code's
    // among them where `code` says.
    TSimProcess& Sim(int count, const std::vector<int>& code, std::vector<std::string> args = {}) {
        sims.push_back(std::make_unique<TSimProcess>());
        TSimProcess& sim = *sims.back();
        args.insert(args.end(),
                    {"--type", "KV2R", "--data-dir", RAVLIN_TEST_DATA_DIR, "--baud", "19200"});
        [&] { QVERIFY(sim.Start(TSimProcess::Tcp, args)); }();
        std::string data;
        for (int i = 0; i < count; ++i) {
            const bool holds = std::find(code.begin(), code.end(), i) != code.end();
            char serial[16];
            std::snprintf(serial, sizeof serial, "%05X", 0x30000 + i);
            data += Rec(holds ? '3' : '1', holds ? "12345" : serial);
        }
        sim.Control("memory 1000 " + data);
        return sim;
    }
    TSiteController& Site() { return desktop->site(); }
    QString Cell(int row, int column) {
        return Site().form().model.index(row, column).data().toString();
    }

  private slots:
    void initTestCase() {
        QVERIFY(dir.isValid());
        const QString home = dir.path() + "/home";
        WriteSettings(home, 9);
        desktop = std::make_unique<TDesktop>(TStartOptions{DataDir(), home, QString()});
        desktop->ui().setResponder([this](TQtUserInterface::Kind, const TMessage& m, TButtons) {
            shown.push_back(m);
            return TAnswer::Yes;
        });
        QVERIFY(desktop->Start());
        QVERIFY(WaitFor([&] { return desktop->form().isVisible(); }));
        Site().SetLinkTimingForTests(300, 5);

        TSimProcess& a = Sim(40, {3, 17});
        TSimProcess& b = Sim(30, {});
        TSimProcess& s = Sim(35, {5}, {"--stuck", "102A"});  // in record 6, the code's
        TSimProcess gone;
        QVERIFY(gone.Start(TSimProcess::Tcp, {"--data-dir", RAVLIN_TEST_DATA_DIR}));
        const int gonePort = gone.Port();
        gone.Stop();
        book = dir.path().toStdString() + "/estate.rvs";
        std::ofstream(book) << "ravlin-site 1\nsite = North Estate\n"
                            << "[gate-a]\ntcp = 127.0.0.1:" << a.Port()
                            << "\ndata-file = gate-a.rvl\n"
                            << "[barrier-b]\ntcp = 127.0.0.1:" << b.Port()
                            << "\ndata-file = barrier-b.rvl\n"
                            << "[door-s]\ntcp = 127.0.0.1:" << s.Port()
                            << "\ndata-file = door-s.rvl\n"
                            << "[garage]\ntcp = 127.0.0.1:" << gonePort
                            << "\ndata-file = garage.rvl\n";
        desktop->form().Action("MenuSite")->trigger();
        QVERIFY(Site().form().isVisible());
        QVERIFY(Site().OpenBook(book));
        QCOMPARE(Site().form().model.rowCount(), 4);
    }

    void aRevokeShowsEachReceiverAndItsReport() {
        TSiteForm& form = Site().form();
        form.code->setText("x012345");
        // A picture while the receivers work (the timer's polls run inside the operation).
        bool during = false;
        QTimer watch;
        watch.setInterval(20);
        connect(&watch, &QTimer::timeout, [&] {
            int working = 0;
            for (int row = 0; row < 4; ++row)
                working += Site()
                               .form()
                               .model.index(row, TSiteModel::Progress)
                               .data(TSiteModel::PercentRole)
                               .toInt() > 30;
            if (!during && working >= 2) {
                during = true;
                Shot(&form, "site-during-revoke");
            }
        });
        watch.start();
        QVERIFY(!Site().RevokeClick());  // two receivers failed
        watch.stop();
        QVERIFY(during);
        QCOMPARE(shown.size(), size_t{1});  // the confirmation only
        QCOMPARE(Cell(0, TSiteModel::Result), QString("revoked 2 records"));
        QCOMPARE(Cell(1, TSiteModel::Result), QString("not present"));
        QVERIFY(Cell(2, TSiteModel::Result).startsWith("failed: the receiver does not hold"));
        QVERIFY(Cell(3, TSiteModel::Result).startsWith("failed: Can't connect"));
        QCOMPARE(Cell(0, TSiteModel::Reached), QString("yes"));
        QCOMPARE(Cell(3, TSiteModel::Reached), QString("no"));
        QCOMPARE(Cell(0, TSiteModel::Records), QString("38"));
        QVERIFY(Cell(0, TSiteModel::LastDownload) != "never");
        // The stuck receiver's data file was written from its read-back, and the book says so.
        QCOMPARE(Cell(2, TSiteModel::DataFile), QString("same as receiver"));
        QVERIFY(Cell(2, TSiteModel::LastDownload) != "never");
        QCOMPARE(Cell(1, TSiteModel::DataFile), QString("kept"));
        QVERIFY(form.report->toPlainText().contains(
            "gate-a: revoked 2 records\nbarrier-b: not present\n"));
        const std::string memory = Hex(sims[0]->RecordArea());
        QCOMPARE(memory.substr(3 * 16, 16), std::string(16, '0'));
        QCOMPARE(memory.substr(17 * 16, 16), std::string(16, '0'));
        QVERIFY(memory.find("12345") == std::string::npos);
        Shot(&form, "site-after-revoke");

        // Opening a receiver opens its data file in the main window's views.
        QVERIFY(Site().OpenReceiver(0));
        TCore& core = desktop->core();
        QCOMPARE(QString::fromStdString(core.state.FileName), dir.path() + "/gate-a.rvl");
        int used = 0;
        for (const TData& d : core.table) used += d.Empty ? 0 : 1;
        QCOMPARE(used, 38);
        Shot(&desktop->form(), "site-opened-receiver");
    }

    void cancelStopsTheReceiversNotYetStarted() {
        TSiteForm& form = Site().form();
        form.jobs->setValue(1);
        QTimer cancel;
        cancel.setInterval(10);
        connect(&cancel, &QTimer::timeout, [&] {
            if (Cell(0, TSiteModel::Progress).contains('%')) form.cancel->click();
        });
        cancel.start();
        QVERIFY(!Site().DownloadClick());
        cancel.stop();
        for (int row = 1; row < 4; ++row)
            QCOMPARE(Cell(row, TSiteModel::Result), QString("cancelled"));
        QVERIFY(!QFile::exists(dir.path() + "/barrier-b.rvl"));
        QVERIFY(form.check->isEnabled());
        QVERIFY(!form.cancel->isEnabled());
    }

    void cleanupTestCase() {
        desktop.reset();
        sims.clear();
    }
};

QTEST_MAIN(SiteTest)
#include "site.moc"
