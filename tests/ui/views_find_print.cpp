// The Find window, printing and the export dialog of the views, offscreen. With
// RAVLIN_SHOTS=folder the windows are also saved there as pictures.

#include <QComboBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QLineEdit>
#include <QPdfWriter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

#include "GuiSupport.h"
#include "RecordingUi.h"
#include "base/CodePage.h"
#include "views/FreeExcelSylk.h"
#include "views/ViewPages.h"
#include "views/print/QtPrint.h"
#include "views/ui/FindForm.h"
#include "views/ui/PrintCommands.h"

namespace ravlin::test {

namespace {

TData Rec(int position, const char* serial, int userId, const char* user1) {
    TData r;
    r.Position = position;
    r.Empty = false;
    r.CodePrefix = "B2";
    r.Serial = serial;
    r.Button = "1";
    r.UserID = userId;
    r.User1 = user1;
    return r;
}

// Checks inside a modal window's callback must not leave the window open: they note what
// failed, and the test checks the notes once the window is closed.
#define NOTE_CHECK(cond) \
    if (!(cond)) problems += QStringLiteral(#cond "; ")

void Shot(QWidget* w, const char* name) {
    const QByteArray dir = qgetenv("RAVLIN_SHOTS");
    if (!dir.isEmpty()) w->grab().save(QString::fromLocal8Bit(dir) + "/" + name);
}

}  // namespace

class ViewsFindPrintTest : public QObject {
    Q_OBJECT
  public:
    ViewsFindPrintTest() {
        texts = TTextTable(300);
        for (size_t i = 0; i < texts.size(); ++i) texts[i] = "T" + std::to_string(i);
        SetText(texts, Text::FindCaption, "Find");
        SetText(texts, Text::FindLabel, "Find :");
        SetText(texts, Text::FindColumn, "Column");
        SetText(texts, Text::FindAll, "All");
        SetText(texts, Text::NoFurtherMatch, "No further match found.");
        SetText(texts, Text::PositionColumn, "Position");
        SetText(texts, Text::SerialColumn, "Serial No.");
        table = {Rec(1, "00012", 5, "Anna"), Rec(2, "000AB", 120, "M\xfcller"),
                 Rec(3, "00777", 7, "Bert 12")};
        view.layout =
            BuildColumnLayout(ParseLayoutList(DefaultLayoutList(TLayoutFamily::Single)), 13);
        view.sort = {-1, true};
        TCellTexts cells;
        cells.outputs = 0;
        view.Refresh(table, texts, titles, cells);
    }

  private slots:
    void findWindowChoicesHistoryAndSearch() {
        QString problems;
        TRecordingUi ui;
        TFindForm form(texts, ui);
        const TFileViewRows rows(view, table, texts, titles);
        // Find: type "12", keep "All", confirm with Enter.
        auto done = OnNextModal<TFindForm>([&problems](TFindForm* f) {
            NOTE_CHECK((f->windowTitle()) == (QStringLiteral("Find")));
            NOTE_CHECK((f->ChoiceCount()) == (8));
            NOTE_CHECK((f->CheckedChoice()) == (0));
            NOTE_CHECK(f->focusWidget() == f->TextBox()->lineEdit() ||
                       f->focusWidget() == f->TextBox());
            QTest::keyClicks(f->TextBox()->lineEdit(), "12");
            Shot(f, "find-window.png");
            QTest::keyClick(f->TextBox()->lineEdit(), Qt::Key_Return);
        });
        QCOMPARE(MenuFindClick(form, rows, ui, texts), 1);  // B200012
        QVERIFY(*done);
        QVERIFY2(problems.isEmpty(), qPrintable(problems));
        QCOMPARE(FindNextClick(form, rows, ui, texts), 2);  // user number 120
        QCOMPARE(FindNextClick(form, rows, ui, texts), 3);  // Bert 12
        QCOMPARE(FindNextClick(form, rows, ui, texts), 0);
        QCOMPARE(ui.messages.size(), size_t(1));
        QCOMPARE(ui.messages[0].message.textId, Text::NoFurtherMatch);
        QCOMPARE(FindNextClick(form, rows, ui, texts), 1);

        // Find again on the User 1 column; an empty text closes as cancelled.
        done = OnNextModal<TFindForm>([&problems](TFindForm* f) {
            NOTE_CHECK((f->CheckedChoice()) == (0));  // every showing starts at "All"
            f->TextBox()->setEditText(QStringLiteral("M\u00fcller"));
            f->CheckChoice(4);
            f->OkButton()->click();
        });
        QCOMPARE(MenuFindClick(form, rows, ui, texts), 2);
        QCOMPARE(form.State().SearchText(), std::string("M\xfcller"));
        QCOMPARE(form.State().ColumnChoice(), 4);
        done = OnNextModal<TFindForm>([&problems](TFindForm* f) {
            f->TextBox()->setEditText(QString());
            f->OkButton()->click();
        });
        QCOMPARE(MenuFindClick(form, rows, ui, texts), 0);
        QCOMPARE(form.State().SearchText(), std::string("M\xfcller"));
        // Esc cancels; the history holds every confirmed text.
        done = OnNextModal<TFindForm>([&problems](TFindForm* f) {
            f->TextBox()->setEditText(QStringLiteral("12"));
            QTest::keyClick(f->TextBox()->lineEdit(), Qt::Key_Escape);
        });
        QCOMPARE(MenuFindClick(form, rows, ui, texts), 0);
        QCOMPARE(form.TextBox()->count(), 2);
        QCOMPARE(form.TextBox()->itemText(1), QStringLiteral("M\u00fcller"));
        QCOMPARE(form.State().History().size(), size_t(2));

        // A character the code page has no place for is refused where it is typed.
        ui.messages.clear();
        done = OnNextModal<TFindForm>([&problems](TFindForm* f) {
            f->TextBox()->setEditText(QStringLiteral("\u0158"));
            f->OkButton()->click();
            NOTE_CHECK(f->isVisible());
            f->reject();
        });
        QCOMPARE(MenuFindClick(form, rows, ui, texts), 0);
        QCOMPARE(ui.messages.size(), size_t(1));

        // The Memory view offers three choices.
        TMemoryViewContent memory;
        memory.headers = {"Position", "Serial No.", "Button"};
        memory.rows = {{0, {"1", "B200012", "1"}}};
        const TMemoryViewRows memoryRows(memory, texts);
        form.SetChoices(TFindState::ChoiceItems(memoryRows, texts));
        QCOMPARE(form.ChoiceCount(), 3);
    }

    // The print path of the desktop program on a PDF printer: every record and the header.
    void printOnAPrinterAndPreview() {
        QString problems;
        QTemporaryDir dir;
        const TFileViewRows rows(view, table, texts, titles);
        QPrinter printer(QPrinter::HighResolution);
        PreparePrinter(printer);
        QCOMPARE(printer.docName(), QStringLiteral("RAVLIN"));
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(dir.filePath("out.pdf"));
        QVERIFY(PrintOnPrinter(rows, printer));
        QFile pdf(dir.filePath("out.pdf"));
        QVERIFY(pdf.open(QIODevice::ReadOnly));
        QVERIFY(pdf.readAll().startsWith("%PDF"));

        auto done = OnNextModal<QPrintPreviewDialog>([&problems](QPrintPreviewDialog* p) {
            p->resize(900, 700);
            QTest::qWait(200);
            Shot(p, "print-preview.png");
            p->reject();
        });
        ShowPrintPreview(nullptr, rows);
        QVERIFY(*done);
        QVERIFY2(problems.isEmpty(), qPrintable(problems));
    }

    // Columns too wide for portrait sheets continue on further sheets; when landscape
    // sheets hold them all, the print preview (and the print dialog) offers landscape.
    void landscapeIsOfferedWhenTheColumnsNeedIt() {
        TTextRows wide;
        wide.page = TViewPage::History;
        for (int c = 0; c < 7; ++c) wide.headers.push_back("A long heading " + std::to_string(c));
        wide.rows = {std::vector<std::string>(7, "x")};
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setPageSize(QPageSize(QPageSize::A4));
        QVERIFY(ColumnBands(wide, printer) > 1);
        QPageLayout::Orientation offered = QPageLayout::Portrait;
        auto done = OnNextModal<QPrintPreviewDialog>([&](QPrintPreviewDialog* p) {
            offered = printer.pageLayout().orientation();
            p->reject();
        });
        ShowPrintPreview(nullptr, wide, printer);
        QVERIFY(*done);
        QCOMPARE(offered, QPageLayout::Landscape);
        QCOMPARE(ColumnBands(wide, printer), 1);

        // Columns that fit a portrait sheet leave it as it is.
        QPrinter narrow(QPrinter::HighResolution);
        narrow.setOutputFormat(QPrinter::PdfFormat);
        TTextRows rows;
        rows.page = TViewPage::Battery;
        rows.headers = {"Code", "Time"};
        rows.rows = {{"B212345", "01.02.2024"}};
        done = OnNextModal<QPrintPreviewDialog>([&](QPrintPreviewDialog* p) {
            offered = narrow.pageLayout().orientation();
            p->reject();
        });
        ShowPrintPreview(nullptr, rows, narrow);
        QVERIFY(*done);
        QCOMPARE(offered, QPageLayout::Portrait);
    }

    void exportDialogWritesTheSheet() {
        QString problems;
        QTemporaryDir dir;
        TRecordingUi ui;
        const TFileViewRows rows(view, table, texts, titles);
        QCOMPARE(ExportFilters().first(), QStringLiteral("Excel files (*.xls)"));
        auto done = OnNextModal<QFileDialog>([&dir, &problems](QFileDialog* d) {
            NOTE_CHECK((d->defaultSuffix()) == (QStringLiteral("xls")));
            // The name typed into the dialog's file name box, after the dialog has read the
            // folder (it applies its first selection then).
            QTest::qWait(100);
            auto* name = d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            NOTE_CHECK(name != nullptr);
            if (name) name->setText(QStringLiteral("list"));
            static_cast<QDialog*>(d)->accept();
        });
        QVERIFY(MenuExportClick(nullptr, rows, dir.filePath("Demo.xls"), TSylkEncoding::Utf8, ui,
                                texts));
        QVERIFY(*done);
        QVERIFY2(problems.isEmpty(), qPrintable(problems));
        QFile f(dir.filePath("list.xls"));
        QVERIFY2(f.open(QIODevice::ReadOnly), qPrintable(QDir(dir.path()).entryList().join(',')));
        const QByteArray data = f.readAll();
        QCOMPARE(data.left(972), QByteArray::fromStdString(TFreeExcelS::Header()));
        QVERIFY(data.contains("K\"M\xc3\xbcller\""));
        QVERIFY(ui.messages.empty());
    }

  private:
    TTextTable texts;
    TUserTitles titles = {"No.", "Name", "U2", "U3", "U4"};
    TRecordTable table;
    TFileView view;
};

}  // namespace ravlin::test

QTEST_MAIN(ravlin::test::ViewsFindPrintTest)
#include "views_find_print.moc"
