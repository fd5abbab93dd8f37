// The desktop program's upload against the simulator: the question lists the records the
// receiver learnt since the download and can take them into the records first; a record
// the receiver did not store is reported in a window the user can copy from.

#include <QClipboard>
#include <QFile>
#include <QtTest>

#include "GuiSupport.h"
#include "SimProcess.h"
#include "app/Core.h"
#include "app/ui/Desktop.h"
#include "app/ui/MainForm.h"
#include "receiver/ui/ReceiverController.h"
#include "receiver/ui/ReceiverForms.h"
#include "receiver/ui/TransferReviewForm.h"

using namespace ravlin;
using namespace ravlin::test;

namespace {

// KV8R records (8 bytes) as hex digits.
const char* kRecords[] = {"0132345603001000", "0110ABCD01000500", "0120001203000000"};
const char* kLearnt = "01400001010000000150000202000000";  // two transmitters learnt on site

QString ShotDir() {
    const QString dir = QStringLiteral("/work/wt/transfers-shots");
    QDir().mkpath(dir);
    return dir;
}

std::string Hex(const std::vector<uint8_t>& bytes) {
    static const char* d = "0123456789ABCDEF";
    std::string s;
    for (uint8_t b : bytes) s += {d[b >> 4], d[b & 15]};
    return s;
}

}  // namespace

class TransferReviewTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    TSimProcess sim;
    std::unique_ptr<TDesktop> desktop;
    std::vector<TMessage> shown;
    int start = 0;

    QString Home() const { return dir.path() + "/home"; }
    int UsedRecords() {
        int n = 0;
        for (const TData& r : desktop->core().table) n += r.Empty ? 0 : 1;
        return n;
    }

  private slots:
    void initTestCase() {
        QVERIFY(dir.isValid());
        QVERIFY(
            sim.Start(TSimProcess::Tcp, {"--type", "KV8R", "--data-dir", RAVLIN_TEST_DATA_DIR}));
        start = std::stoi(sim.Peek(0x0F00, 2), nullptr, 16);
        std::string records;
        for (const char* r : kRecords) records += r;
        char addr[8];
        std::snprintf(addr, sizeof addr, "%04X", start);
        QCOMPARE(QString::fromStdString(sim.Control(std::string("memory ") + addr + " " + records)),
                 QString("ok"));
        WriteSettings(Home(), sim.Port());
        desktop = std::make_unique<TDesktop>(TStartOptions{DataDir(), Home(), QString()});
        desktop->ui().setResponder([this](TQtUserInterface::Kind, const TMessage& m, TButtons) {
            shown.push_back(m);
            return TAnswer::Yes;
        });
        QVERIFY(desktop->Start());
        QVERIFY(desktop->StartComplete());
        QVERIFY(WaitFor([&] { return desktop->form().isVisible(); }));
        QVERIFY(desktop->receiver().MenuDownloadClick());
        QCOMPARE(UsedRecords(), 3);
        QVERIFY(shown.empty());
    }

    void learntRecordsAreListedAndMergedBeforeTheUpload() {
        char addr[8];
        std::snprintf(addr, sizeof addr, "%04X", start + 3 * 8);
        QCOMPARE(QString::fromStdString(sim.Control(std::string("memory ") + addr + " " + kLearnt)),
                 QString("ok"));
        const std::string learnt = Hex(sim.RecordArea()).substr(0, 5 * 16);

        QString listed;
        bool mergeOffered = false;
        auto done = OnNextModal<TTransferReviewForm>([&](TTransferReviewForm* form) {
            listed = form->lines()->toPlainText();
            mergeOffered = form->mergeButton()->isVisible();
            form->grab().save(ShotDir() + "/upload-question.png");
            form->mergeButton()->click();
        });
        QVERIFY(desktop->receiver().MenuUploadClick());
        QVERIFY(*done);
        QVERIFY(mergeOffered);
        QVERIFY2(listed.contains("remove or overwrite: 2"), qPrintable(listed));
        QVERIFY2(listed.contains("position 4  x000001"), qPrintable(listed));
        QVERIFY2(listed.contains("position 5  x000002"), qPrintable(listed));
        QVERIFY(shown.empty());
        // The receiver kept them and the records hold them now.
        QCOMPARE(Hex(sim.RecordArea()).substr(0, 5 * 16), learnt);
        QCOMPARE(UsedRecords(), 5);
        QVERIFY(desktop->core().state.Downloaded);
    }

    void aWriteTheReceiverDidNotStoreIsReportedInACopyableWindow() {
        // Record 2's output byte keeps 00 whatever is written.
        char cell[8];
        std::snprintf(cell, sizeof cell, "%04X", start + 8);
        QCOMPARE(QString::fromStdString(sim.Control(std::string("memory ") + cell + " 00")),
                 QString("ok"));
        QCOMPARE(QString::fromStdString(sim.Control(std::string("set stuck ") + cell)),
                 QString("ok"));
        auto asked = OnNextModal<TTransferReviewForm>(
            [](TTransferReviewForm* form) { form->uploadButton()->click(); });
        QString report, copied;
        bool uploadHidden = false;
        auto reported = std::make_shared<bool>(false);
        // The report follows the question: wait for the question to go first.
        QTimer second;
        second.setInterval(20);
        connect(&second, &QTimer::timeout, [&] {
            auto* form = qobject_cast<TTransferReviewForm*>(QApplication::activeModalWidget());
            if (!*asked || !form || !form->isVisible() || *reported) return;
            report = form->lines()->toPlainText();
            uploadHidden = !form->uploadButton()->isVisible();
            form->grab().save(ShotDir() + "/read-back-report.png");
            form->copyButton()->click();
            copied = QApplication::clipboard()->text();
            *reported = true;
            form->cancelButton()->click();
        });
        second.start();
        QVERIFY(!desktop->receiver().MenuUploadClick());
        second.stop();
        QVERIFY(*asked);
        QVERIFY(*reported);
        QVERIFY(uploadHidden);
        QVERIFY2(report.contains("does not hold as written: 1"), qPrintable(report));
        QVERIFY2(report.contains("position 2  x00ABCD"), qPrintable(report));
        QVERIFY2(report.contains("written 0110ABCD01000500  held 0010ABCD01000500"),
                 qPrintable(report));
        QCOMPARE(copied, report);
        QVERIFY(shown.empty());
        sim.Control("set stuck -1");
    }

    void cleanupTestCase() {
        if (desktop) {
            desktop->ui().setResponder(
                [](TQtUserInterface::Kind, const TMessage&, TButtons) { return TAnswer::No; });
            desktop->form().close();
            desktop.reset();
        }
        sim.Stop();
    }
};

QTEST_MAIN(TransferReviewTest)
#include "transfer_review.moc"
