#pragma once
// "Export ...": the grid of the page shown as a SYLK spreadsheet, cell by cell as
// displayed, header row included. The columns the page names are written as numbers or
// date-times; a cell that does not hold one is written as text.

#include <optional>
#include <string>

#include "base/IniFile.h"
#include "base/UserInterface.h"
#include "views/FreeExcelSylk.h"
#include "views/ViewRows.h"

namespace ravlin {

// Fills the writer with the page's cells (nothing on the Monitoring page).
void WriteViewCells(const TViewRows& rows, TFreeExcelS& writer);

// Writes the page to `fileName`. A failure is shown as Text::CannotOpen, the file name
// and the system's reason; the previous file then stays as it was.
bool ExportView(const TViewRows& rows, const std::string& fileName, TSylkEncoding encoding,
                TUserInterface& ui, const TTextTable& texts);

// The encoding of exported text: section Setup, key ExportEncoding, "UTF-8" (the default)
// or "Windows-1252".
inline constexpr const char* kExportEncodingKey = "ExportEncoding";
TSylkEncoding ReadExportEncoding(const TIniFile& ini);
void WriteExportEncoding(TIniFile& ini, TSylkEncoding encoding);
// "utf8", "utf-8", "cp1252", "windows-1252", "1252" in any case; nullopt otherwise.
std::optional<TSylkEncoding> ParseSylkEncoding(const std::string& name);

}  // namespace ravlin
