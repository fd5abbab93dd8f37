#pragma once
// The History view and the Battery view as pages for Find, the spreadsheet export and
// printing: the log's entries in list order (the order the page shows), in the page's
// columns. Both read the log at each call; they must not outlive it.
//
// The page rules follow the field a column shows, so that they stay right when user
// fields are hidden: Find offers the time stamp, the transmitter code and the five user
// fields; the time stamp is written as a date-time and the user number as a number; the
// time stamp, the battery state and the user number print at their fixed widths and the
// user texts flexibly wide.

#include <deque>
#include <string>
#include <vector>

#include "online/Battery.h"
#include "online/History.h"
#include "views/ViewRows.h"

namespace ravlin {

class THistoryRows : public TViewRows {
  public:
    THistoryRows(const THistoryList& items, std::vector<THistoryField> columns,
                 const TTextTable& texts, const TUserFieldTitles& titles)
        : items_(items), columns_(std::move(columns)), texts_(texts), titles_(titles) {}

    TViewPage Page() const override { return TViewPage::History; }
    int ColumnCount() const override { return static_cast<int>(columns_.size()); }
    // A log without entries shows one empty row.
    int RowCount() const override;
    std::string Header(int column) const override;
    std::string Cell(int row, int column) const override;
    std::vector<std::string> FindChoices() const override;
    int FindColumn(int item) const override;
    TExportAs ExportAs(int column) const override;
    std::optional<double> DateTimeValue(int row, int column) const override;
    TPrintRule PrintRule(int column) const override;

  private:
    int ColumnOf(THistoryField field) const;

    const THistoryList& items_;
    std::vector<THistoryField> columns_;
    const TTextTable& texts_;
    const TUserFieldTitles& titles_;
};

class TBatteryRows : public TViewRows {
  public:
    TBatteryRows(const std::vector<TLowBatteryEntry>& items, std::vector<TBatteryField> columns,
                 const TTextTable& texts, const TUserFieldTitles& titles)
        : items_(items), columns_(std::move(columns)), texts_(texts), titles_(titles) {}

    TViewPage Page() const override { return TViewPage::Battery; }
    int ColumnCount() const override { return static_cast<int>(columns_.size()); }
    int RowCount() const override;
    std::string Header(int column) const override;
    std::string Cell(int row, int column) const override;
    std::vector<std::string> FindChoices() const override;
    int FindColumn(int item) const override;
    TExportAs ExportAs(int column) const override;
    std::optional<double> DateTimeValue(int row, int column) const override;
    TPrintRule PrintRule(int column) const override;

  private:
    int ColumnOf(TBatteryField field) const;

    const std::vector<TLowBatteryEntry>& items_;
    std::vector<TBatteryField> columns_;
    const TTextTable& texts_;
    const TUserFieldTitles& titles_;
};

// A log time as the spreadsheet's date-time (days since 30 December 1899); none for a
// time that could not be read.
std::optional<double> LogDateTime(TLogTime time);

}  // namespace ravlin
