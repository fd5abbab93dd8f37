// The grids of the Memory and File views in the desktop program, against the simulated
// receiver holding a memory of 120 records that is also open as a data file:
// - a first run sizes the columns to their content, later runs keep the user's widths;
// - a selected red row stays red;
// - the Memory view keeps its selected record and scroll position over refreshes and
//   header clicks;
// - columns dragged, resized and hidden from the header's menu stay so after a restart,
//   kept in RavlinProj.ini with the settings' own keys.

#include <QHeaderView>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>
#include <QtTest>

#include "GuiSupport.h"
#include "SimProcess.h"
#include "ViewsDesktopSupport.h"
#include "app/Core.h"
#include "app/ui/Desktop.h"
#include "app/ui/MainForm.h"
#include "base/ui/Notifications.h"
#include "receiver/ui/ReceiverController.h"
#include "views/ColumnConfig.h"
#include "views/ui/GridModel.h"
#include "views/ui/ViewsController.h"

using namespace ravlin;
using namespace ravlin::test;

namespace {

constexpr int kRecords = 120;

std::string Holder(int position) {
    if (position % 10 == 3)
        return "Eva Svobodov\xe1, Monostable Street " + std::to_string(position);
    return "Holder " + std::to_string(position);
}

QPoint SectionPoint(QHeaderView* h, int column, int dx = 0) {
    return {h->sectionViewportPosition(column) + h->sectionSize(column) / 2 + dx, h->height() / 2};
}

// Pixels of the rectangle in the picture that are plainly red.
int RedPixels(const QImage& image, const QRect& rect) {
    int n = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.red() > 180 && c.green() < 100 && c.blue() < 100) ++n;
        }
    return n;
}

}  // namespace

class ViewsGridsTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    TSimProcess sim;
    std::unique_ptr<TDesktop> desktop;
    std::vector<TMessage> shown;
    QString dataFile;
    QString home;

    TViewsController& Views() { return desktop->views(); }

    void Start() {
        desktop = std::make_unique<TDesktop>(TStartOptions{DataDir(), home, dataFile});
        desktop->ui().setResponder([this](TQtUserInterface::Kind, const TMessage& m, TButtons) {
            shown.push_back(m);
            return TAnswer::No;
        });
        QVERIFY(desktop->Start());
        desktop->form().resize(900, 600);
        desktop->form().ShowPage(TPage::File);
        QVERIFY(WaitFor([&] { return Views().fileGrid()->isVisible(); }));
    }

    void Restart() {
        QVERIFY(desktop->form().close());
        desktop.reset();
        Start();
    }

    // Widths the cells and header of a column need to show their texts whole.
    int NeededWidth(QTableView* grid, int column) {
        const QFontMetrics fm(grid->font());
        const QHeaderView* header = grid->horizontalHeader();
        int need = header->fontMetrics().horizontalAdvance(
            grid->model()->headerData(column, Qt::Horizontal).toString());
        for (int r = 0; r < grid->model()->rowCount(); ++r)
            need = std::max(
                need, fm.horizontalAdvance(grid->model()->index(r, column).data().toString()));
        return need;
    }

  private slots:
    void initTestCase() {
        QVERIFY(dir.isValid());
        dataFile = dir.filePath("Holders.rvl");
        QVERIFY(MakeDataFile(dataFile.toStdString(), kRecords, Holder));
        QVERIFY(sim.Start(TSimProcess::Tcp,
                          {"--load", dataFile.toStdString(), "--data-dir", RAVLIN_TEST_DATA_DIR}));
        home = dir.path() + "/home";
        WriteSettings(home, sim.Port());
        Start();
    }

    // No stored widths: every column shows its texts whole (within a bound), not cut to 64
    // pixels ("Monost…", "Jan No…").
    void firstRunSizesColumnsToTheirContent() {
        QTableView* grid = Views().fileGrid();
        const int columns = Views().fileModel()->columnCount();
        QCOMPARE(columns, 13);
        for (int c = 0; c < columns; ++c) {
            const int need = NeededWidth(grid, c);
            QVERIFY2(grid->columnWidth(c) >= std::min(need, 300),
                     qPrintable(QString("column %1 (%2): %3 < %4")
                                    .arg(c)
                                    .arg(Views().fileModel()->Headers()[c])
                                    .arg(grid->columnWidth(c))
                                    .arg(need)));
            QVERIFY(grid->columnWidth(c) <= 320);
        }
        const int user1 = Views().fileView().layout.IndexOf(kind::User1);
        QVERIFY(grid->columnWidth(user1) > 64);
    }

    // A selected red row keeps its red text, on a lighter highlight.
    void aSelectedRedRowStaysRed() {
        TCore& c = desktop->core();
        c.table[2].Button = "0";  // the record at position 3 turns red
        c.table[3].Button = "0";
        Views().RefreshViews();
        QTableView* grid = Views().fileGrid();
        // Sorted by user number: the rows are found again by position.
        int red = -1, other = -1;
        const int positionColumn = Views().fileView().layout.IndexOf(kind::Position);
        for (int r = 0; r < Views().fileModel()->rowCount(); ++r) {
            const QString p = Views().fileModel()->CellText(r, positionColumn);
            if (p == "3") red = r;
            if (p == "4") other = r;
        }
        QVERIFY(red >= 0 && other >= 0);
        QVERIFY(Views().fileModel()->IsRed(red));
        QVERIFY(Views().fileModel()->IsRed(other));
        grid->selectRow(red);
        // The user text: a long text in the first columns, in sight without scrolling.
        const int user1 = Views().fileView().layout.IndexOf(kind::User1);
        auto grabCell = [&](int row, QRect& rect) {
            grid->scrollTo(Views().fileModel()->index(row, user1));
            QTest::qWait(50);
            rect = grid->visualRect(Views().fileModel()->index(row, user1));
            return grid->viewport()->grab().toImage();
        };
        QRect unselected;
        const QImage otherImage = grabCell(other, unselected);
        QVERIFY(RedPixels(otherImage, unselected) > 20);
        QRect selected;
        const QImage image = grabCell(red, selected);
        QVERIFY(RedPixels(image, selected) > 20);
        // Still marked as selected: its background is not the window colour.
        const QColor background = image.pixelColor(selected.right() - 2, selected.center().y());
        QVERIFY(background != grid->palette().color(QPalette::Base));
        if (!ShotFolder().isEmpty()) grid->grab().save(ShotFolder() + "/red-row-selected.png");
        c.table[2].Button = "1";
        c.table[3].Button = "1";
        Views().RefreshViews();
    }

    // The Memory view keeps its selected record and where it was scrolled to, over
    // refreshes, its own header clicks and the File view's.
    void memoryViewKeepsItsSelectionAndScrollPosition() {
        TMainForm& f = desktop->form();
        desktop->ui().setResponder([this](TQtUserInterface::Kind, const TMessage& m, TButtons) {
            shown.push_back(m);
            return TAnswer::Yes;
        });
        QVERIFY(desktop->receiver().MenuDownloadClick());
        QVERIFY(desktop->core().state.Downloaded);
        f.ShowPage(TPage::Memory);
        TViewsController& v = Views();
        QTableView* grid = v.memoryGrid();
        QVERIFY(WaitFor([&] { return grid->isVisible(); }));
        QCOMPARE(v.memoryModel()->rowCount(), kRecords);
        QVERIFY(grid->verticalScrollBar()->maximum() > 0);

        grid->setCurrentIndex(v.memoryModel()->index(99, 1));
        grid->scrollTo(v.memoryModel()->index(99, 1), QAbstractItemView::PositionAtCenter);
        const int scrolled = grid->verticalScrollBar()->value();
        QVERIFY(scrolled > 0);
        QCOMPARE(v.SelectedMemoryPosition(), 100);

        auto same = [&](const char* after) {
            QVERIFY2(v.SelectedMemoryPosition() == 100, after);
            QVERIFY2(grid->currentIndex().column() == 1, after);
            QVERIFY2(grid->selectionModel()->isRowSelected(99, {}), after);
            QVERIFY2(grid->verticalScrollBar()->value() == scrolled, after);
        };
        v.RefreshViews();
        same("a refresh");
        QVERIFY(desktop->receiver().MenuDownloadClick());  // commits a new table
        same("a committed command");
        QHeaderView* h = grid->horizontalHeader();
        QTest::mouseClick(h->viewport(), Qt::LeftButton, {}, SectionPoint(h, 2));
        QCoreApplication::processEvents();
        same("a click on its header");
        // A File view header click sorts the File view and refreshes both.
        QHeaderView* fh = v.fileGrid()->horizontalHeader();
        f.ShowPage(TPage::File);
        QVERIFY(WaitFor([&] { return v.fileGrid()->isVisible(); }));
        QTest::mouseClick(fh->viewport(), Qt::LeftButton, {}, SectionPoint(fh, 6));
        QCoreApplication::processEvents();
        QTest::mouseClick(fh->viewport(), Qt::LeftButton, {}, SectionPoint(fh, 6));
        QCoreApplication::processEvents();
        f.ShowPage(TPage::Memory);
        QVERIFY(WaitFor([&] { return grid->isVisible(); }));
        same("a click on the File view's header");

        // A record deleted above it: the same record stays selected one row higher.
        desktop->core().table[0].Empty = true;
        v.RefreshViews();
        QCOMPARE(v.SelectedMemoryPosition(), 100);
        QCOMPARE(grid->currentIndex().row(), 98);
        desktop->core().table[0].Empty = false;
        v.RefreshViews();
        f.ShowPage(TPage::File);
    }

    // Columns dragged to another place, a border dragged wider and a user column hidden
    // from the header's menu stay so after a restart; the settings file holds them under
    // its own keys.
    void columnsRearrangedAndHiddenStaySoAfterARestart() {
        TViewsController& v = Views();
        QTableView* grid = v.fileGrid();
        QHeaderView* h = grid->horizontalHeader();
        int position = v.fileView().layout.IndexOf(kind::Position);
        QCOMPARE(position, 5);
        const QString positionTitle = v.fileModel()->Headers()[position];

        // A border dragged 40 pixels to the right.
        const int before = grid->columnWidth(position);
        const int edge = h->sectionViewportPosition(position) + h->sectionSize(position) - 1;
        QTest::mousePress(h->viewport(), Qt::LeftButton, {}, QPoint(edge, h->height() / 2));
        QTest::mouseMove(h->viewport(), QPoint(edge + 20, h->height() / 2));
        QTest::mouseMove(h->viewport(), QPoint(edge + 40, h->height() / 2));
        QTest::mouseRelease(h->viewport(), Qt::LeftButton, {}, QPoint(edge + 40, h->height() / 2));
        QCoreApplication::processEvents();
        QCOMPARE(grid->columnWidth(position), before + 40);
        const int width = grid->columnWidth(position);

        // The position header dragged to the first place.
        QTest::mousePress(h->viewport(), Qt::LeftButton, {}, SectionPoint(h, position));
        for (int x = SectionPoint(h, position).x(); x > 2; x -= 15)
            QTest::mouseMove(h->viewport(), QPoint(x, h->height() / 2));
        QTest::mouseMove(h->viewport(), QPoint(2, h->height() / 2));
        QTest::mouseRelease(h->viewport(), Qt::LeftButton, {}, QPoint(2, h->height() / 2));
        QVERIFY(WaitFor([&] { return v.fileModel()->Headers().value(0) == positionTitle; }));
        QCOMPARE(v.fileView().layout.KindAt(0), kind::Position);
        QCOMPARE(grid->columnWidth(0), width);  // the column took its width along
        QCOMPARE(h->visualIndex(0), 0);
        // The drag pressed the sorted column's header once more: descending, and sorted
        // still at its new place.
        QCOMPARE(v.SortState(TLayoutFamily::Single).column, 0);
        QVERIFY(!v.SortState(TLayoutFamily::Single).ascending);
        QCOMPARE(v.fileModel()->CellText(0, 0), QStringLiteral("120"));

        // User 2 hidden from the header's menu (a right press does not sort).
        const int user2 = v.fileView().layout.IndexOf(kind::User1 + 1);
        const QString user2Title = v.fileModel()->Headers()[user2];
        bool menuSeen = false;
        QTimer::singleShot(100, [&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (!menu) return;
            menuSeen = menu->actions().size() == 5;
            if (!ShotFolder().isEmpty()) {
                // The header with its menu, as the user sees them.
                QImage shot = desktop->form().grab().toImage();
                QPainter painter(&shot);
                painter.drawPixmap(desktop->form().mapFromGlobal(menu->pos()), menu->grab());
                painter.end();
                shot.save(ShotFolder() + "/column-configuration.png");
            }
            for (QAction* a : menu->actions())
                if (a->text() == user2Title) {
                    menuSeen = menuSeen && a->isChecked();
                    menu->setActiveAction(a);
                    QTest::keyClick(menu, Qt::Key_Return);
                    return;
                }
            menu->close();
        });
        QTest::mousePress(h->viewport(), Qt::RightButton, {}, SectionPoint(h, user2));
        QTest::mouseRelease(h->viewport(), Qt::RightButton, {}, SectionPoint(h, user2));
        QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, SectionPoint(h, user2),
                                    h->viewport()->mapToGlobal(SectionPoint(h, user2)));
        QApplication::sendEvent(h->viewport(), &menuEvent);
        QVERIFY(menuSeen);
        QVERIFY(WaitFor([&] { return v.fileModel()->columnCount() == 12; }));
        QVERIFY(!v.fileModel()->Headers().contains(user2Title));
        QVERIFY(!v.UserColumnVisible(kind::User1 + 1));
        QCOMPARE(v.SortState(TLayoutFamily::Single).column, 0);  // the right press left it
        QVERIFY(!v.SortState(TLayoutFamily::Single).ascending);

        Restart();
        TViewsController& again = Views();
        QCOMPARE(again.fileModel()->columnCount(), 12);
        QCOMPARE(again.fileModel()->Headers().value(0), positionTitle);
        QVERIFY(!again.fileModel()->Headers().contains(user2Title));
        QCOMPARE(again.fileGrid()->columnWidth(0), width);
        QCOMPARE(again.fileModel()->CellText(0, 0), QStringLiteral("120"));  // still descending
        // The settings file holds the layout list (all 61 elements), the flag and the widths.
        QFile ini(home + "/RavlinProj.ini");
        QVERIFY(ini.open(QIODevice::ReadOnly));
        const QByteArray text = ini.readAll();
        QByteArray list = "User_Single=12,0,7,8,10,11,1,2,3,4,5,6,15,9,";
        for (int i = 0; i < 47; ++i) list += "100,";
        QVERIFY2(text.contains("[Grid_Config]\r\n" + list + "\r\n"), text.constData());
        QVERIFY(text.contains("UserSingle2Visible=0\r\n"));
        QVERIFY(text.contains("UserSingle1Visible=1\r\n"));
        QVERIFY(text.contains("SortColSingle=0\r\n"));
        QVERIFY(text.contains("SortUpSingle=0\r\n"));
        QVERIFY(text.contains("[UserGrid_Single]\r\nCol1=" + QByteArray::number(width) + "\r\n"));

        // The user's widths are kept, not sized to the content again.
        again.fileGrid()->setColumnWidth(1, 50);
        Restart();
        QCOMPARE(Views().fileGrid()->columnWidth(1), 50);

        // Shown again from the menu's call: behind the last shown column.
        Views().SetUserColumnVisible(kind::User1 + 1, true);
        QCOMPARE(Views().fileModel()->columnCount(), 13);
        QCOMPARE(Views().fileModel()->Headers().value(12), user2Title);
    }

    void cleanupTestCase() {
        if (desktop) desktop->form().close();
        desktop.reset();
    }
};

QTEST_MAIN(ViewsGridsTest)
#include "views_grids.moc"
