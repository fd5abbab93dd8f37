#pragma once
// The record commands of the main window: Add, Edit and Delete (menu items, tool buttons,
// double click and Enter, the Delete key, a context menu on the rows), Undo and Redo, Cut,
// Copy and Paste, over the Memory view and the File view. Window thread only.
//
// Every change goes through the undo history; the document's marks follow it (saved: the
// history stands at the state of the data file; differs from the receiver: it does not
// stand at the receiver's state). A command of another controller that changes the table
// without the history (new, open, download, upload, save, close, import) makes the history
// start afresh: the controller compares a digest of the table at every notification.
//
// The grids belong to the views; the controller reaches them through TRecordRows.

#include <QObject>
#include <QTableView>
#include <array>
#include <string>
#include <vector>

#include "base/Pages.h"
#include "base/ui/Busy.h"
#include "base/ui/WindowFrame.h"
#include "catalog/Device.h"
#include "catalog/FunctionTable.h"
#include "catalog/Language.h"
#include "records/RecordCommands.h"
#include "records/RecordHistory.h"

class QMenu;

namespace ravlin {

class TNotifications;

// What the record commands need of the views that list the records: the grid of the
// Memory and the File page, and which record a row shows. Implemented over the views by
// the composition root.
class TRecordRows {
  public:
    virtual ~TRecordRows() = default;
    // The grid of `page` (Memory or File); nullptr for the other pages.
    virtual QTableView* Grid(TPage page) const = 0;
    // Position of the record grid row `row` shows; 0 when the row shows none.
    virtual int PositionOfRow(TPage page, int row) const = 0;
    // Grid rows that show `positions` (-1 for a position the page does not show).
    virtual std::vector<int> RowsOfPositions(TPage page,
                                             const std::vector<int>& positions) const = 0;
    // The cells of `rows` as the page shows them, tab-separated in its column order.
    virtual std::string RowsText(TPage page, const std::vector<int>& rows) const = 0;
};

// The objects the record commands read and change. The document's state lies in a higher
// layer: its two marks are handed over as references.
struct TRecordsWindowContext {
    const TLanguage& language;      // texts, the function table file
    TFunctionTable& functionTable;  // the function table of the current receiver type
    TDevice& device;
    TRecordTable& table;
    TRecordHistory& history;
    bool& saved;                               // the document equals its data file
    bool& memoryModified;                      // the records differ from the receiver's memory
    const std::string& txDir;                  // the folder of Tx.def
    const std::array<std::string, 5>& titles;  // user number and User1..User4 titles
    TUserInterface& ui;
    TBusyState& busy;
    TNotifications& notifications;
};

class TRecordsController : public QObject {
    Q_OBJECT
  public:
    TRecordsController(const TRecordsWindowContext& context, TRecordRows& rows, TWindowFrame& frame,
                       QObject* parent = nullptr);
    ~TRecordsController() override;

    // The commands on the page shown. True when the records changed (false: refused,
    // cancelled, nothing to do, or another command runs).
    bool MenuAddClick();
    bool MenuEditClick();
    bool MenuDeleteClick();
    bool MenuUndoClick();
    bool MenuRedoClick();
    bool MenuCutClick();
    // Copy changes no record: true when rows were copied.
    bool MenuCopyClick();
    bool MenuPasteClick();

    // The history starts afresh when the table changed behind it (see above); the marks of
    // the document are left as the command that changed it set them.
    void FollowTable();

    // The context menu of the rows (shown at a right click).
    QMenu* contextMenu() const { return contextMenu_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    struct TStamp {
        uint64_t revision = 0;
        uint64_t digest = 0;
        bool saved = true;
        bool memoryModified = false;
        bool operator==(const TStamp&) const = default;
    };

    TRecordContext RecordContext() const;
    // The record commands act on the Memory and File pages while the status rules allow them.
    bool OnRecordPage(TPage& page) const;
    // The function table of the current type, read afresh for the editor.
    bool LoadFunctions();
    // Selected rows of the page's grid, from the top; their positions up to the first row
    // that shows none.
    std::vector<int> SelectedRows(TPage page) const;
    std::vector<int> PositionsOf(TPage page, const std::vector<int>& rows) const;
    // Runs a command that may change records, then marks, refreshes and selects.
    template <typename F>
    bool Run(F&& command);
    void Finish(TCommandResult result, TPage page, std::vector<int> select, int fallbackRow);
    void Select(TPage page, const std::vector<int>& positions, int fallbackRow);
    void UpdateActions();
    TStamp Stamp() const;
    void ShowContextMenu(TPage page, const QPoint& at);

    TRecordsWindowContext ctx_;
    TRecordRows& rows_;
    TWindowFrame& frame_;
    QMenu* contextMenu_ = nullptr;
    TStamp stamp_;
    bool notifying_ = false;  // our own notifications run: the table is known
};

}  // namespace ravlin
