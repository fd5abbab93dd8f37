#include "views/ui/PrintCommands.h"

#include <QFileDialog>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>

#include "base/ui/Text.h"
#include "views/Export.h"
#include "views/PrintLayout.h"
#include "views/print/QtPrint.h"

namespace ravlin {

void PreparePrinter(QPrinter& printer) {
    printer.setDocName(QString::fromLatin1(kPrintJobName));
    printer.setFullPage(true);  // the printout keeps its own margins
}

bool PrintOnPrinter(const TViewRows& rows, QPrinter& printer) {
    // The layout's lengths are device pixels: a PDF file gets the resolution of the
    // command-line tool's PDF output rather than Qt's 1200 dpi.
    if (printer.outputFormat() == QPrinter::PdfFormat)
        printer.setResolution(TPdfOptions{}.resolution);
    QPainter painter;
    if (!painter.begin(&printer)) return false;
    const int sheets = PaintView(rows, painter, printer);
    return painter.end() && sheets > 0;
}

bool MenuPrintClick(QWidget* parent, const TViewRows& rows, TUserInterface& ui) {
    QPrinter printer(QPrinter::HighResolution);
    return MenuPrintClick(parent, rows, printer, ui);
}

namespace {

// Columns too many for the page's width continue on further sheets; landscape is offered
// (chosen in the dialog) when it needs fewer.
void OfferLandscape(const TViewRows& rows, QPrinter& printer) {
    if (printer.pageLayout().orientation() == QPageLayout::Landscape) return;
    const int portrait = ColumnBands(rows, printer);
    if (portrait <= 1) return;
    printer.setPageOrientation(QPageLayout::Landscape);
    if (ColumnBands(rows, printer) >= portrait) printer.setPageOrientation(QPageLayout::Portrait);
}

}  // namespace

bool MenuPrintClick(QWidget* parent, const TViewRows& rows, QPrinter& printer, TUserInterface& ui) {
    PreparePrinter(printer);
    OfferLandscape(rows, printer);
    QPrintDialog dialog(&printer, parent);
    if (dialog.exec() != QDialog::Accepted) return false;
    if (PrintOnPrinter(rows, printer)) return true;
    ui.Error(TMessage::Fixed("Printing failed - " + ToCoreLossy(printer.printerName())));
    return false;
}

void ShowPrintPreview(QWidget* parent, const TViewRows& rows) {
    QPrinter printer(QPrinter::HighResolution);
    ShowPrintPreview(parent, rows, printer);
}

void ShowPrintPreview(QWidget* parent, const TViewRows& rows, QPrinter& printer) {
    PreparePrinter(printer);
    OfferLandscape(rows, printer);
    QPrintPreviewDialog preview(&printer, parent);
    QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview,
                     [&rows](QPrinter* p) { PrintOnPrinter(rows, *p); });
    preview.exec();
}

QStringList ExportFilters() {
    return {QStringLiteral("Excel files (*.xls)"), QStringLiteral("SYLK files (*.slk)"),
            QStringLiteral("All files (*)")};
}

bool MenuExportClick(QWidget* parent, const TViewRows& rows, const QString& defaultName,
                     TSylkEncoding encoding, TUserInterface& ui, const TTextTable& texts) {
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(ExportFilters());
    dialog.setDefaultSuffix(QStringLiteral("xls"));
    dialog.selectFile(defaultName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
    return ExportView(rows, CorePath(dialog.selectedFiles().first()), encoding, ui, texts);
}

}  // namespace ravlin
