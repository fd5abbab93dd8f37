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

#include <string>
#include <vector>

#include "online/Battery.h"
#include "online/History.h"
#include "views/ViewRows.h"

namespace ravlin {

// The rows of a log page; the log's own header and cell texts come with it.
template <class Entries>
class TLogRows : public TViewRows {
  public:
    using TEntry = typename Entries::value_type;
    using TTitleOf = std::string (*)(TLogField, const TTextTable&, const TUserFieldTitles&);
    using TCellOf = std::string (*)(const TEntry&, TLogField, const TTextTable&);

    TLogRows(TViewPage page, const Entries& items, std::vector<TLogField> columns,
             const TTextTable& texts, const TUserFieldTitles& titles, TTitleOf titleOf,
             TCellOf cellOf)
        : page_(page),
          items_(items),
          columns_(std::move(columns)),
          texts_(texts),
          titles_(titles),
          titleOf_(titleOf),
          cellOf_(cellOf) {}

    TViewPage Page() const override { return page_; }
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
    bool IsColumn(int column) const {
        return column >= 0 && column < static_cast<int>(columns_.size());
    }
    bool IsEntry(int row) const { return row >= 1 && row <= static_cast<int>(items_.size()); }

    TViewPage page_;
    const Entries& items_;
    std::vector<TLogField> columns_;
    const TTextTable& texts_;
    const TUserFieldTitles& titles_;
    TTitleOf titleOf_;
    TCellOf cellOf_;
};

extern template class TLogRows<THistoryList>;
extern template class TLogRows<std::vector<TLowBatteryEntry>>;

class THistoryRows : public TLogRows<THistoryList> {
  public:
    THistoryRows(const THistoryList& items, std::vector<THistoryField> columns,
                 const TTextTable& texts, const TUserFieldTitles& titles)
        : TLogRows(TViewPage::History, items, std::move(columns), texts, titles, HistoryTitle,
                   HistoryCell) {}
};

class TBatteryRows : public TLogRows<std::vector<TLowBatteryEntry>> {
  public:
    TBatteryRows(const std::vector<TLowBatteryEntry>& items, std::vector<TBatteryField> columns,
                 const TTextTable& texts, const TUserFieldTitles& titles)
        : TLogRows(TViewPage::Battery, items, std::move(columns), texts, titles, BatteryTitle,
                   BatteryCell) {}
};

// A log time as the spreadsheet's date-time (days since 30 December 1899); none for a
// time that could not be read.
std::optional<double> LogDateTime(TLogTime time);

}  // namespace ravlin
