#pragma once
// The Memory view and the File view of the main window: their grids and models (placed
// on the window's Memory and File pages), RefreshViews over the record table, the
// selected record kept selected, header presses and column drags turned into the File
// view's sort state and layout, and the column widths kept in the settings file.
//
// Window thread only: the grids paint the record table the window thread owns; a
// receiver command hands its new table over before the views rebuild (tableCommitted).

#include <QObject>
#include <QTableView>

#include "base/IniFile.h"
#include "base/ui/WindowFrame.h"
#include "catalog/Device.h"
#include "catalog/Language.h"
#include "catalog/RxFunkce.h"
#include "document/AppState.h"
#include "document/Document.h"
#include "views/FileView.h"
#include "views/MemoryView.h"
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
    TRxFnc& fnc;
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

    // TRecordViews
    std::vector<int> RowRecords(TPage page) const override;
    void SelectRow(TPage page, int row) override;
    void SetExtraFileColumn(const std::string& title,
                            std::function<std::string(const TData&)> text) override;
    void RepaintFileView() override;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void BuildFileView();
    void BuildMemoryView();

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
