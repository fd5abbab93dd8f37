// Building a message's events on the Monitoring page of the desktop program, against the
// real simulator: Add with no message begins one, the source menu follows what exists, the
// transmitter-adding window takes the rows selected in the File view and the history (OK or
// a double click there, which then edits no record), refuses a duplicate, closes when the
// user turns to another page; Edit and Remove act on the event grid's row; the events show
// the records' user information as it changes; the grids keep their column widths.
//
// RAVLIN_SCREENSHOTS=<folder> also saves pictures of the transmitter-adding window there.

#include <QGroupBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QtTest>

#include "GuiSupport.h"
#include "MonitorSupport.h"
#include "SimProcess.h"
#include "app/Core.h"
#include "app/ui/Desktop.h"
#include "app/ui/MainForm.h"
#include "base/ui/Notifications.h"
#include "base/ui/Text.h"
#include "document/ui/DocumentController.h"
#include "monitoring/MonitorData.h"
#include "monitoring/ui/MonitorAddForm.h"
#include "monitoring/ui/MonitorController.h"
#include "monitoring/ui/MonitorEditForm.h"
#include "monitoring/ui/MonitorEventEditForm.h"
#include "monitoring/ui/MonitorModels.h"
#include "online/ui/OnlineController.h"
#include "online/ui/OnlinePanel.h"
#include "views/ui/ViewsController.h"

using namespace ravlin;
using namespace ravlin::test;

class MonitorAddTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    TSimProcess sim;
    std::unique_ptr<TDesktop> desktop;
    std::vector<Text> shownTexts;

    QString Home() const { return dir.path() + "/home"; }
    TCore& Core() { return desktop->core(); }
    TMonitorController& Monitor() { return desktop->monitor(); }
    TMainForm& Form() { return desktop->form(); }
    TMonitorAddForm* AddForm() { return Find<TMonitorAddForm>(Form(), "MonitorAddForm"); }
    QTableView* FileGrid() { return desktop->views().fileGrid(); }
    const std::vector<TEvent>& Active(int m) {
        return Monitor().monitor().Messages[static_cast<size_t>(m)].ActiveEvents;
    }
    const std::vector<TEvent>& Deactive(int m) {
        return Monitor().monitor().Messages[static_cast<size_t>(m)].DeactiveEvents;
    }
    QAction* MenuItem(const char* name) {
        return Find<QMenu>(Form(), "AddPopupMenu")->findChild<QAction*>(name);
    }
    QPushButton* Button(const char* name) { return Form().findChild<QPushButton*>(name); }
    // The File view's cell of a row in the column of a kind (the last such column).
    QString FileCell(int row, int k) {
        const TColumnLayout& layout = desktop->views().fileView().layout;
        int at = -1;
        for (int c = 0; c < layout.Count(); ++c)
            if (layout.KindAt(c) == k) at = c;
        return FileGrid()->model()->index(row, at).data().toString();
    }
    // Opens the transmitter-adding window from the source menu of the Active or Deactive
    // group.
    void OpenAddWindow(bool active, const char* item) {
        QTest::mouseClick(Button(active ? "AddActiveButton" : "AddDeactiveButton"), Qt::LeftButton);
        QVERIFY(WaitFor([&] { return Find<QMenu>(Form(), "AddPopupMenu")->isVisible(); }));
        Find<QMenu>(Form(), "AddPopupMenu")->hide();
        MenuItem(item)->trigger();
    }

  private slots:
    void initTestCase() {
        QVERIFY(dir.isValid());
        QVERIFY(QFile::copy(DataDir() + "/Demo.rvl", dir.path() + "/Demo.rvl"));
        QVERIFY(sim.Start(TSimProcess::Tcp, {"--load", RAVLIN_TEST_DATA_DIR "/Demo.rvl",
                                             "--data-dir", RAVLIN_TEST_DATA_DIR}));
        WriteSettings(Home(), sim.Port(),
                      "HistoryMonitorLevel=1\r\n[MonitorGrid]\r\nCol2=333\r\n"
                      "[ActiveGrid]\r\nCol1=111\r\n[Monitor]\r\nOperator=Ann\r\n");
        desktop = std::make_unique<TDesktop>(TStartOptions{DataDir(), Home(), QString()});
        desktop->ui().setResponder([this](TQtUserInterface::Kind, const TMessage& m, TButtons) {
            shownTexts.push_back(m.textId);
            return TAnswer::Yes;
        });
        Core().receiver.link.SetTimingForTests(300, 5);
        QVERIFY(desktop->Start());
        QVERIFY(desktop->StartComplete());
        Form().resize(900, 650);
        QVERIFY(desktop->documents().OpenNamedFile(CorePath(dir.path() + "/Demo.rvl")));
        QVERIFY(FileGrid()->model()->rowCount() >= 4);
        Form().Action("MenuMonitorView")->trigger();
        QCOMPARE(Form().PageShown(), TPage::Monitoring);
    }

    void storedWidthsAndOperatorAreRestored() {
        QCOMPARE(Find<QTableView>(Form(), "MonitorGrid")->columnWidth(kMsgText), 333);
        QCOMPARE(Find<QTableView>(Form(), "ActiveGrid")->columnWidth(kEvSerial), 111);
        // A width the user drags is the settings' at once.
        Find<QTableView>(Form(), "DeactiveGrid")->horizontalHeader()->resizeSection(kEvButtons, 77);
        QCOMPARE(Core().settings.DeactiveGrid.at(kEvButtons), 77);
        // The operator's name of the last run is in the message panel's field.
        QCOMPARE(Find<QLineEdit>(Form(), "OperatorEdit")->text(), QString("Ann"));
        QCOMPARE(Monitor().monitor().operatorName, std::string("Ann"));
    }

    void addWithoutAMessageBeginsOneAndTheMenuFollowsWhatExists() {
        QVERIFY(Monitor().monitor().Messages.empty());
        auto edited = OnNextModal<TMonitorEditForm>([](TMonitorEditForm* f) {
            QTest::keyClicks(f->textEdit(), "Front door");
            f->accept();
        });
        QTest::mouseClick(Button("AddActiveButton"), Qt::LeftButton);
        QVERIFY(*edited);
        QCOMPARE(Monitor().monitor().Messages.size(), size_t(1));
        QCOMPARE(Monitor().monitor().Messages[0].Text, std::string("Front door"));
        QVERIFY(WaitFor([&] { return Find<QMenu>(Form(), "AddPopupMenu")->isVisible(); }));
        Find<QMenu>(Form(), "AddPopupMenu")->hide();
        QCOMPARE(Monitor().monitor().TargetMessage, 0);
        QVERIFY(Monitor().monitor().AddToActive);
        // Not logged in: no Memory view; the document gives the File view.
        QVERIFY(!MenuItem("AddPopupMemory")->isEnabled());
        QVERIFY(MenuItem("AddPopupUser")->isEnabled());
        QVERIFY(MenuItem("AddPopupHistory")->isEnabled());
        QVERIFY(MenuItem("AddPopupSerialNumber")->isEnabled());
    }

    void okAddsTheSelectedFileViewRows() {
        OpenAddWindow(true, "AddPopupUser");
        QVERIFY(AddForm()->isVisible());
        QCOMPARE(Form().PageShown(), TPage::File);
        QCOMPARE(AddForm()->windowTitle(), QString("Add transmitters"));
        // Beside the main window's top right corner.
        const QRect main = Form().frameGeometry();
        QCOMPARE(AddForm()->y(), main.top() + 30);
        QCOMPARE(AddForm()->x(), main.left() + main.width() - AddForm()->width() - 30);
        QVERIFY(!desktop->online().panel().addButton()->isEnabled());

        FileGrid()->selectionModel()->clearSelection();
        for (int row : {2, 0})
            FileGrid()->selectionModel()->select(
                FileGrid()->model()->index(row, 0),
                QItemSelectionModel::Select | QItemSelectionModel::Rows);
        Shot(&Form(), "add-window-file-view");
        Shot(AddForm(), "add-window");
        AddForm()->Confirm();
        QVERIFY(!AddForm()->isVisible());
        QCOMPARE(Form().PageShown(), TPage::Monitoring);  // the page comes back
        // From the first selected row down, serial and button of each.
        QCOMPARE(Active(0).size(), size_t(2));
        QCOMPARE(QString::fromStdString(Active(0)[0].Serial), FileCell(0, kind::Code));
        QCOMPARE(QString::fromStdString(Active(0)[0].Buttons), FileCell(0, kind::Button));
        QCOMPARE(QString::fromStdString(Active(0)[1].Serial), FileCell(2, kind::Code));
        QCOMPARE(EventGrid(Form(), true)->rowCount(), 2);
        QCOMPARE(EventGrid(Form(), true)->index(1, kEvSerial).data().toString(),
                 FileCell(2, kind::Code));
        QVERIFY(!Monitor().monitor().Saved);
    }

    void aDoubleClickInTheFileViewIsOkAndEditsNoRecord() {
        OpenAddWindow(false, "AddPopupUser");
        QVERIFY(AddForm()->isVisible());
        const QRect cell = FileGrid()->visualRect(FileGrid()->model()->index(1, 0));
        QTest::mouseClick(FileGrid()->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(FileGrid()->viewport(), Qt::LeftButton, {}, cell.center());
        QVERIFY(!AddForm()->isVisible());
        QCOMPARE(Deactive(0).size(), size_t(1));
        QCOMPARE(QString::fromStdString(Deactive(0)[0].Serial), FileCell(1, kind::Code));
        QVERIFY(!QApplication::activeModalWidget());  // no record editor opened
        // Without the window, a double click is the view's own again (its editor opens).
        Form().ShowPage(TPage::File);
        auto editor = OnNextModal<QDialog>([](QDialog* d) { d->reject(); });
        QTest::mouseDClick(FileGrid()->viewport(), Qt::LeftButton, {}, cell.center());
        QVERIFY(WaitFor([&] { return *editor; }));
        QCOMPARE(Deactive(0).size(), size_t(1));
        Form().ShowPage(TPage::Monitoring);
    }

    void aDuplicateIsRefusedAndAnotherPageClosesTheWindow() {
        OpenAddWindow(true, "AddPopupUser");
        FileGrid()->selectRow(0);
        shownTexts.clear();
        AddForm()->Confirm();
        QCOMPARE(Active(0).size(), size_t(2));
        QCOMPARE(shownTexts, std::vector<Text>{Text::DuplicateEvent});

        OpenAddWindow(true, "AddPopupUser");
        QVERIFY(AddForm()->isVisible());
        Form().ShowPage(TPage::Memory);  // the user turns to another page
        QVERIFY(!AddForm()->isVisible());
        QCOMPARE(Form().PageShown(), TPage::Monitoring);
        QCOMPARE(Active(0).size(), size_t(2));
    }

    void theHistoryIsASourceToo() {
        QVERIFY(desktop->online().MenuOnlineClick());
        QSignalSpy polled(&desktop->online(), &TOnlineController::pollFinished);
        QCOMPARE(QString::fromStdString(sim.Control("reception 0054321 5 00 0000")), QString("ok"));
        QVERIFY(polled.wait(10000));
        QVERIFY(desktop->online().LeaveOnline());
        QTableView* history = desktop->online().historyGrid();
        QVERIFY(WaitFor([&] { return history->model()->rowCount() >= 1; }));

        OpenAddWindow(true, "AddPopupHistory");
        QCOMPARE(Form().PageShown(), TPage::History);
        const QRect cell = history->visualRect(history->model()->index(0, 0));
        QTest::mouseClick(history->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(history->viewport(), Qt::LeftButton, {}, cell.center());
        QVERIFY(!AddForm()->isVisible());
        QCOMPARE(Active(0).size(), size_t(3));
        QCOMPARE(QString::fromStdString(Active(0)[2].Serial),
                 history->model()->index(0, 0).data().toString());
        QCOMPARE(QString::fromStdString(Active(0)[2].Buttons), QString("5"));
        // Logged in now: the Memory view is offered.
        QTest::mouseClick(Button("AddActiveButton"), Qt::LeftButton);
        QVERIFY(WaitFor([&] { return Find<QMenu>(Form(), "AddPopupMenu")->isVisible(); }));
        Find<QMenu>(Form(), "AddPopupMenu")->hide();
        QVERIFY(MenuItem("AddPopupMemory")->isEnabled());
    }

    void editAndRemoveActOnTheEventGridsRow() {
        QTableView* grid = Find<QTableView>(Form(), "ActiveGrid");
        grid->selectRow(1);
        const std::string second = Active(0)[1].Serial;
        auto edited = OnNextModal<TMonitorEventEditForm>([](TMonitorEventEditForm* f) {
            f->codeEdit()->setText("7E57A");
            f->accept();
        });
        QTest::mouseClick(Button("EditActiveButton"), Qt::LeftButton);
        QVERIFY(*edited);
        QVERIFY(Active(0)[1].Serial != second);
        QVERIFY(QString::fromStdString(Active(0)[1].Serial).endsWith("7E57A"));
        QCOMPARE(grid->currentIndex().row(), 1);  // the edited event stays chosen

        grid->selectRow(0);
        const std::string third = Active(0)[2].Serial;
        QTest::mouseClick(Button("RemoveActiveButton"), Qt::LeftButton);
        QCOMPARE(Active(0).size(), size_t(2));
        QCOMPARE(Active(0)[1].Serial, third);
        QCOMPARE(EventGrid(Form(), true)->rowCount(), 2);
    }

    void eventsShowTheRecordsUserInformationAsItChanges() {
        // The first Deactive event is the File view's row 1: give its record a new text.
        const std::string serial = Deactive(0)[0].Serial;
        TData* record = nullptr;
        for (TData& r : Core().table)
            if (!r.Empty && r.Serial == SerialKey(serial) && !record) record = &r;
        QVERIFY(record);
        record->User1 = "Lobby east";
        emit desktop->notifications().userInfoChanged();
        QCOMPARE(Deactive(0)[0].User[0], std::string("Lobby east"));
        TEventGridModel* model = EventGrid(Form(), false);
        bool shown = false;
        for (int c = 0; c < model->columnCount(); ++c)
            shown |= model->index(0, c).data().toString() == "Lobby east";
        QVERIFY(shown);
    }

    void theRecordCommandsActOnMessages() {
        Form().ShowPage(TPage::Monitoring);
        QVERIFY(WaitFor([&] { return Form().Action("MenuAdd")->isEnabled(); }));
        auto edited = OnNextModal<TMonitorEditForm>([](TMonitorEditForm* f) {
            QTest::keyClicks(f->textEdit(), "Back door");
            f->accept();
        });
        Form().Action("MenuAdd")->trigger();
        QVERIFY(*edited);
        QCOMPARE(Monitor().monitor().Messages.size(), size_t(2));
        QCOMPARE(Monitor().monitor().Messages[1].Text, std::string("Back door"));
        // The new message is chosen: Delete removes it (the question answered Yes).
        Form().Action("MenuDelete")->trigger();
        QCOMPARE(Monitor().monitor().Messages.size(), size_t(1));
        QCOMPARE(Monitor().monitor().Messages[0].Text, std::string("Front door"));
    }

    void languageTextsReachThePage() {
        auto* group = Form().findChild<QGroupBox*>("ActiveGroup");
        QVERIFY(group);
        QCOMPARE(group->title(),
                 QString::fromStdString(TextAt(Core().language.Texts(), Text::ActivateGroup)));
        QCOMPARE(Button("RemoveDeactiveButton")->text(),
                 QString::fromStdString(TextAt(Core().language.Texts(), Text::RemoveButton)));
        QCOMPARE(MenuItem("AddPopupHistory")->text(),
                 QString::fromStdString(TextAt(Core().language.Texts(), Text::AddFromHistory)));
    }

    void cleanupTestCase() {
        if (AddForm()) AddForm()->hide();
        Monitor().monitor().Saved = true;  // no question at the end
        desktop.reset();
    }
};

QTEST_MAIN(MonitorAddTest)
#include "monitor_add.moc"
