// Find, export and printing in the desktop program, through its menus and keys, on a data
// file of 120 records opened at start: a transmitter found by its holder's name with
// Ctrl+F, Ctrl+N and F3; the File view exported and read back (and opened in LibreOffice
// where it is installed); the File view printed to a PDF file with the header on every
// page; the print preview; a page registered by another controller (History).
// With RAVLIN_SHOTS=folder the windows are saved there as pictures.

#include <QComboBox>
#include <QFileDialog>
#include <QHeaderView>
#include <QLayout>
#include <QLineEdit>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPushButton>
#include <QStandardItemModel>
#include <QtTest>

#include "GuiSupport.h"
#include "ViewsDesktopSupport.h"
#include "app/Core.h"
#include "app/ui/Desktop.h"
#include "app/ui/MainForm.h"
#include "online/History.h"
#include "online/LogRows.h"
#include "views/Export.h"
#include "views/ViewPages.h"
#include "views/ui/FindForm.h"
#include "views/ui/GridModel.h"
#include "views/ui/ViewCommands.h"
#include "views/ui/ViewsController.h"

using namespace ravlin;
using namespace ravlin::test;

// Checks inside a modal window's callback must not leave the window open: they note what
// failed, and the test checks the notes once the window is closed.
#define NOTE_CHECK(cond) \
    if (!(cond)) problems += QStringLiteral(#cond "; ")

namespace {

constexpr int kRecords = 120;

std::string Holder(int position) {
    if (position == 57) return "Eva Svobodov\xe1";
    if (position == 98) return "Eva Nov\xe1kov\xe1";
    return "Holder " + std::to_string(position);
}

}  // namespace

class ViewsCommandsTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    std::unique_ptr<TDesktop> desktop;
    std::vector<TMessage> shown;
    QString dataFile;

    TViewsController& Views() { return desktop->views(); }
    TMainForm& Form() { return desktop->form(); }
    // The grid's key presses, as the user types them (shortcuts included).
    // The offscreen platform does not give the activation back after a modal window: the
    // window is made active first, as the window manager would.
    void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QApplication::setActiveWindow(&Form());
        Views().fileGrid()->setFocus();
        QTest::keyClick(Views().fileGrid(), key, modifiers);
    }
    QString UserCell(int row) {
        return Views().fileModel()->CellText(row, Views().fileView().layout.IndexOf(kind::User1));
    }

  private slots:
    void initTestCase() {
        QVERIFY(dir.isValid());
        dataFile = dir.filePath("Holders.rvl");
        QVERIFY(MakeDataFile(dataFile.toStdString(), kRecords, Holder));
        // Sorted by position (grid column 5 of the default layout).
        WriteSettings(dir.path() + "/home", 1, "SortColSingle=5\r\n");
        desktop =
            std::make_unique<TDesktop>(TStartOptions{DataDir(), dir.path() + "/home", dataFile});
        desktop->ui().setResponder([this](TQtUserInterface::Kind, const TMessage& m, TButtons) {
            shown.push_back(m);
            return TAnswer::No;
        });
        QVERIFY(desktop->Start());
        QVERIFY(desktop->core().state.DocumentOpen);
        Form().ShowPage(TPage::File);
        Form().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&Form()));
        QVERIFY(WaitFor([&] { return Views().fileGrid()->isVisible(); }));
        QCOMPARE(Views().fileModel()->rowCount(), kRecords);
        QCOMPARE(Views().fileModel()->CellText(0, 5), QStringLiteral("1"));
        Views().fileGrid()->setFocus();
    }

    void findByUserNameWithTheKeys() {
        TViewsController& v = Views();
        // The keys reach the window's shortcuts only while it is the active window.
        QApplication::setActiveWindow(&Form());
        v.fileGrid()->setFocus();
        QCOMPARE(QApplication::activeWindow(), static_cast<QWidget*>(&Form()));
        // The current cell's column stays when Find moves to a row.
        v.fileGrid()->setCurrentIndex(v.fileModel()->index(3, 2));
        QString problems;
        auto done = OnNextModal<TFindForm>([&problems](TFindForm* f) {
            NOTE_CHECK(f->ChoiceCount() == 8);  // All, position, code, the five user columns
            NOTE_CHECK(f->CheckedChoice() == 0);
            QTest::keyClicks(f->TextBox()->lineEdit(), "Eva");
            f->CheckChoice(4);  // User 1
            f->resize(f->sizeHint());
            Shot(f, "find-window.png");
            QTest::keyClick(f->TextBox()->lineEdit(), Qt::Key_Return);
        });
        Key(Qt::Key_F, Qt::ControlModifier);
        QVERIFY(WaitFor([&] { return *done; }));
        QVERIFY2(problems.isEmpty(), qPrintable(problems));
        QCOMPARE(v.SelectedFilePosition(), 57);
        QCOMPARE(UserCell(v.fileGrid()->currentIndex().row()),
                 QStringLiteral("Eva Svobodov\u00e1"));
        QCOMPARE(v.fileGrid()->currentIndex().column(), 2);
        QCOMPARE(v.fileGrid()->selectionModel()->selectedRows().size(), 1);
        if (!ShotFolder().isEmpty()) Form().grab().save(ShotFolder() + "/find-result.png");

        // Ctrl+N finds the next holder, F3 as well; after the last one the message, and
        // the next search starts at the top.
        Key(Qt::Key_N, Qt::ControlModifier);
        QCOMPARE(v.SelectedFilePosition(), 98);
        QVERIFY(shown.empty());
        Key(Qt::Key_F3);
        QCOMPARE(shown.size(), size_t(1));
        QCOMPARE(shown[0].textId, Text::NoFurtherMatch);
        QCOMPARE(v.SelectedFilePosition(), 98);
        Key(Qt::Key_F3);
        QCOMPARE(v.SelectedFilePosition(), 57);

        // A header press (a new order) starts the File view's search at the top again:
        // descending by position, the holder at 98 comes first.
        QHeaderView* h = v.fileGrid()->horizontalHeader();
        const int position = v.fileView().layout.IndexOf(kind::Position);
        const QPoint p(h->sectionViewportPosition(position) + h->sectionSize(position) / 2,
                       h->height() / 2);
        QTest::mouseClick(h->viewport(), Qt::LeftButton, {}, p);
        QVERIFY(WaitFor([&] { return v.fileModel()->CellText(0, position) == "120"; }));
        QCOMPARE(v.SelectedFilePosition(), 57);  // the selected record stays selected
        Key(Qt::Key_F3);
        QCOMPARE(v.SelectedFilePosition(), 98);
        QCOMPARE(desktop->viewCommands().findForm().TextBox()->count(), 1);  // the history
        QTest::mouseClick(h->viewport(), Qt::LeftButton, {}, p);             // back to ascending
        QVERIFY(WaitFor([&] { return v.fileModel()->CellText(0, position) == "1"; }));
    }

    void exportTheFileViewAndReadItBack() {
        const QString sheet = dir.filePath("holders-list.xls");
        QString problems;
        auto done = OnNextModal<QFileDialog>([&](QFileDialog* d) {
            NOTE_CHECK(d->defaultSuffix() == QStringLiteral("xls"));
            NOTE_CHECK(d->nameFilters().value(0) == QStringLiteral("Excel files (*.xls)"));
            QTest::qWait(100);  // the dialog applies its first selection once it read the folder
            auto* name = d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            NOTE_CHECK(name != nullptr);
            // The default name is the document's with the extension "xls".
            if (name) {
                NOTE_CHECK(name->text() == QStringLiteral("Holders.xls"));
                name->setText(sheet);
            }
            static_cast<QDialog*>(d)->accept();
        });
        Form().Action("MenuExport")->trigger();
        QVERIFY(WaitFor([&] { return *done; }));
        QVERIFY2(problems.isEmpty(), qPrintable(problems));
        QFile f(sheet);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray written = f.readAll();

        // What the core writes for the File view as shown, in UTF-8 (the default setting).
        TCore& c = desktop->core();
        const TFileViewRows rows(Views().fileView(), c.table, c.texts(), c.settings.UserTitles);
        TFreeExcelS expected("unused", TSylkEncoding::Utf8);
        WriteViewCells(rows, expected);
        QCOMPARE(written, QByteArray::fromStdString(expected.Content()));
        QVERIFY(written.contains("C;Y58;X2;K\"Eva Svobodov\xc3\xa1\""));
        QVERIFY(written.contains("C;Y2;X6;K1.00000000000000E+000"));  // the position, a number

        // The Windows-1252 setting writes the letters as single bytes.
        c.settings.ExportEncoding = "Windows-1252";
        const QString ansi = dir.filePath("holders-ansi.xls");
        done = OnNextModal<QFileDialog>([&](QFileDialog* d) {
            QTest::qWait(100);
            if (auto* name = d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
                name->setText(ansi);
            static_cast<QDialog*>(d)->accept();
        });
        QVERIFY(desktop->viewCommands().MenuExportClick());
        c.settings.ExportEncoding = "UTF-8";
        QFile a(ansi);
        QVERIFY(a.open(QIODevice::ReadOnly));
        QVERIFY(a.readAll().contains("C;Y58;X2;K\"Eva Svobodov\xe1\""));
        QVERIFY(shown.size() == 1);  // no further message
    }

    // The exported sheet in LibreOffice Calc: every cell in its place, the position as a
    // number, the names with their letters. Skipped where LibreOffice is not installed.
    void exportedSheetInLibreOffice() {
        if (!HaveProgram("libreoffice")) QSKIP("LibreOffice is not installed");
        const QString sheet = dir.filePath("holders-list.xls");
        QVERIFY(QFile::exists(sheet));
        const QString profile = "-env:UserInstallation=file://" + dir.filePath("lo-profile");
        QVERIFY(RunProgram("libreoffice", {profile, "--headless", "--convert-to",
                                           "csv:Text - txt - csv (StarCalc):44,34,76", "--outdir",
                                           dir.filePath("lo"), sheet}));
        QFile csv(dir.filePath("lo/holders-list.csv"));
        QVERIFY(csv.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(csv.readAll()).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), kRecords + 1);
        const TViewsController& v = desktop->views();
        const QStringList header = lines[0].trimmed().split(',');
        QCOMPARE(header.value(1), v.fileModel()->Headers().value(1));
        QCOMPARE(header.value(5), v.fileModel()->Headers().value(5));
        const QStringList row57 = lines[57].trimmed().split(',');
        QCOMPARE(row57.value(1), QStringLiteral("Eva Svobodov\u00e1"));
        QCOMPARE(row57.value(5), QStringLiteral("57"));
        QCOMPARE(row57.value(6), v.fileModel()->CellText(56, 6));
        if (!ShotFolder().isEmpty()) {
            // The sheet as LibreOffice shows it, as a picture.
            QVERIFY(RunProgram("libreoffice", {profile, "--headless", "--convert-to", "pdf",
                                               "--outdir", dir.filePath("lo"), sheet}));
            QVERIFY(RunProgram("pdftoppm", {"-png", "-r", "70", "-f", "1", "-l", "1",
                                            dir.filePath("lo/holders-list.pdf"),
                                            ShotFolder() + "/exported-sheet-libreoffice"}));
        }
    }

    void printTheFileViewToPdf() {
        const QString pdf = dir.filePath("holders.pdf");
        QPrinter& printer = desktop->viewCommands().printer();
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        QString problems;
        auto done = OnNextModal<QPrintDialog>([&](QPrintDialog* d) {
            if (!ShotFolder().isEmpty()) d->grab().save(ShotFolder() + "/print-dialog.png");
            d->accept();
        });
        Form().Action("MenuPrint")->trigger();
        QVERIFY(WaitFor([&] { return *done; }));
        QVERIFY(QFile::exists(pdf));
        QCOMPARE(printer.docName(), QStringLiteral("RAVLIN"));
        if (!HaveProgram("pdftotext")) QSKIP("pdftotext is not installed");
        QVERIFY(RunProgram("pdftotext", {"-layout", pdf, dir.filePath("holders.txt")}));
        QFile txt(dir.filePath("holders.txt"));
        QVERIFY(txt.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(txt.readAll());
        QStringList pages = text.split('\f');
        while (!pages.isEmpty() && pages.last().trimmed().isEmpty()) pages.removeLast();
        QVERIFY2(pages.size() >= 2, qPrintable(QString::number(pages.size())));  // 120 rows
        // Every page starts with the header row; every holder is printed once.
        const QStringList headers = Views().fileModel()->Headers();
        for (int p = 0; p < pages.size(); ++p) {
            const QString first = pages[p].trimmed().section('\n', 0, 0);
            QVERIFY2(first.contains(headers[5]),
                     qPrintable(QString("page %1: %2").arg(p + 1).arg(first)));
            QVERIFY2(first.contains(headers[6]), qPrintable(QString("page %1").arg(p + 1)));
            QVERIFY2(!first.contains("Holder"), qPrintable(QString("page %1").arg(p + 1)));
        }
        // Every record once, by its code (a user text too wide for its column ends in "...").
        const auto* model = Views().fileModel();
        for (int row = 0; row < kRecords; ++row) {
            const QString code = model->CellText(row, 6);
            const QRegularExpression word("\\b" + QRegularExpression::escape(code) + "\\b");
            QVERIFY2(text.count(word) == 1, qPrintable(code));
        }
        QVERIFY(text.contains(QString::fromUtf8("Holder\u2026")));
    }

    void printPreviewShowsThePages() {
        bool painted = false;
        auto done = OnNextModal<QPrintPreviewDialog>([&](QPrintPreviewDialog* p) {
            p->resize(1000, 760);
            QTest::qWait(300);
            painted = p->findChildren<QWidget*>().size() > 3;
            Shot(p, "print-preview.png");
            p->reject();
        });
        QVERIFY(desktop->viewCommands().MenuPrintPreviewClick());
        QVERIFY(*done);
        QVERIFY(painted);
        QVERIFY(Form().Action("MenuPrintPreview")->isEnabled());
    }

    // The History page's controller registers its grid: Find, Export and Print reach it.
    void aRegisteredPageIsFoundExportedAndPrinted() {
        TCore& c = desktop->core();
        const QString home = dir.path() + "/home";
        QFile file(home + "/History.dat");
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(
            "1ABCDE0#5#15.03.2008 14:30:00#1#7#Anna#Flat 3###\r\n"
            "0012345#3#16.03.2008 08:00:00#0#12#Bert#Flat 12###\r\n");
        file.close();
        THistory history((home + "/History.dat").toStdString(), c.texts(), c.ui);
        QVERIFY(history.Load());
        const auto columns = HistoryColumns(kAllUserFields);
        auto* grid = new QTableView;
        auto* model = new QStandardItemModel(static_cast<int>(history.Items().size()),
                                             static_cast<int>(columns.size()), grid);
        for (size_t r = 0; r < history.Items().size(); ++r)
            for (size_t col = 0; col < columns.size(); ++col)
                model->setItem(static_cast<int>(r), static_cast<int>(col),
                               new QStandardItem(QString::fromStdString(
                                   HistoryCell(history.Items()[r], columns[col], c.texts()))));
        grid->setModel(model);
        Form().Page(TPage::History)->layout()->addWidget(grid);
        Views().RegisterPage(TPage::History, std::make_unique<TGridPageRows>(grid, [&] {
                                 return std::make_unique<THistoryRows>(
                                     history.Items(), columns, c.texts(), c.settings.UserTitles);
                             }));
        Form().SetPageVisible(TPage::History, true);
        Form().ShowPage(TPage::History);
        QVERIFY(WaitFor([&] { return grid->isVisible(); }));

        QString problems;
        auto done = OnNextModal<TFindForm>([&problems](TFindForm* f) {
            NOTE_CHECK(f->ChoiceCount() == 8);
            f->TextBox()->setEditText(QStringLiteral("Bert"));
            f->OkButton()->click();
        });
        QVERIFY(desktop->viewCommands().MenuFindClick());
        QVERIFY(*done);
        QVERIFY2(problems.isEmpty(), qPrintable(problems));
        QCOMPARE(grid->currentIndex().row(), 1);

        const QString sheet = dir.filePath("history.xls");
        done = OnNextModal<QFileDialog>([&](QFileDialog* d) {
            QTest::qWait(100);
            auto* name = d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            NOTE_CHECK(name && name->text() == QStringLiteral("History.xls"));
            if (name) name->setText(sheet);
            static_cast<QDialog*>(d)->accept();
        });
        QVERIFY(desktop->viewCommands().MenuExportClick());
        QVERIFY2(problems.isEmpty(), qPrintable(problems));
        QFile f(sheet);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray data = f.readAll();
        QVERIFY(data.contains("F;P27;FG0R;SM5;Y2;X3 \r\nC;Y2;X3;K3.95226041666667E+004"));
        QVERIFY(data.contains("C;Y3;X6;K\"Bert\""));

        Form().ShowPage(TPage::File);
        Form().SetPageVisible(TPage::History, false);
        Views().RegisterPage(TPage::History, nullptr);  // the history here ends with the test
    }

    void cleanupTestCase() {
        desktop->form().close();
        desktop.reset();
    }
};

QTEST_MAIN(ViewsCommandsTest)
#include "views_commands.moc"
