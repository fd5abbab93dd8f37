#include "views/FreeExcelSylk.h"

#include <charconv>
#include <cstdio>
#include <cstdlib>

#include "base/AtomicFile.h"
#include "base/CodePage.h"

namespace ravlin {

namespace {

// {1B} in the pictures below is the escape character of the format's character sequences.
const char* const kHeaderRecords[] = {
    "ID;PWXL;N;E",
    "P;PGeneral",
    "P;P0",
    "P;P0.00",
    "P;P#,##0",
    "P;P#,##0.00",
    "P;P#,##0\\ _K_\x1bNAe;;\\-#,##0\\ _K_\x1bNAe",
    "P;P#,##0\\ _K_\x1bNAe;;[Red]\\-#,##0\\ _K_\x1bNAe",
    "P;P#,##0.00\\ _K_\x1bNAe;;\\-#,##0.00\\ _K_\x1bNAe",
    "P;P#,##0.00\\ _K_\x1bNAe;;[Red]\\-#,##0.00\\ _K_\x1bNAe",
    "P;P#,##0\\ \"$\";;\\-#,##0\\ \"$\"",
    "P;P#,##0\\ \"$\";;[Red]\\-#,##0\\ \"$\"",
    "P;P#,##0.00\\ \"$\";;\\-#,##0.00\\ \"$\"",
    "P;P#,##0.00\\ \"$\";;[Red]\\-#,##0.00\\ \"$\"",
    "P;P0%",
    "P;P0.00%",
    "P;P0.00E+00",
    "P;P##0.0E+0",
    "P;P#\" \"?/?",
    "P;P#\" \"?\?/??",
    "P;Pd/m/yyyy",
    "P;Pd/mmm/yy",
    "P;Pd/mmm",
    "P;Pmmm/yy",
    "P;Ph:mm\\ dop./odp.",
    "P;Ph:mm:ss\\ dop./odp.",
    "P;Ph:mm",
    "P;Ph:mm:ss",
    "P;Pd/m/yyyy\\ h:mm",
    "P;Pmm:ss",
    "P;Pmm:ss.0",
    "P;P@",
    "P;P[h]:mm:ss",
    "P;P_-* #,##0\\ \"$\"_-;;\\-* #,##0\\ \"$\"_-;;_-* \"-\"\\ \"$\"_-;;_-@_-",
    "P;P_-* #,##0\\ _K_\x1bNAe_-;;\\-* #,##0\\ _K_\x1bNAe_-;;_-* \"-\"\\ _K_\x1bNAe_-;;_-@_-",
    "P;P_-* #,##0.00\\ \"$\"_-;;\\-* #,##0.00\\ \"$\"_-;;_-* \"-\"?\?\\ \"$\"_-;;_-@_-",
    ("P;P_-* #,##0.00\\ _K_\x1bNAe_-;;\\-* #,##0.00\\ _K_\x1bNAe_-;;_-* \"-\"?\?\\ "
     "_K_\x1bNAe_-;;_-@_-"),
    "P;FArial CE;M200",
    "P;FArial CE;M200",
    "P;FArial CE;M200",
    "P;FArial CE;M200",
};

// The writer's own font, the first after the header's four: Courier New CE, 10 points
// (in twentieths), colour 9.
constexpr const char* kExtraFonts = "P;ECourier New CE;M200;L9\r\n";
constexpr const char* kFixedRecords =
    "F;P0;DG0G8;M255\r\nB;Y1;X1;D0 0 0 0\r\nO;D;V0;K47;G100 0.001\r\n";
// Every cell: right-aligned, no style, font 5 (the Courier New CE record).
constexpr const char* kAlignment = "FG0R;";
constexpr const char* kStyle = "";
constexpr int kFont = 5;

}  // namespace

const std::string& TFreeExcelS::Header() {
    static const std::string header = [] {
        std::string h;
        for (const char* r : kHeaderRecords) (h += r) += "\r\n";
        return h;
    }();
    return header;
}

TFreeExcelS::TFreeExcelS(std::string fileName, TSylkEncoding encoding)
    : fileName_(std::move(fileName)), encoding_(encoding) {}

namespace {

bool IsControl(char c) {
    const auto b = static_cast<unsigned char>(c);
    return b < 32 || b == 127;
}

void AppendInt(std::string& out, int value) {
    char buffer[16];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, end);
}

bool IsPlainAscii(std::string_view text) {
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

// Nothing to escape: no ";", no control character, no trailing blank.
bool NeedsNoEscape(std::string_view text) {
    if (!text.empty() && static_cast<unsigned char>(text.back()) <= 32) return false;
    for (char c : text)
        if (c == ';' || IsControl(c)) return false;
    return true;
}

}  // namespace

bool TFreeExcelS::Format(int row, int column, int picture) {
    if (row < 1 || column < 1) return false;
    cells_ += "F;P";
    AppendInt(cells_, picture);
    ((((cells_ += ';') += kAlignment) += 'S') += kStyle) += 'M';
    AppendInt(cells_, kFont);
    cells_ += ";Y";
    AppendInt(cells_, row);
    cells_ += ";X";
    AppendInt(cells_, column);
    cells_ += " \r\nC;Y";
    AppendInt(cells_, row);
    cells_ += ";X";
    AppendInt(cells_, column);
    cells_ += ";K";
    return true;
}

bool TFreeExcelS::WriteNumber(int row, int column, double value) {
    if (!Format(row, column, kPictureGeneral)) return false;
    (cells_ += SylkNumber(value)) += "\r\n";
    return true;
}

bool TFreeExcelS::WriteDateTime(int row, int column, double value) {
    if (!Format(row, column, kPictureDateTime)) return false;
    (cells_ += SylkNumber(value)) += "\r\n";
    return true;
}

bool TFreeExcelS::WriteText(int row, int column, std::string_view text) {
    if (!Format(row, column, kPictureGeneral)) return false;
    cells_ += '"';
    const bool utf8 = encoding_ == TSylkEncoding::Utf8;
    if (NeedsNoEscape(text) && (!utf8 || IsPlainAscii(text)))
        cells_ += text;  // the common case, without copies
    else
        cells_ += utf8 ? AnsiToUtf8(SylkText(text)) : SylkText(text);
    cells_ += "\"\r\n";
    return true;
}

std::string TFreeExcelS::Content() const {
    std::string out;
    out.reserve(Header().size() + 128 + cells_.size());
    out += Header();
    out += kExtraFonts;
    out += kFixedRecords;
    // Column widths: the export sets none, so no "F;W" record is written.
    out += cells_;
    out += "E\r\n";
    return out;
}

int TFreeExcelS::Finish() {
    return WriteFileAtomically(fileName_, Content());
}

std::string SylkNumber(double value) {
    char buffer[48];
    auto [end, ec] =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, 14);
    if (ec != std::errc()) return "0.00000000000000E+000";
    // d.dddddddddddddde+XX: the exponent gets at least three digits and a capital E.
    const std::string_view s(buffer, end - buffer);
    const size_t e = s.find('e');
    if (e == std::string_view::npos) return std::string(s);  // inf, nan: never from a view
    std::string out(s.substr(0, e));
    out += 'E';
    out += s[e + 1];
    const std::string_view digits = s.substr(e + 2);
    out.append(digits.size() < 3 ? 3 - digits.size() : 0, '0');
    out += digits;
    return out;
}

std::string SylkText(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 8);
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == ';') {
            out += ";;";
        } else if (c == '\r' || c == '\n') {
            out += "\x1b :";
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else if (IsControl(c)) {
            out += ' ';
        } else {
            out += c;
        }
    }
    for (;;) {
        while (!out.empty() && static_cast<unsigned char>(out.back()) <= 32) out.pop_back();
        if (out.size() >= 3 && out.compare(out.size() - 3, 3, "\x1b :") == 0)
            out.resize(out.size() - 3);
        else
            break;
    }
    return out;
}

}  // namespace ravlin
