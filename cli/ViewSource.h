#pragma once
// The page a view command (export, print) works on: the Memory view or the File view of a
// data file, with the column layout, sort order and user column titles of the settings
// file, built by the same core code as the desktop program's views.

#include <memory>
#include <string>
#include <vector>

#include "Cli.h"
#include "catalog/Device.h"
#include "catalog/RxFunkce.h"
#include "records/Data.h"
#include "views/FileView.h"
#include "views/MemoryView.h"
#include "views/ViewRows.h"

namespace ravlin::cli {

// What selects the page: a data file and --view memory|file. The logs of on-line mode
// come in as further sources here.
struct TViewChoice {
    std::string dataFile;
    TViewPage page = TViewPage::File;
};

// Takes the view options out of `args` (--view memory|file, the data file), leaving the
// command's other arguments; `valueOptions` are the command's options that take a value.
// Returns kOk, or kUsage after a usage message.
int ParseViewChoice(std::vector<std::string>& args, const std::vector<std::string>& valueOptions,
                    TViewChoice& choice);

class TViewSource {
  public:
    // Opens the data file and builds the chosen view; false after the error was shown.
    bool Load(TContext& ctx, const TViewChoice& choice);
    const TViewRows& Rows() const { return *rows_; }

  private:
    TDevice device_;
    TRecordTable table_;
    std::string image_;
    std::unique_ptr<TRxFnc> fnc_;
    TUserTitles titles_;
    TMemoryViewContent memory_;
    TFileView file_;
    std::unique_ptr<TViewRows> rows_;
};

}  // namespace ravlin::cli
