#pragma once
// "Print ...": the grid of the page shown as a plain table. The header row in bold, then
// every data row in normal type, column by column as displayed, continued over as many
// sheets as needed with the header row repeated at the top of every sheet. No title, page
// number or frame; the job is named "RAVLIN".
//
// The fixed lengths below are given for a printer of kPrintReferenceDpi and scaled to the
// device's resolution, so the printout looks the same on any printer; text is measured
// on the device. A column is as wide as its widest text within its page's rules; a text
// still too wide is shortened with "..." (the code page's ellipsis), never silently cut.
// The margins keep inside the printer's printable area, and a row goes to the next sheet
// when its bottom would pass the bottom margin. Columns that do not fit the width continue
// on further sheets ("bands"): each sheet of rows is printed band after band, every band
// with its part of the header row.
//
// The layout is computed here over an abstract canvas, so the same code drives a printer,
// a print preview, a PDF file and the tests' recording canvas.

#include <string>
#include <vector>

#include "views/ViewRows.h"

namespace ravlin {

inline constexpr const char* kPrintJobName = "RAVLIN";
inline constexpr const char* kPrintFontName = "Times New Roman";
inline constexpr int kPrintFontPoints = 10;
// The resolution the fixed lengths of the printout (and the print rules of the pages) are
// given for.
inline constexpr int kPrintReferenceDpi = 300;
// "..." of the code page: what a shortened text ends with.
inline constexpr char kEllipsis = '\x85';

// A rectangle of the paper in device pixels, edges included from `left`/`top` up to
// `right`/`bottom` (exclusive).
struct TPrintArea {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

// What printing needs of a printer: the paper and what of it can be printed on, the
// resolution, a font in two weights (set up by the canvas: kPrintFontName,
// kPrintFontPoints, black), text measuring and text drawing. Texts are the core's
// Windows-1252 bytes.
class TPrintCanvas {
  public:
    virtual ~TPrintCanvas() = default;
    // The paper, in device pixels.
    virtual int PageWidth() const = 0;
    virtual int PageHeight() const = 0;
    // Dots per inch of the device.
    virtual int Resolution() const { return kPrintReferenceDpi; }
    // The part of the paper the printer prints on; the whole paper by default.
    virtual TPrintArea PrintableArea() const { return {0, 0, PageWidth(), PageHeight()}; }
    virtual void SetBold(bool bold) = 0;
    virtual int TextWidth(const std::string& text) = 0;
    // How many characters from the start of `text` fit `width`; by default found with
    // TextWidth, a canvas may know it faster.
    virtual size_t FittingLength(const std::string& text, int width);
    virtual int TextHeight(const std::string& text) = 0;
    // Draws `text` from (x, y) in the cell (x, y) - (x + width, y + height); the layout
    // gives only texts that fit the width.
    virtual void DrawText(int x, int y, int width, int height, const std::string& text) = 0;
    // Ends the sheet and starts the next one; false when the printer failed.
    virtual bool NewPage() = 0;
};

// Fixed lengths of the printout at kPrintReferenceDpi.
struct TPrintMetrics {
    static constexpr int kLeft = 150;  // first column; also the right margin
    static constexpr int kColumnGap = 40;
    static constexpr int kTop = 100;  // first row; also the bottom margin
    static constexpr int kRowGap = 10;
    static constexpr int kFlexibleReserve = 320;  // kept free, or the gaps if they are more
    static constexpr int kFlexibleMax = 600;
    static constexpr int kFlexibleMin = 100;  // a flexible column: at least this and its header
};

struct TPrintColumn {
    int x = 0;       // left edge on its band's sheets
    int width = 0;   // room for the text
    int height = 0;  // of the header text
    int band = 0;    // which of the sheets across holds it (0: the first)
};

// The whole layout: the columns, how many sheets across they need, the margins and rows.
struct TPrintLayout {
    std::vector<TPrintColumn> columns;
    int bands = 1;
    int left = 0, right = 0, top = 0, bottom = 0;  // the margins' edges on the paper
    int rowHeight = 0;                             // of every row (the header's text height)
    int rowStep = 0;                               // row height and gap
    int rowsPerSheet = 1;                          // data rows below the header on a sheet
};

// Column geometry: widths of header and texts adjusted by the page's rules, flexible
// columns sharing what the page width leaves, x from left to right over the bands.
TPrintLayout LayOutPrint(const TViewRows& rows, TPrintCanvas& canvas);
std::vector<TPrintColumn> PrintColumns(const TViewRows& rows, TPrintCanvas& canvas);

// `text` as it fits `width` in the canvas's current weight: whole, or shortened to the
// longest beginning that fits with kEllipsis after it (the ellipsis alone if nothing else
// fits, or nothing when not even that does).
std::string FitText(const std::string& text, int width, TPrintCanvas& canvas);

// Prints every row. Returns the number of sheets printed, 0 when the printer failed.
// The Monitoring page prints an empty sheet.
int PrintView(const TViewRows& rows, TPrintCanvas& canvas);

}  // namespace ravlin
