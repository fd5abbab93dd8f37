// The desktop program against the real simulator: log in (wrong then right password),
// download, view, sort, save, close, reopen and upload.

#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QTableView>
#include <QtTest>
#include <deque>

#include "GuiSupport.h"
#include "SimProcess.h"
#include "app/Core.h"
#include "app/ui/Desktop.h"
#include "app/ui/MainForm.h"
#include "base/ui/InfoForm.h"
#include "document/ui/DocumentController.h"
#include "document/ui/QtFileChooser.h"
#include "receiver/ui/ReceiverController.h"
#include "receiver/ui/ReceiverForms.h"
#include "receiver/ui/TransferReviewForm.h"
#include "views/ui/GridModel.h"
#include "views/ui/ViewsController.h"

using namespace ravlin;
using namespace ravlin::test;

namespace {

// KV8R records (8 bytes): O O B S S S S S K K T T T T E E, as hex digits.
const char* kRecords[] = {
    "0132345603001000",  // serial 23456, button 3
    "0200001203000000",  // serial 00012, button 0: a red row
    "0110ABCD01000500",  // serial 0ABCD, button 1
};

std::vector<uint8_t> Image(int bytes) {
    std::vector<uint8_t> image(bytes, 0xFF);
    size_t at = 0;
    for (const char* r : kRecords)
        for (int i = 0; i < 16; i += 2)
            image[at++] = static_cast<uint8_t>(std::stoi(std::string(r + i, 2), nullptr, 16));
    return image;
}

}  // namespace

class SessionTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    TSimProcess sim;
    std::unique_ptr<TDesktop> desktop;
    std::vector<TMessage> shown;
    std::deque<TAnswer> answers;

    QString Home() const { return dir.path() + "/home"; }

    QStringList Column(TGridModel* m, int column) {
        QStringList out;
        for (int r = 0; r < m->rowCount(); ++r) out << m->CellText(r, column);
        return out;
    }

    void ClickHeader(QTableView* grid, int column) {
        QHeaderView* h = grid->horizontalHeader();
        const QPoint p(h->sectionViewportPosition(column) + h->sectionSize(column) / 2,
                       h->height() / 2);
        QTest::mousePress(h->viewport(), Qt::LeftButton, {}, p);
        QTest::mouseRelease(h->viewport(), Qt::LeftButton, {}, p);
        QCoreApplication::processEvents();  // the refresh that follows the release
    }

  private slots:
    void initTestCase() {
        QVERIFY(dir.isValid());
        const QString img = dir.path() + "/area.bin";
        QFile f(img);
        QVERIFY(f.open(QIODevice::WriteOnly));
        const auto bytes = Image(0x800);
        f.write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        f.close();
        QVERIFY(sim.Start(TSimProcess::Tcp, {"--type", "KV8R", "--password", "abc", "--data-dir",
                                             RAVLIN_TEST_DATA_DIR, "--load", img.toStdString()}));
        WriteSettings(Home(), sim.Port());
        desktop = std::make_unique<TDesktop>(TStartOptions{DataDir(), Home(), QString()});
        desktop->ui().setResponder([this](TQtUserInterface::Kind, const TMessage& m, TButtons) {
            shown.push_back(m);
            if (answers.empty()) return TAnswer::Yes;
            TAnswer a = answers.front();
            answers.pop_front();
            return a;
        });
        QVERIFY(desktop->Start());
        QVERIFY(desktop->StartComplete());
        QVERIFY(WaitFor([&] { return desktop->form().isVisible(); }));
    }

    void loginCancelledStaysLoggedOut() {
        auto done = OnNextModal<TLoginForm>([](TLoginForm* form) { form->reject(); });
        QVERIFY(!desktop->receiver().MenuLoginClick());
        QVERIFY(*done);
        QVERIFY(!desktop->core().state.LoggedIn);
        QVERIFY(desktop->form().CommCommandsEnabled());
        QVERIFY(!desktop->views().memoryGrid()->isVisible());
        QVERIFY(!desktop->infoForm().isVisible());
        QVERIFY(shown.empty());
    }

    void loginAsksAgainAfterAWrongPassword() {
        TMainForm& f = desktop->form();
        TViewsController& v = desktop->views();
        QCOMPARE(f.Action("MenuLogin")->text(),
                 QString::fromStdString(TextAt(desktop->core().texts(), Text::MenuLogin)));
        int attempts = 0;
        auto done = OnNextModal<TLoginForm>([&](TLoginForm* form) {
            ++attempts;
            form->passwordEdit()->setText("wrong");
            form->accept();  // refused: the window stays open
            QVERIFY(form->isVisible());
            form->passwordEdit()->setText("abc");
            form->accept();
        });
        desktop->receiver().MenuLoginClick();
        QVERIFY(*done);
        QCOMPARE(attempts, 1);
        QCOMPARE(shown.size(), size_t(1));
        QCOMPARE(shown[0].textId, Text::WrongPassword);
        QVERIFY(desktop->core().state.LoggedIn);
        QVERIFY(f.CommCommandsEnabled());
        QCOMPARE(f.Action("MenuLogin")->text(),
                 QString::fromStdString(TextAt(desktop->core().texts(), Text::MenuLogout)));
        QVERIFY(WaitFor([&] { return !f.Panel(0).isEmpty(); }));
        QCOMPARE(f.Panel(0), QString::fromStdString(desktop->core().device.Description));
        QVERIFY(v.memoryGrid()->isVisible());
        QCOMPARE(v.memoryModel()->rowCount(), 0);  // an empty table until the download
    }

    void downloadShowsProgressAndFillsTheMemoryView() {
        TMainForm& f = desktop->form();
        TViewsController& v = desktop->views();
        shown.clear();
        bool progressSeen = false, commandsLocked = false;
        QTimer watch;
        connect(&watch, &QTimer::timeout, [&] {
            if (desktop->receiver().commForm().isVisible()) progressSeen = true;
            if (!f.Action("MenuDownload")->isEnabled() && !f.Action("MenuLogin")->isEnabled())
                commandsLocked = true;
        });
        watch.start(5);
        desktop->receiver().MenuDownloadClick();
        watch.stop();
        QVERIFY(progressSeen);
        QVERIFY(commandsLocked);
        QVERIFY(f.CommCommandsEnabled());
        QVERIFY(!desktop->receiver().commForm().isVisible());
        QCOMPARE(shown.size(), size_t(0));
        QVERIFY(desktop->core().state.Downloaded);

        TGridModel* m = v.memoryModel();
        QCOMPARE(m->rowCount(), 3);
        QCOMPARE(m->columnCount(), 7);
        QCOMPARE(Column(m, 0), QStringList({"1", "2", "3"}));
        QVERIFY(m->CellText(0, 1).endsWith("23456"));
        QCOMPARE(m->CellText(1, 2), QString("0"));
        QVERIFY(!m->IsRed(0));
        QVERIFY(m->IsRed(1));
        QCOMPARE(m->data(m->index(1, 3), Qt::ForegroundRole).value<QBrush>().color(),
                 QColor(255, 0, 0));
        // No document yet: the File view stays hidden; a read-only backup was written.
        QVERIFY(!v.fileGrid()->isVisible());
        const QStringList backups = QDir(Home() + "/Backup").entryList({"KV8R_*.rvl"});
        QCOMPARE(backups.size(), 1);
        const auto perms = QFileInfo(Home() + "/Backup/" + backups[0]).permissions();
        QVERIFY(!(perms & (QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther)));
    }

    void saveCreatesTheDocumentAndSortingFollowsHeaderClicks() {
        TMainForm& f = desktop->form();
        TViewsController& v = desktop->views();
        const QString file = dir.path() + "/saved.rvl";
        int dialogs = 0;
        std::string extension;
        desktop->documents().chooser().fileResponder =
            [&](bool save, const TFileDialog& d) -> std::optional<std::string> {
            ++dialogs;
            if (!save) return std::nullopt;
            extension = d.defaultExtension;
            return file.toStdString();
        };
        desktop->documents().MenuSaveClick();
        QCOMPARE(dialogs, 1);
        QCOMPARE(extension, std::string("rvl"));
        QVERIFY(QFile::exists(file));
        QVERIFY(desktop->core().state.DocumentOpen);
        QVERIFY(desktop->core().state.Saved);
        QVERIFY(v.fileGrid()->isVisible() || f.PageShown() != TPage::File);
        QCOMPARE(v.fileModel()->rowCount(), 3);
        QVERIFY(WaitFor([&] { return f.Panel(4) == file; }));
        QCOMPARE(f.Panel(3), QString::fromStdString(TextAt(desktop->core().texts(), Text::Saved)));

        f.ShowPage(TPage::File);
        QVERIFY(WaitFor([&] { return v.fileGrid()->isVisible(); }));
        const int code = desktop->views().fileView().layout.IndexOf(kind::Code);
        QVERIFY(code >= 0);
        v.fileGrid()->selectRow(2);  // the record at position 3 stays selected
        ClickHeader(v.fileGrid(), code);
        QCOMPARE(desktop->views().SortState(TLayoutFamily::Single).column, code);
        QVERIFY(desktop->views().SortState(TLayoutFamily::Single).ascending);
        QStringList codes = Column(v.fileModel(), code);
        QVERIFY(codes[0].endsWith("00012"));
        QVERIFY(codes[1].endsWith("0ABCD"));
        QVERIFY(codes[2].endsWith("23456"));
        QCOMPARE(desktop->views().SelectedFilePosition(), 3);
        QCOMPARE(v.fileGrid()->horizontalHeader()->sortIndicatorSection(), code);
        // Ascending shows the upward triangle (Qt's "descending" indicator).
        QCOMPARE(v.fileGrid()->horizontalHeader()->sortIndicatorOrder(), Qt::DescendingOrder);
        ClickHeader(v.fileGrid(), code);
        codes = Column(v.fileModel(), code);
        QVERIFY(codes[0].endsWith("23456"));
        QVERIFY(codes[2].endsWith("00012"));
        QCOMPARE(v.fileGrid()->horizontalHeader()->sortIndicatorOrder(), Qt::AscendingOrder);
        QCOMPARE(desktop->views().SelectedFilePosition(), 3);
        const int button = desktop->views().fileView().layout.IndexOf(kind::Button);
        int redRow = -1;
        for (int r = 0; r < 3; ++r)
            if (v.fileModel()->CellText(r, button) == "0") redRow = r;
        QVERIFY(v.fileModel()->IsRed(redRow));
    }

    void draggedColumnKeepsItsSortAndIsStored() {
        TViewsController& v = desktop->views();
        const int code = v.fileView().layout.IndexOf(kind::Code);
        QVERIFY(code > 1);
        const TSortState before = v.SortState(TLayoutFamily::Single);
        QCOMPARE(before.column, code);
        const QString header = v.fileModel()->Headers()[code];
        // The header's own drag ends in a section move from visual `code` to 0.
        v.fileGrid()->horizontalHeader()->moveSection(code, 0);
        QVERIFY(WaitFor([&] { return v.fileModel()->Headers().value(0) == header; }));
        QCOMPARE(v.fileView().layout.KindAt(0), kind::Code);
        QCOMPARE(v.SortState(TLayoutFamily::Single).column, 0);
        QCOMPARE(v.SortState(TLayoutFamily::Single).ascending, before.ascending);
        QCOMPARE(v.fileGrid()->horizontalHeader()->visualIndex(0), 0);
        const std::string list = desktop->core().ini.ReadString("Grid_Config", "User_Single", "");
        QVERIFY(QString::fromStdString(list).section(',', 1, 1) == "1");  // kind 1 first
        QVERIFY(v.fileModel()->CellText(0, 0).endsWith("23456"));         // still descending
    }

    void closeAndReopenTheSavedFile() {
        TViewsController& v = desktop->views();
        const QString file = dir.path() + "/saved.rvl";
        desktop->documents().MenuCloseClick();
        QVERIFY(!desktop->core().state.DocumentOpen);
        QVERIFY(!v.fileGrid()->isVisible());
        QCOMPARE(v.fileModel()->rowCount(), 0);
        shown.clear();
        desktop->documents().chooser().fileResponder =
            [&](bool save, const TFileDialog&) -> std::optional<std::string> {
            if (save) return std::nullopt;
            return file.toStdString();
        };
        desktop->documents().MenuOpenClick();
        QVERIFY(desktop->core().state.DocumentOpen);
        QCOMPARE(v.fileModel()->rowCount(), 3);
        QCOMPARE(desktop->core().state.FileName, file.toStdString());
    }

    void uploadWritesTheReceiverAndClearsTheMark() {
        TMainForm& f = desktop->form();
        QVERIFY(desktop->core().state.MemoryModified);  // an opened document differs
        shown.clear();
        // "upload?" answered Cancel: nothing happens
        auto cancelled = OnNextModal<TTransferReviewForm>([](TTransferReviewForm* form) {
            QVERIFY(form->lines()->isReadOnly());
            form->cancelButton()->click();
        });
        desktop->receiver().MenuUploadClick();
        QVERIFY(*cancelled);
        QVERIFY(shown.empty());
        QVERIFY(desktop->core().state.MemoryModified);

        shown.clear();
        bool progressSeen = false;
        QTimer watch;
        connect(&watch, &QTimer::timeout, [&] {
            if (desktop->receiver().commForm().isVisible()) progressSeen = true;
        });
        watch.start(5);
        auto accepted = OnNextModal<TTransferReviewForm>(
            [](TTransferReviewForm* form) { form->uploadButton()->click(); });
        QVERIFY(desktop->receiver().MenuUploadClick());
        watch.stop();
        QVERIFY(*accepted);
        QVERIFY(progressSeen);
        QVERIFY(shown.empty());
        QVERIFY(!desktop->core().state.MemoryModified);
        QVERIFY(WaitFor([&] { return !f.pages()->tabText(0).endsWith('*'); }));
        const std::vector<uint8_t> area = sim.RecordArea();
        const std::vector<uint8_t> expected = Image(0x800);
        QVERIFY(area.size() >= 24);
        QVERIFY(std::equal(expected.begin(), expected.begin() + 24, area.begin()));
    }

    void logoutHidesTheMemoryView() {
        TMainForm& f = desktop->form();
        TViewsController& v = desktop->views();
        desktop->receiver().MenuLoginClick();
        QVERIFY(!desktop->core().state.LoggedIn);
        QVERIFY(!v.memoryGrid()->isVisible());
        QVERIFY(WaitFor([&] { return f.Panel(0).isEmpty(); }));
        QCOMPARE(f.Action("MenuLogin")->text(),
                 QString::fromStdString(TextAt(desktop->core().texts(), Text::MenuLogin)));
    }

    void cleanupTestCase() {
        if (desktop) {
            desktop->documents().chooser().fileResponder = nullptr;
            answers = {TAnswer::No};
            desktop->form().close();
            desktop.reset();
        }
        sim.Stop();
    }
};

QTEST_MAIN(SessionTest)
#include "session.moc"
