#pragma once
// "Print ..." and "Export ..." of the page shown, with their dialogs: the print dialog
// (which also prints to a PDF file), a print preview, and the export Save dialog.

#include <QString>

#include "base/UserInterface.h"
#include "views/FreeExcelSylk.h"
#include "views/ViewRows.h"

class QPrinter;
class QWidget;

namespace ravlin {

// Sets up a printer for the printout: high resolution, job name "RAVLIN".
void PreparePrinter(QPrinter& printer);
// Prints the page on a printer the user has chosen; false when the printer failed.
bool PrintOnPrinter(const TViewRows& rows, QPrinter& printer);

// "Print ...": the print dialog; when confirmed, the page is printed. False when cancelled
// or when printing failed (the user was told).
bool MenuPrintClick(QWidget* parent, const TViewRows& rows, TUserInterface& ui);
// The same on a printer kept by the caller: the dialog starts with its last choices.
bool MenuPrintClick(QWidget* parent, const TViewRows& rows, QPrinter& printer, TUserInterface& ui);
// The print preview window of the page; its print button prints as "Print ..." does.
void ShowPrintPreview(QWidget* parent, const TViewRows& rows);
void ShowPrintPreview(QWidget* parent, const TViewRows& rows, QPrinter& printer);

// The filters of the export Save dialog, the first one chosen.
QStringList ExportFilters();
// "Export ...": the Save dialog (default extension "xls", asking before an existing file
// is replaced) starting at `defaultName`; then the page is written. False when cancelled
// or when writing failed (the user was told).
bool MenuExportClick(QWidget* parent, const TViewRows& rows, const QString& defaultName,
                     TSylkEncoding encoding, TUserInterface& ui, const TTextTable& texts);

}  // namespace ravlin
