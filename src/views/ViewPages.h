#pragma once
// The Memory view and the File view as pages for Find, the spreadsheet export and
// printing. Both read the view they wrap at each call; they must not outlive it.

#include "views/FileView.h"
#include "views/MemoryView.h"
#include "views/ViewRows.h"

namespace ravlin {

// The Memory view: Find offers the position and the transmitter code; the position
// column is written as a number; columns 3 and 5 print at least 200 wide.
class TMemoryViewRows : public TViewRows {
  public:
    TMemoryViewRows(const TMemoryViewContent& view, const TTextTable& texts)
        : view_(view), texts_(texts) {}

    TViewPage Page() const override { return TViewPage::Memory; }
    int ColumnCount() const override { return static_cast<int>(view_.headers.size()); }
    int RowCount() const override;
    std::string Header(int column) const override;
    std::string Cell(int row, int column) const override;
    std::vector<std::string> FindChoices() const override;
    int FindColumn(int item) const override;
    TExportAs ExportAs(int column) const override;
    TPrintRule PrintRule(int column) const override;

  private:
    const TMemoryViewContent& view_;
    const TTextTable& texts_;
};

// The File view in its column layout: Find offers the position, the transmitter code and
// the user columns, found by kind wherever they stand; position and user number are
// written as numbers; the user texts print flexibly wide.
class TFileViewRows : public TViewRows {
  public:
    TFileViewRows(const TFileView& view, const TRecordTable& table, const TTextTable& texts,
                  const TUserTitles& titles)
        : view_(view), table_(table), texts_(texts), titles_(titles) {}

    TViewPage Page() const override { return TViewPage::File; }
    int ColumnCount() const override { return static_cast<int>(view_.headers.size()); }
    int RowCount() const override;
    std::string Header(int column) const override;
    // Columns beyond the shown ones give the text of the kind the layout keeps there, so
    // that Find can search a hidden user column.
    std::string Cell(int row, int column) const override;
    std::vector<std::string> FindChoices() const override;
    int FindColumn(int item) const override;
    TExportAs ExportAs(int column) const override;
    TPrintRule PrintRule(int column) const override;

  private:
    const TFileView& view_;
    const TRecordTable& table_;
    const TTextTable& texts_;
    const TUserTitles& titles_;
};

}  // namespace ravlin
