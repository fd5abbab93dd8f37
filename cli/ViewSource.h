#pragma once
// The page a view command (export, print, show) works on: the Memory view or the File view
// of a data file, with the column layout, sort order and user column titles of the
// settings file, or the History view or the Battery view of the logs in the home folder,
// built by the same core code as the desktop program's views.

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "Cli.h"
#include "catalog/Device.h"
#include "catalog/FunctionTable.h"
#include "online/Battery.h"
#include "online/History.h"
#include "records/Data.h"
#include "views/FileView.h"
#include "views/MemoryView.h"
#include "views/ViewRows.h"

namespace ravlin::cli {

// What selects the page: a data file and --view memory|file, or --history / --battery
// (the logs of on-line mode) instead of a data file.
struct TViewChoice {
    std::string dataFile;
    TViewPage page = TViewPage::File;
};

// Takes the view options out of `args` (--view memory|file and the data file, or
// --history, or --battery), leaving the command's other arguments; `valueOptions` are the
// command's options that take a value. `choice.page` comes in as the default view.
// Returns kOk, or kUsage after a usage message.
int ParseViewChoice(std::vector<std::string>& args, const std::vector<std::string>& valueOptions,
                    TViewChoice& choice);

class TViewSource {
  public:
    // Opens the data file and builds the chosen view; false after the error was shown.
    bool Load(TContext& ctx, const TViewChoice& choice);
    const TViewRows& Rows() const { return *rows_; }
    // Rows with a record or log entry behind them (the views show one empty row when
    // there is none).
    int FilledRows() const { return filledRows_; }

  private:
    TDevice device_;
    TRecordTable table_;
    std::string image_;
    std::unique_ptr<TFunctionTable> functionTable_;
    TUserTitles titles_;
    TMemoryViewContent memory_;
    TFileView file_;
    std::unique_ptr<TViewRows> rows_;
    std::unique_ptr<THistory> history_;
    std::unique_ptr<TBatteryLog> battery_;
    std::array<std::string, 5> logTitles_;
    int filledRows_ = 0;
};

}  // namespace ravlin::cli
