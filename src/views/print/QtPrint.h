#pragma once
// Printing with Qt's painter (Qt GUI only, no widgets): the print layout of the core drawn
// on any paged paint device, a printer or a PDF writer. The command-line tool uses the PDF
// output without a display.

#include <memory>
#include <string>

#include "views/ViewRows.h"

class QPainter;
class QPagedPaintDevice;

namespace ravlin {

// Prints `rows` on `device` with `painter` already begun on it. Returns the sheets
// printed, 0 when the device failed to start a new sheet.
int PaintView(const TViewRows& rows, QPainter& painter, QPagedPaintDevice& device);
// How many sheets across the columns of `rows` need on `device` as it is set up (1: they
// fit the width); the rest continue on further sheets.
int ColumnBands(const TViewRows& rows, QPagedPaintDevice& device);

struct TPdfOptions {
    std::string pageSize = "A4";  // A4, A3, A5, Letter, Legal, ...
    int resolution = 600;         // dots per inch
    bool landscape = false;
};

// A page size name as TPdfOptions::pageSize takes it; false when unknown.
bool IsKnownPageSize(const std::string& name);

// ColumnBands on the PDF pages of `options`; 0 for an unknown page size.
int PdfColumnBands(const TViewRows& rows, const TPdfOptions& options);

// Writes the printout as a PDF file, replaced only when complete. Returns the sheets
// written, or 0 with `error` set. Needs a Qt GUI application (TPaintingApplication).
int PrintViewToPdf(const TViewRows& rows, const std::string& fileName, const TPdfOptions& options,
                   std::string& error);

// A Qt GUI application for painting on the offscreen platform, for a program that has none
// (the command-line tool); does nothing where one exists. Painting needs one for fonts.
class TPaintingApplication {
  public:
    TPaintingApplication();
    ~TPaintingApplication();
    TPaintingApplication(const TPaintingApplication&) = delete;
    TPaintingApplication& operator=(const TPaintingApplication&) = delete;

  private:
    struct TImpl;
    std::unique_ptr<TImpl> impl_;
};

}  // namespace ravlin
