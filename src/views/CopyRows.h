#pragma once
// Copy of selected view rows as tab-separated text: the cells as the view shows them, in
// its column order, so that they paste into a spreadsheet.

#include <string>
#include <vector>

#include "records/Data.h"
#include "views/FileView.h"
#include "views/MemoryView.h"

namespace ravlin {

// Data rows `rows` (0-based, in the given order) of the File view; with `withHeader` the
// column headers come first. Rows outside the view are left out.
std::string FileViewRowsText(const TRecordTable& table, const TFileView& view,
                             const std::vector<int>& rows, bool withHeader = false);
// The same for the Memory view's content.
std::string MemoryViewRowsText(const TMemoryViewContent& content, const std::vector<int>& rows,
                               bool withHeader = false);

}  // namespace ravlin
