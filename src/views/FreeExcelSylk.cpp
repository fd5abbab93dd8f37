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
    "P;P_-* #,##0.00\\ _K_\x1bNAe_-;;\\-* #,##0.00\\ _K_\x1bNAe_-;;_-* \"-\"?\?\\ "
    "_K_\x1bNAe_-;;_-@_-",
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

bool TFreeExcelS::Format(int row, int column, int picture) {
    if (row < 1 || column < 1) return false;
    char line[96];
    std::snprintf(line, sizeof line, "F;P%d;%sS%sM%d;Y%d;X%d \r\nC;Y%d;X%d;K", picture, kAlignment,
                  kStyle, kFont, row, column, row, column);
    cells_ += line;
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
    cells_ += encoding_ == TSylkEncoding::Utf8 ? AnsiToUtf8(SylkText(text)) : SylkText(text);
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
    char buffer[64];
    auto [end, ec] =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, 14);
    if (ec != std::errc()) return "0.00000000000000E+000";
    std::string s(buffer, end);  // d.dddddddddddddde+XX
    const size_t e = s.find('e');
    if (e == std::string::npos) return s;  // inf, nan: never from a view
    std::string mantissa = s.substr(0, e);
    char sign = s[e + 1];
    std::string digits = s.substr(e + 2);
    while (digits.size() < 3) digits.insert(digits.begin(), '0');
    return mantissa + "E" + sign + digits;
}

std::string SylkText(std::string_view text) {
    std::string t;
    t.reserve(text.size() + 8);
    for (char c : text) {
        t += c;
        if (c == ';') t += ';';
    }
    std::string out;
    out.reserve(t.size());
    for (size_t i = 0; i < t.size(); ++i) {
        if (t[i] == '\r' && i + 1 < t.size() && t[i + 1] == '\n') {
            out += "\x1b :";
            ++i;
        } else {
            out += t[i];
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
