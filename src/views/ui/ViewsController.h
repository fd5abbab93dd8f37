#pragma once
// The Memory view and the File view of the main window: their grids and models (placed
// on the window's Memory and File pages), RefreshViews over the record table, the
// selected record kept selected, header presses and column drags turned into the File
// view's sort state and layout, the user columns shown or hidden from the header's menu,
// and the column widths kept in the settings file (sized to their content until the
// user has stored widths). It also hands the grid of every page to Find, Export and
// Print (PageRows); another page's controller registers its own (RegisterPage).
//
// Window thread only: the grids paint the record table the window thread owns; a
// receiver command hands its new table over before the views rebuild (tableCommitted).

#include <QObject>
#include <QTableView>
#include <array>
#include <memory>
#include <vector>

#include "base/IniFile.h"
#include "base/ui/WindowFrame.h"
#include "catalog/Device.h"
#include "catalog/FunctionTable.h"
#include "catalog/Language.h"
#include "document/AppState.h"
#include "document/Document.h"
#include "views/FileView.h"
#include "views/MemoryView.h"
#include "views/ui/PageRows.h"
#include "views/ui/RecordViews.h"

namespace ravlin {

class TGridModel;
class TInfoForm;
class TNotifications;

// What the views read: the program's record table, current receiver type and state, the
// function table they load for that type, the settings file and the settings they keep.
struct TViewsContext {
    const TRecordTable& table;
    const TDevice& device;
    const TAppState& state;
    TFunctionTable& functionTable;
    const TLanguage& language;
    TIniFile& ini;
    TFileViewSorts& sorts;
    const TUserTitles& titles;
};

class TViewsController : public QObject, public TDocumentViews, public TRecordViews {
    Q_OBJECT
  public:
    TViewsController(const TViewsContext& context, TWindowFrame& frame, TInfoForm& info,
                     TNotifications& notifications, QObject* parent = nullptr);
    ~TViewsController() override;

    // TDocumentViews. RefreshViews rebuilds both views from the record table.
    void RefreshViews() override;
    bool FileViewVisible() override { return fileGrid_->isVisible(); }
    void StoreFileViewWidths() override;
    void RestoreFileViewWidths() override;
    void ShowFileView() override;
    void ShowMemoryView() override;

    void StoreMemoryViewWidths();
    void RestoreMemoryViewWidths();
    // One refresh once the current event is handled (header presses, column drags).
    void RefreshLater();

    QTableView* memoryGrid() const { return memoryGrid_; }
    QTableView* fileGrid() const { return fileGrid_; }
    TGridModel* memoryModel() const { return memoryModel_; }
    TGridModel* fileModel() const { return fileModel_; }
    TFileView& fileView() { return fileView_; }
    // Sort state of a layout family (kept in the settings).
    TSortState SortState(TLayoutFamily family) const { return ctx_.sorts.Of(family); }
    TLayoutFamily Family() const;
    // Position of the record in the File view's selected row; 0 when none.
    int SelectedFilePosition() const;
    // Position of the record in the Memory view's current row; 0 when none.
    int SelectedMemoryPosition() const;

    // The grid of a page for Find, Export and Print: the Memory and File views, or what
    // the page's controller registered; nullptr for a page without one (Monitoring).
    TPageRows* PageRows(TPage page);
    // The History and Battery pages' controllers give their grids here.
    void RegisterPage(TPage page, std::unique_ptr<TPageRows> rows);

    // The File view's sort state of a family (the settings keep it).
    void SetSortState(TLayoutFamily family, const TSortState& sort);
    // A user column (kinds 7 to 11) of the current family shown or hidden, as the set-up
    // dialog and the header's menu do it: the column moves behind the last shown one (or
    // to the first hidden place), the flag follows, the layout is stored while a document
    // is open, and the views refresh.
    void SetUserColumnVisible(int kind, bool visible);
    // The flag of a user column (kinds 7 to 11) of the current family.
    bool UserColumnVisible(int kind) const;
    // The header's menu of the user columns, at `globalPos` (a right press on the File
    // view's header opens it).
    void ShowUserColumnMenu(const QPoint& globalPos);

  signals:
    // A press in the File view's header row (a sort command): Find starts that page from
    // the top again.
    void fileHeaderPressed();

  public:
    // TRecordViews
    std::vector<int> RowRecords(TPage page) const override;
    void SelectRow(TPage page, int row) override;
    void SetExtraFileColumn(const std::string& title,
                            std::function<std::string(const TData&)> text) override;
    void RepaintFileView() override;
    QTableView* Grid(TPage page) const override;
    const TColumnLayout& FileLayout() const override { return fileView_.layout; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void BuildFileView();
    void BuildMemoryView();
    // The grid's current widths into the kept list (the user may have dragged borders).
    void SyncWidths(QTableView* grid, std::vector<int>& widths);
    // The kept widths onto the grid's columns; a column without one is sized to its content.
    void ApplyWidths(QTableView* grid, std::vector<int>& widths);
    // A column moved in the layout takes its width along.
    void MoveWidth(int from, int to);

    TViewsContext ctx_;
    TWindowFrame& frame_;
    TInfoForm& info_;
    TNotifications& notifications_;
    TGridModel* memoryModel_;
    TGridModel* fileModel_;
    QTableView* memoryGrid_;
    QTableView* fileGrid_;
    TFileView fileView_;
    TMemoryViewContent memory_;
    std::vector<int> memoryPositions_;  // Position each Memory view row showed
    // Widths per grid column of the File view (all 60 places) and the Memory view; 0: not
    // stored, sized to the content when the column is shown.
    std::vector<int> fileWidths_;
    std::vector<int> memoryWidths_;
    std::array<std::unique_ptr<TPageRows>, kPageCount> pages_;
    TLayoutFamily widthsFamily_ = TLayoutFamily::Single;
    bool headerPressed_ = false;
    bool refreshPending_ = false;
    bool fileWidthsRestored_ = false;
    bool memoryWidthsRestored_ = false;
    // The column after the File view's own (TRecordViews::SetExtraFileColumn).
    std::string extraTitle_;
    std::function<std::string(const TData&)> extraText_;
};

}  // namespace ravlin
