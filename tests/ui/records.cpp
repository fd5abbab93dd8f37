// The record commands in the main window against the simulated receiver: Add, Edit (Enter,
// double click), Delete (key), the context menu, Undo and Redo with the document's marks,
// Copy and Paste, the Projector Control page of a projector type, and a new user's whole
// edit uploaded and downloaded again.

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPainter>
#include <QSpinBox>
#include <QTabWidget>
#include <QtTest>
#include <deque>

#include "GuiSupport.h"
#include "SimProcess.h"
#include "app/Core.h"
#include "app/ui/Desktop.h"
#include "app/ui/MainForm.h"
#include "document/ui/DocumentController.h"
#include "document/ui/QtFileChooser.h"
#include "receiver/ui/ReceiverController.h"
#include "receiver/ui/TransferReviewForm.h"
#include "records/RecordClipboard.h"
#include "records/ui/EditForm.h"
#include "records/ui/RecordsController.h"
#include "views/ui/GridModel.h"
#include "views/ui/ViewsController.h"

using namespace ravlin;
using namespace ravlin::test;

namespace {

// KV8T-N records (24 bytes): O O B S S S S S K K T T T T, then 34 digits E (a digit of
// its own and 16 text bytes).
std::string TextRecord(const std::string& head, const std::string& name) {
    std::string extra = "0";
    static const char kHex[] = "0123456789ABCDEF";
    for (unsigned char c : name) {
        extra += kHex[c >> 4];
        extra += kHex[c & 15];
    }
    extra.resize(34, '0');
    return head + extra;
}

void WriteImage(const QString& path, const std::vector<std::string>& records, int bytes) {
    std::vector<uint8_t> image(static_cast<size_t>(bytes), 0xFF);
    size_t at = 0;
    for (const std::string& r : records)
        for (size_t i = 0; i + 1 < r.size(); i += 2)
            image[at++] = static_cast<uint8_t>(std::stoi(r.substr(i, 2), nullptr, 16));
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(reinterpret_cast<const char*>(image.data()), static_cast<qint64>(image.size()));
}

template <typename T>
T* Child(QWidget* w, const char* name) {
    T* c = w->findChild<T*>(name);
    if (!c) qWarning("no control %s", name);
    return c;
}

void Leave(QWidget* field) {
    QMetaObject::invokeMethod(field, "editingFinished");
}

void ChooseFunction(TEditForm* form, const QString& name) {
    auto* function = Child<QComboBox>(form, "FunkceCombo");
    function->setCurrentIndex(function->findText(name));
    emit function->activated(function->currentIndex());
}

void TypeCode(TEditForm* form, const QString& code) {
    auto* edit = Child<QLineEdit>(form, "KodEdit");
    edit->setText(code);
    Leave(edit);
}

void SetTime(TEditForm* form, int minutes, int seconds, int millis) {
    Child<QSpinBox>(form, "MinEdit")->setValue(minutes);
    Child<QSpinBox>(form, "SecEdit")->setValue(seconds);
    auto* mil = Child<QSpinBox>(form, "MilEdit");
    mil->setValue(millis);
    Leave(mil);
}

// One row selected and current. QTableView::selectRow reads the keyboard's modifiers, which
// QTest can leave pressed after a shortcut with Shift.
void SelectRow(QTableView* grid, int row) {
    grid->selectionModel()->setCurrentIndex(
        grid->model()->index(row, 0),
        QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

// Centre of a grid row, in viewport coordinates.
QPoint RowPoint(QTableView* grid, int row) {
    return grid->visualRect(grid->model()->index(row, 1)).center();
}

}  // namespace

class RecordsTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    // One receiver and one desktop program per test function.
    std::unique_ptr<TSimProcess> sim;
    std::unique_ptr<TDesktop> desktop;
    std::vector<TMessage> shown;
    std::deque<TAnswer> answers;

    TCore& core() { return desktop->core(); }
    TMainForm& form() { return desktop->form(); }
    TRecordsController& records() { return desktop->records(); }
    QTableView* memoryGrid() { return desktop->views().memoryGrid(); }
    TGridModel* memoryModel() { return desktop->views().memoryModel(); }
    const TData& At(int position) { return core().table[static_cast<size_t>(position - 1)]; }

    QStringList Positions() {
        QStringList out;
        for (int r = 0; r < memoryModel()->rowCount(); ++r) out << memoryModel()->CellText(r, 0);
        return out;
    }
    QList<int> SelectedRows(QTableView* grid) {
        QList<int> rows;
        for (const QModelIndex& i : grid->selectionModel()->selectedRows()) rows << i.row();
        std::sort(rows.begin(), rows.end());
        return rows;
    }
    bool MemoryMark() { return form().pages()->tabText(0).endsWith('*'); }

    // A receiver of `type` with `records`, logged in and downloaded, the Memory view shown.
    void StartWith(const char* type, const std::vector<std::string>& records, int bytes) {
        const QString name = QString::fromLatin1(QTest::currentTestFunction());
        const QString image = dir.path() + "/" + name + ".bin";
        WriteImage(image, records, bytes);
        sim = std::make_unique<TSimProcess>();
        QVERIFY(sim->Start(TSimProcess::Tcp, {"--type", type, "--data-dir", RAVLIN_TEST_DATA_DIR,
                                              "--load", image.toStdString()}));
        const QString home = dir.path() + "/" + name;
        // No backup: two downloads within a second would meet the backup of the first.
        WriteSettings(home, sim->Port(), "Backup=0\r\n");
        desktop = std::make_unique<TDesktop>(TStartOptions{DataDir(), home, QString()});
        shown.clear();
        answers.clear();
        desktop->ui().setResponder([this](TQtUserInterface::Kind, const TMessage& m, TButtons) {
            shown.push_back(m);
            if (answers.empty()) return TAnswer::Yes;
            const TAnswer a = answers.front();
            answers.pop_front();
            return a;
        });
        QVERIFY(desktop->Start());
        QVERIFY(QTest::qWaitForWindowActive(&form()));
        QVERIFY(desktop->receiver().MenuDownloadClick());
        QVERIFY(shown.empty());
        form().ShowPage(TPage::Memory);
        QVERIFY(WaitFor([&] { return memoryGrid()->isVisible(); }));
        QVERIFY(WaitFor([&] { return form().Action("MenuAdd")->isEnabled(); }));
        Activate();
    }

    // A progress window or the editor took the activation; without a window manager nobody
    // hands it back, and the window's keys (its menu shortcuts) reach only the active window.
    void Activate() {
        QApplication::setActiveWindow(&form());
        QVERIFY(QTest::qWaitForWindowActive(&form()));
    }

    void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        KeyTo(memoryGrid(), key, modifiers);
    }
    void KeyTo(QTableView* grid, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QApplication::setActiveWindow(&form());
        grid->setFocus();
        QTest::keyClick(grid, static_cast<Qt::Key>(key), modifiers);
    }

    // A KV8T-N holding "Door" (23456, button 3) at 1 and "Stairs" (0ABCD, button 1) at 2.
    void StartWithDoorAndStairs() {
        StartWith("KV8T-N",
                  {TextRecord("01"
                              "3"
                              "23456"
                              "01"
                              "0000",
                              "Door"),
                   TextRecord("02"
                              "1"
                              "0ABCD"
                              "03"
                              "0000",
                              "Stairs")},
                  24 * 10);
    }

  private slots:
    void init() { QVERIFY(dir.isValid()); }

    void cleanup() {
        if (desktop) {
            answers = {TAnswer::No, TAnswer::No};
            desktop->form().close();
            desktop.reset();
        }
        sim.reset();
    }

    void addEditDeleteUndoRedoInTheMemoryView() {
        StartWith("KV8T-N",
                  {TextRecord("01"
                              "3"
                              "23456"
                              "01"
                              "0000",
                              "Door"),
                   TextRecord("02"
                              "1"
                              "0ABCD"
                              "03"
                              "0000",
                              ""),
                   TextRecord("01"
                              "5"
                              "11111"
                              "02"
                              "0000",
                              "Hall")},
                  24 * 10);
        QCOMPARE(Positions(), QStringList({"1", "2", "3"}));
        QVERIFY(!core().state.MemoryModified);
        QVERIFY(!form().Action("MenuUndo")->isEnabled());

        // Add from the first row: its record is the template, with button 0.
        SelectRow(memoryGrid(), 0);
        auto done = OnNextModal<TEditForm>([](TEditForm* f) {
            QCOMPARE(Child<QLineEdit>(f, "MistoEdit")->text(), QString("4"));
            QCOMPARE(Child<QComboBox>(f, "BtnCombo")->currentText(), QString("0"));
            TypeCode(f, "x0BEEF1");
            f->accept();
        });
        Activate();
        QTest::keyClick(&form(), Qt::Key_F5);
        QVERIFY(*done);
        QCOMPARE(Positions(), QStringList({"1", "2", "3", "4"}));
        QCOMPARE(At(4).Serial, std::string("BEEF1"));
        QCOMPARE(At(4).Output, std::string("01"));
        QCOMPARE(At(4).User1, std::string("Door"));
        QCOMPARE(SelectedRows(memoryGrid()), QList<int>({3}));
        QVERIFY(core().state.MemoryModified);
        QVERIFY(WaitFor([&] { return MemoryMark(); }));
        QVERIFY(form().Action("MenuUndo")->isEnabled());

        // Enter opens Edit on the selected row; the time of a timer.
        done = OnNextModal<TEditForm>([](TEditForm* f) {
            QCOMPARE(Child<QLineEdit>(f, "MistoEdit")->text(), QString("2"));
            ChooseFunction(f, "Timer");
            SetTime(f, 1, 30, 500);
            f->accept();
        });
        SelectRow(memoryGrid(), 1);
        Key(Qt::Key_Return);
        QVERIFY(*done);
        QCOMPARE(At(2).Output, std::string("03"));
        QCOMPARE(At(2).Time, std::string("0389"));  // 905 x 100 ms
        QCOMPARE(memoryModel()->CellText(1, 3), QString("Timer"));

        // A double click opens it too; Cancel changes nothing and adds no undo step.
        const size_t steps = core().recordHistory.Steps();
        done = OnNextModal<TEditForm>([](TEditForm* f) {
            Child<QLineEdit>(f, "Edit1")->setText("not kept");
            f->reject();
        });
        // The press before the double click, as a mouse sends it.
        QTest::mouseClick(memoryGrid()->viewport(), Qt::LeftButton, {}, RowPoint(memoryGrid(), 2));
        QTest::mouseDClick(memoryGrid()->viewport(), Qt::LeftButton, {}, RowPoint(memoryGrid(), 2));
        QVERIFY(*done);
        QCOMPARE(At(3).User1, std::string("Hall"));
        QCOMPARE(core().recordHistory.Steps(), steps);

        // The Delete key deletes the selection; the next row takes its place.
        SelectRow(memoryGrid(), 0);
        Key(Qt::Key_Delete);
        QCOMPARE(Positions(), QStringList({"2", "3", "4"}));
        QVERIFY(At(1).Empty);
        QCOMPARE(SelectedRows(memoryGrid()), QList<int>({0}));

        // Undo (Ctrl+Z) back to the download: the mark goes with it.
        Key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(Positions(), QStringList({"1", "2", "3", "4"}));
        QCOMPARE(At(1).User1, std::string("Door"));
        QCOMPARE(SelectedRows(memoryGrid()), QList<int>({0}));
        Key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(At(2).Output, std::string("02"));
        QVERIFY(core().state.MemoryModified);
        Key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(Positions(), QStringList({"1", "2", "3"}));
        QCOMPARE(core().device.UsedCount, 3);
        QVERIFY(!core().state.MemoryModified);
        QVERIFY(WaitFor([&] { return !MemoryMark(); }));
        QVERIFY(!form().Action("MenuUndo")->isEnabled());
        QVERIFY(form().Action("MenuRedo")->isEnabled());

        // Redo with both keys.
        Key(Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(At(4).Serial, std::string("BEEF1"));
        QCOMPARE(core().device.UsedCount, 4);
        Key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(At(2).Output, std::string("03"));
        QVERIFY(core().state.MemoryModified);
        QVERIFY(WaitFor([&] { return MemoryMark(); }));

        // A new change drops what could be redone.
        SelectRow(memoryGrid(), 3);
        Key(Qt::Key_Delete);
        QVERIFY(!form().Action("MenuRedo")->isEnabled());
        QCOMPARE(Positions(), QStringList({"1", "2", "3"}));

        // Rows picked one by one (two ranges): both go, and come back in one step.
        QItemSelection picked;
        const QAbstractItemModel* model = memoryGrid()->model();
        for (int row : {0, 2})
            picked.select(model->index(row, 0), model->index(row, model->columnCount() - 1));
        memoryGrid()->selectionModel()->select(picked, QItemSelectionModel::ClearAndSelect);
        Key(Qt::Key_Delete);
        QCOMPARE(Positions(), QStringList({"2"}));
        Key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(Positions(), QStringList({"1", "2", "3"}));
        QCOMPARE(SelectedRows(memoryGrid()), QList<int>({0, 2}));
        QVERIFY(shown.empty());
    }

    void contextMenuOffersTheRecordCommands() {
        StartWithDoorAndStairs();
        QMenu* menu = records().contextMenu();
        QVERIFY(!menu->isVisible());
        SelectRow(memoryGrid(), 1);
        const QPoint at = RowPoint(memoryGrid(), 1);
        QTest::mouseClick(memoryGrid()->viewport(), Qt::RightButton, {}, at);
        emit memoryGrid()->customContextMenuRequested(at);
        QVERIFY(WaitFor([&] { return menu->isVisible(); }));
        QStringList captions;
        for (QAction* a : menu->actions())
            if (!a->isSeparator()) captions << a->objectName();
        QCOMPARE(captions,
                 QStringList({"MenuAdd", "MenuEdit", "MenuDelete", "MenuCopy", "MenuPaste"}));
        for (QAction* a : menu->actions()) QVERIFY(a->isSeparator() || a->isEnabled());
        const QString shots = qEnvironmentVariable("RAVLIN_SHOTS");
        if (!shots.isEmpty()) {
            QDir().mkpath(shots);
            QPixmap window = form().grab();
            QPainter p(&window);
            p.drawPixmap(form().mapFromGlobal(menu->pos()), menu->grab());
            p.end();
            QVERIFY(window.save(shots + "/main-context-menu.png"));
        }
        // Its Delete deletes the selected row.
        menu->actions()[2]->trigger();
        menu->hide();
        QCOMPARE(Positions(), QStringList({"1"}));
        QVERIFY(form().Action("MenuUndo")->isEnabled());
        QVERIFY(!form().Action("MenuRedo")->isEnabled());
        if (!shots.isEmpty()) {
            // The Edit menu with Undo offered.
            QMenu* edit = nullptr;
            for (QObject* o : form().Action("MenuUndo")->associatedObjects())
                if (auto* m = qobject_cast<QMenu*>(o)) edit = m;
            QVERIFY(edit);
            edit->popup(form().mapToGlobal(QPoint(40, form().menuBar()->height())));
            QVERIFY(WaitFor([&] { return edit->isVisible(); }));
            QPixmap window = form().grab();
            QPainter p(&window);
            p.drawPixmap(form().mapFromGlobal(edit->pos()), edit->grab());
            p.end();
            edit->hide();
            QVERIFY(window.save(shots + "/main-edit-menu.png"));
        }

        // On the File view the same: the commands need a document, then they act there.
        form().ShowPage(TPage::File);
        QVERIFY(WaitFor([&] { return !form().Action("MenuAdd")->isEnabled(); }));
        QVERIFY(!form().Action("MenuUndo")->isEnabled());
        QVERIFY(!records().MenuUndoClick());
        form().ShowPage(TPage::Memory);
        QVERIFY(WaitFor([&] { return form().Action("MenuUndo")->isEnabled(); }));
    }

    void copyAndPasteBetweenTwoRows() {
        StartWith("KV8T-N",
                  {TextRecord("01"
                              "3"
                              "23456"
                              "01"
                              "0000",
                              "Door"),
                   TextRecord("03"
                              "7"
                              "0ABCD"
                              "05"
                              "00C8",
                              "Gate")},
                  24 * 10);
        SelectRow(memoryGrid(), 1);
        Key(Qt::Key_C, Qt::ControlModifier);
        const QMimeData* data = QApplication::clipboard()->mimeData();
        QVERIFY(data && data->hasFormat(kRecordsMimeType));
        QStringList cells;
        for (int c = 0; c < memoryModel()->columnCount(); ++c)
            cells << memoryModel()->CellText(1, c);
        QCOMPARE(data->text(), cells.join('\t') + "\r\n");
        QVERIFY(!core().state.MemoryModified);  // copying changes nothing

        // Pasted into the first free position: the whole record, its name included.
        SelectRow(memoryGrid(), 0);
        Key(Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(Positions(), QStringList({"1", "2", "3"}));
        TData copy = At(3);
        QCOMPARE(copy.Serial, std::string("0ABCD"));
        QCOMPARE(copy.User1, std::string("Gate"));
        QCOMPARE(copy.Time, At(2).Time);
        copy.Position = 2;
        copy.Raw = At(2).Raw;
        QVERIFY(SameRecord(copy, At(2)));
        QCOMPARE(SelectedRows(memoryGrid()), QList<int>({2}));
        QVERIFY(core().state.MemoryModified);
        // Undone in one step.
        QVERIFY(records().MenuUndoClick());
        QCOMPARE(Positions(), QStringList({"1", "2"}));
        QVERIFY(!core().state.MemoryModified);
        QVERIFY(shown.empty());
    }

    void projectorPageOfAProjectorTypeReachesTheReceiver() {
        StartWith("KV1M", {}, 57 * 4);
        QCOMPARE(memoryModel()->rowCount(), 0);
        auto done = OnNextModal<TEditForm>([](TEditForm* f) {
            QVERIFY(f->pages()->isTabVisible(0));
            TypeCode(f, "x012345");
            ChooseFunction(f, "RS-232");
            f->pages()->setCurrentIndex(0);
            auto* command = Child<QLineEdit>(f, "CommandEdit1");
            QVERIFY(command->isVisible());
            QVERIFY(!Child<QLineEdit>(f, "CommandEdit2")->isVisible());
            QTest::keyClicks(command, "PWR ON$0D");
            Child<QSpinBox>(f, "ProjRepeatEdit1")->setValue(2);
            auto* speed = Child<QComboBox>(f, "ProjSpeedCombo");
            speed->setCurrentIndex(speed->findText("19200"));
            QTest::keyClick(command, Qt::Key_Return);  // Enter is OK
        });
        QVERIFY(records().MenuAddClick());
        QVERIFY(*done);
        std::string extra = At(1).Extra;
        QCOMPARE(extra.substr(3, 30), std::string("0703017008505752204F4E0D000000"));
        QCOMPARE(At(1).Output, std::string("06"));

        auto upload = OnNextModal<TTransferReviewForm>(
            [](TTransferReviewForm* form) { form->uploadButton()->click(); });
        QVERIFY(desktop->receiver().MenuUploadClick());
        QVERIFY(*upload);
        QVERIFY(!core().state.MemoryModified);
        QVERIFY(!core().recordHistory.CanUndo());  // the upload starts the history afresh
        QVERIFY(desktop->receiver().MenuDownloadClick());
        QCOMPARE(memoryModel()->rowCount(), 1);
        QCOMPARE(At(1).Extra, extra);
        QCOMPARE(At(1).Serial, std::string("12345"));

        // The page shows the command again.
        SelectRow(memoryGrid(), 0);
        done = OnNextModal<TEditForm>([](TEditForm* f) {
            f->pages()->setCurrentIndex(0);
            QCOMPARE(Child<QLineEdit>(f, "CommandEdit1")->text(), QString("PWR ON$0D"));
            QCOMPARE(Child<QSpinBox>(f, "ProjRepeatEdit1")->value(), 2);
            QCOMPARE(Child<QComboBox>(f, "ProjSpeedCombo")->currentText(), QString("19200"));
            f->reject();
        });
        QVERIFY(!records().MenuEditClick());
        QVERIFY(*done);
        QVERIFY(shown.empty());  // the upload asked in its comparison window only
    }

    // A new user: adds a transmitter, changes its function and time, gives it a name,
    // deletes another, undoes the last two, uploads; downloaded again, the receiver holds
    // exactly that.
    void newUsersEditUploadedAndDownloadedAgain() {
        StartWithDoorAndStairs();
        const TRecordTable downloaded = core().table;
        auto done = OnNextModal<TEditForm>([](TEditForm* f) { f->reject(); });
        form().Action("MenuAdd")->trigger();
        QVERIFY(*done);
        QCOMPARE(memoryModel()->rowCount(), 2);  // Cancel: nothing was added
        QVERIFY(!core().recordHistory.CanUndo());
        done = OnNextModal<TEditForm>([](TEditForm* f) {
            TypeCode(f, "x0C0FFE");
            ChooseFunction(f, "Monostable");
            f->accept();
        });
        memoryGrid()->clearSelection();
        memoryGrid()->setCurrentIndex(QModelIndex());
        QVERIFY(records().MenuAddClick());
        QVERIFY(*done);
        QCOMPARE(At(3).Serial, std::string("C0FFE"));
        QCOMPARE(At(3).User1, std::string(""));  // no row: a cleared record

        SelectRow(memoryGrid(), 2);
        done = OnNextModal<TEditForm>([](TEditForm* f) {
            ChooseFunction(f, "Timer");
            SetTime(f, 0, 45, 0);
            f->accept();
        });
        Key(Qt::Key_Return);
        QVERIFY(*done);
        done = OnNextModal<TEditForm>([](TEditForm* f) {
            Child<QLineEdit>(f, "Edit1")->setText("Garage");
            f->accept();
        });
        Key(Qt::Key_Return);
        QVERIFY(*done);
        QCOMPARE(At(3).User1, std::string("Garage"));
        SelectRow(memoryGrid(), 0);
        Key(Qt::Key_Delete);
        QVERIFY(At(1).Empty);

        Key(Qt::Key_Z, Qt::ControlModifier);
        Key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(At(1).User1, std::string("Door"));
        QCOMPARE(At(3).User1, std::string(""));
        QCOMPARE(At(3).Output, std::string("03"));
        QVERIFY(core().state.MemoryModified);

        auto upload = OnNextModal<TTransferReviewForm>(
            [](TTransferReviewForm* form) { form->uploadButton()->click(); });
        QVERIFY(desktop->receiver().MenuUploadClick());
        QVERIFY(*upload);
        QVERIFY(!core().state.MemoryModified);
        QVERIFY(!form().Action("MenuUndo")->isEnabled());
        const TRecordTable uploaded = core().table;

        QVERIFY(desktop->receiver().MenuDownloadClick());
        QCOMPARE(Positions(), QStringList({"1", "2", "3"}));
        for (int p = 1; p <= 2; ++p) QVERIFY(SameRecord(At(p), downloaded[p - 1]));
        QCOMPARE(At(3).Serial, std::string("C0FFE"));
        QCOMPARE(At(3).Output, std::string("03"));
        QCOMPARE(At(3).Time, std::string("01C2"));  // 45 s
        QCOMPARE(At(3).Button, std::string("0"));
        QCOMPARE(At(3).User1, std::string(""));  // the name was undone before the upload
        QCOMPARE(memoryModel()->CellText(2, 5), QString("0:45,0"));
        for (int p = 1; p <= 3; ++p) QCOMPARE(At(p).Raw, uploaded[p - 1].Raw);
        QVERIFY(shown.empty());  // the upload asked in its comparison window only
    }

    void theHistoryStartsAfreshAfterOpenAndSave() {
        StartWithDoorAndStairs();
        const QString file = dir.path() + "/history.rvl";
        desktop->documents().chooser().fileResponder =
            [&](bool, const TFileDialog&) -> std::optional<std::string> {
            return file.toStdString();
        };
        QVERIFY(desktop->documents().MenuSaveClick());
        QVERIFY(core().state.Saved);
        form().ShowPage(TPage::File);
        QTableView* grid = desktop->views().fileGrid();
        QVERIFY(
            WaitFor([&] { return grid->isVisible() && form().Action("MenuAdd")->isEnabled(); }));

        // Delete in the File view: modified; undone: saved again.
        SelectRow(grid, 0);
        KeyTo(grid, Qt::Key_Delete);
        QCOMPARE(desktop->views().fileModel()->rowCount(), 1);
        QVERIFY(!core().state.Saved);
        QVERIFY(WaitFor([&] { return form().pages()->tabText(1).endsWith('*'); }));
        KeyTo(grid, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(desktop->views().fileModel()->rowCount(), 2);
        QVERIFY(core().state.Saved);
        QVERIFY(WaitFor([&] { return !form().pages()->tabText(1).endsWith('*'); }));

        // Edited and saved: the save is the new start, nothing to undo.
        SelectRow(grid, 1);
        auto done = OnNextModal<TEditForm>([](TEditForm* f) {
            Child<QLineEdit>(f, "Edit2")->setText("second floor");
            f->accept();
        });
        KeyTo(grid, Qt::Key_Return);
        QVERIFY(*done);
        QVERIFY(!core().state.Saved);
        QVERIFY(core().recordHistory.CanUndo());
        QVERIFY(desktop->documents().MenuSaveClick());
        QVERIFY(core().state.Saved);
        QVERIFY(!core().recordHistory.CanUndo());
        QVERIFY(!form().Action("MenuUndo")->isEnabled());

        // Deleted, then the file opened again: the deletion cannot be undone into it.
        SelectRow(grid, 0);
        KeyTo(grid, Qt::Key_Delete);
        QVERIFY(core().recordHistory.CanUndo());
        answers = {TAnswer::No};  // do not save the deletion
        QVERIFY(desktop->documents().MenuOpenClick());
        QCOMPARE(desktop->views().fileModel()->rowCount(), 2);
        QVERIFY(!core().recordHistory.CanUndo());
        QVERIFY(!records().MenuUndoClick());
        QCOMPARE(desktop->views().fileModel()->rowCount(), 2);
        desktop->documents().chooser().fileResponder = nullptr;
    }
};

QTEST_MAIN(RecordsTest)
#include "records.moc"
