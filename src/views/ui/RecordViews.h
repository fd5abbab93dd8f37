#pragma once
// What other window controllers may do with the Memory and File views without knowing
// their controller: on-line mode finds the rows of the transmitter just received and
// selects them, and adds the File view's "last heard" column; monitoring takes
// transmitters from the selected rows. Window thread only.

#include <functional>
#include <string>
#include <vector>

#include "base/Pages.h"
#include "records/Data.h"
#include "views/FileView.h"

class QTableView;

namespace ravlin {

class TRecordViews {
  public:
    virtual ~TRecordViews() = default;
    // The record table index each data row of the Memory or File view shows, top to
    // bottom; empty while the view shows no records.
    virtual std::vector<int> RowRecords(TPage page) const = 0;
    // Makes a data row of the Memory or File view the current row, scrolled into sight.
    virtual void SelectRow(TPage page, int row) = 0;
    // A column after the File view's own, whose cells `text` gives per record; an empty
    // `text` removes it. It is not sorted and not moved.
    virtual void SetExtraFileColumn(const std::string& title,
                                    std::function<std::string(const TData&)> text) = 0;
    // The extra column's texts changed.
    virtual void RepaintFileView() = 0;
    // The grid of the Memory or File view (the monitor takes transmitters from its selected
    // rows); nullptr for another page.
    virtual QTableView* Grid(TPage page) const = 0;
    // The File view's column layout as it is shown now.
    virtual const TColumnLayout& FileLayout() const = 0;
};

}  // namespace ravlin
