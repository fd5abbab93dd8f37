#include "views/Export.h"

#include <algorithm>
#include <cctype>

#include "base/AtomicFile.h"

namespace ravlin {

namespace {

constexpr const char* kSetupSection = "Setup";

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

void WriteDataCell(const TViewRows& rows, TFreeExcelS& writer, int row, int column) {
    const int y = row + 1;
    const int x = column + 1;
    switch (rows.ExportAs(column)) {
        case TExportAs::Number: {
            long long value = 0;
            const std::string text = rows.Cell(row, column);
            if (ParseCellInteger(text, value))
                writer.WriteNumber(y, x, static_cast<double>(value));
            else
                writer.WriteText(y, x, text);
            return;
        }
        case TExportAs::DateTime:
            if (auto when = rows.DateTimeValue(row, column)) {
                writer.WriteDateTime(y, x, *when);
                return;
            }
            break;
        case TExportAs::Text:
            break;
    }
    writer.WriteText(y, x, rows.Cell(row, column));
}

}  // namespace

void WriteViewCells(const TViewRows& rows, TFreeExcelS& writer) {
    const int p = static_cast<int>(rows.Page());
    if (p < 0 || p >= kSearchablePages) return;
    const int columns = rows.ColumnCount();
    const int last = rows.RowCount();
    writer.Reserve(static_cast<size_t>(last + 1) * static_cast<size_t>(columns));
    for (int c = 0; c < columns; ++c) writer.WriteText(1, c + 1, rows.Header(c));
    for (int r = 1; r <= last; ++r)
        for (int c = 0; c < columns; ++c) WriteDataCell(rows, writer, r, c);
}

bool ExportView(const TViewRows& rows, const std::string& fileName, TSylkEncoding encoding,
                TUserInterface& ui, const TTextTable& texts) {
    TFreeExcelS writer(fileName, encoding);
    WriteViewCells(rows, writer);
    const int error = writer.Finish();
    if (error == 0) return true;
    ui.Error(TMessage::Lang(texts, Text::CannotOpen,
                            " - " + fileName + "\r\n" + SystemErrorText(error)));
    return false;
}

TSylkEncoding ReadExportEncoding(const TIniFile& ini) {
    const auto e = ParseSylkEncoding(ini.ReadString(kSetupSection, kExportEncodingKey, "UTF-8"));
    return e.value_or(TSylkEncoding::Utf8);
}

void WriteExportEncoding(TIniFile& ini, TSylkEncoding encoding) {
    ini.WriteString(kSetupSection, kExportEncodingKey,
                    encoding == TSylkEncoding::Utf8 ? "UTF-8" : "Windows-1252");
}

std::optional<TSylkEncoding> ParseSylkEncoding(const std::string& name) {
    const std::string n = Lower(name);
    if (n == "utf8" || n == "utf-8") return TSylkEncoding::Utf8;
    if (n == "cp1252" || n == "windows-1252" || n == "1252") return TSylkEncoding::Windows1252;
    return std::nullopt;
}

}  // namespace ravlin
