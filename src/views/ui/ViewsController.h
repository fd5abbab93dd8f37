#pragma once
// RefreshViews for the desktop program: fills the Memory view and the File view models
// from the core's record table, keeps the selected record selected, and turns header
// presses into the File view's sort state.

#include <QObject>
#include <functional>

#include "views/FileView.h"
#include "views/MemoryView.h"

namespace ravlin {

struct TCore;
class TMainForm;
class TInfoForm;

class TViewsController : public QObject {
    Q_OBJECT
  public:
    TViewsController(TCore& core, TMainForm& form, TInfoForm& info, QObject* parent = nullptr);
    ~TViewsController() override;

    // Rebuilds both views from the record table (the core's table must not be in use by a
    // running receiver command).
    void RefreshViews();
    // One refresh once the current event is handled (header presses, column drags).
    void RefreshLater();

    TFileView& fileView() { return fileView_; }
    // Sort state of a layout family (kept in the settings).
    TSortState SortState(TLayoutFamily family) const;
    TLayoutFamily Family() const;
    // Position of the record in the File view's selected row; 0 when none.
    int SelectedFilePosition() const;
    // Selects the File view row showing `position`; false when it is not shown.
    bool SelectFilePosition(int position);

    // Column widths of the current family in the settings (section UserGrid_* / MemGrid_*).
    void StoreFileViewWidths();
    void RestoreFileViewWidths();
    void StoreMemoryViewWidths();
    void RestoreMemoryViewWidths();

    // Called after every refresh (the status bar follows).
    std::function<void()> onRefreshed;
    // Kept visible while the File view is rebuilt: true when another window is in front
    // that the "Working ..." window must not cover.
    std::function<bool()> suppressWorking;
    bool MemoryEmpty() const { return memoryEmpty_; }
    const TMemoryViewContent& memoryContent() const { return memory_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void BuildFileView();
    void BuildMemoryView();

    TCore& core_;
    TMainForm& form_;
    TInfoForm& info_;
    TFileView fileView_;
    TMemoryViewContent memory_;
    TLayoutFamily widthsFamily_ = TLayoutFamily::Single;
    bool headerPressed_ = false;
    bool refreshPending_ = false;
    bool fileWidthsRestored_ = false;
    bool memoryWidthsRestored_ = false;
    bool memoryEmpty_ = true;
};

}  // namespace ravlin
