#pragma once
// "Print ...": the grid of the page shown as a plain table. The header row in bold, then
// every data row in normal type, column by column as displayed, continued over as many
// sheets as needed with the header row repeated at the top of every sheet. No title, page
// number or frame; the job is named "RAVLIN".
//
// All lengths are the printer's device pixels: the layout is computed here over an
// abstract canvas, so the same code drives a printer, a print preview, a PDF file and the
// tests' recording canvas.

#include <string>
#include <vector>

#include "views/ViewRows.h"

namespace ravlin {

inline constexpr const char* kPrintJobName = "RAVLIN";
inline constexpr const char* kPrintFontName = "Times New Roman";
inline constexpr int kPrintFontPoints = 10;

// What printing needs of a printer: the page size, a font in two weights (the font is set
// up by the canvas: kPrintFontName, kPrintFontPoints, black), text measuring and clipped
// text drawing. Texts are the core's Windows-1252 bytes.
class TPrintCanvas {
  public:
    virtual ~TPrintCanvas() = default;
    virtual int PageWidth() const = 0;
    virtual int PageHeight() const = 0;
    virtual void SetBold(bool bold) = 0;
    virtual int TextWidth(const std::string& text) = 0;
    virtual int TextHeight(const std::string& text) = 0;
    // Draws `text` from (x, y), clipped to the rectangle (x, y) - (x + width, y + height).
    virtual void DrawText(int x, int y, int width, int height, const std::string& text) = 0;
    // Ends the sheet and starts the next one; false when the printer failed.
    virtual bool NewPage() = 0;
};

// Fixed lengths of the printout.
struct TPrintMetrics {
    static constexpr int kLeft = 150;  // first column; counted again as right margin
    static constexpr int kColumnGap = 40;
    static constexpr int kTop = 100;  // first row; no row starts this far from the bottom
    static constexpr int kRowGap = 10;
    static constexpr int kFlexibleReserve = 320;
    static constexpr int kFlexibleMax = 600;
};

struct TPrintColumn {
    int x = 0;
    int width = 0;
    int height = 0;  // of the header text
};

// Column geometry: header widths in bold adjusted by the page's rules, flexible columns
// sharing what the page width leaves (never below 0), x from left to right.
std::vector<TPrintColumn> PrintColumns(const TViewRows& rows, TPrintCanvas& canvas);

// Prints every row. Returns the number of sheets printed, 0 when the printer failed.
// The Monitoring page prints an empty sheet.
int PrintView(const TViewRows& rows, TPrintCanvas& canvas);

}  // namespace ravlin
