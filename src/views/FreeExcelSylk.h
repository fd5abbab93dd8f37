#pragma once
// TFreeExcelS: a small SYLK writer. Spreadsheet programs open a SYLK file as a worksheet;
// cells are texts, numbers or date-times, each with its own format record.
//
// The cell records are collected in memory and the whole file is written by Finish():
// an existing file is replaced only by a complete new one, and a failed write leaves the
// old file and no temporary file behind.

#include <cstddef>
#include <string>
#include <string_view>

namespace ravlin {

// Text cells are kept as Windows-1252 bytes. Spreadsheet programs on Linux read SYLK text
// in the locale's encoding (UTF-8) and ignore the format's own character escapes; files
// meant for spreadsheets on Windows keep the Windows-1252 bytes.
enum class TSylkEncoding { Utf8, Windows1252 };

class TFreeExcelS {
  public:
    // The fixed header: 41 records, 972 bytes.
    static const std::string& Header();
    // Picture numbers of the header.
    static constexpr int kPictureGeneral = 0;
    static constexpr int kPictureDateTime = 27;  // d/m/yyyy h:mm

    explicit TFreeExcelS(std::string fileName, TSylkEncoding encoding = TSylkEncoding::Utf8);

    // Cells count rows and columns from 1; false (nothing written) for a row or column
    // below 1.
    bool WriteNumber(int row, int column, double value);
    // Days since 30.12.1899, the time of day as the fraction.
    bool WriteDateTime(int row, int column, double value);
    bool WriteText(int row, int column, std::string_view text);

    // Room for `cells` cells ahead of writing them.
    void Reserve(size_t cells) { cells_.reserve(cells * 48); }
    // The whole file as Finish() writes it.
    std::string Content() const;
    // Writes the file. Returns 0, or the errno of the failure.
    int Finish();
    const std::string& FileName() const { return fileName_; }

  private:
    bool Format(int row, int column, int picture);

    std::string fileName_;
    TSylkEncoding encoding_;
    std::string cells_;
};

// A number in the writer's form: one digit before the point, 14 after it, "E", the sign and
// at least three exponent digits ("1.20000000000000E+001"), whatever the locale.
std::string SylkNumber(double value);
// A text cell's text: ";" doubled; a line break (CR LF, or a lone CR or LF) as escape +
// " :", the format's line break; every other control character (a tab, an escape, ...) a
// blank, since a reader takes it for the record's end or an escape of its own; trailing
// blanks and line breaks removed.
std::string SylkText(std::string_view text);

}  // namespace ravlin
