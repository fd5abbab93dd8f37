#pragma once
// The commands on the grid of the page shown: "Find ..." (Ctrl+F), "Find next" (Ctrl+N,
// F3), "Export ...", "Print ..." and "Print preview ...". It owns the Find window (one for
// the program's life, so the search history lasts) and the printer (the print dialog
// starts with the last choices). The grids come from TViewsController::PageRows. Window
// thread only; each command runs inside the busy state.

#include <QObject>
#include <QString>
#include <memory>
#include <string>

#include "base/ui/Busy.h"
#include "base/ui/WindowFrame.h"
#include "catalog/Device.h"
#include "catalog/Language.h"
#include "document/AppState.h"
#include "views/ViewRows.h"

class QPrinter;

namespace ravlin {

class TFindForm;
class TQtUserInterface;
class TViewsController;

// What the commands read: the document's file name (the export's default name), the
// receiver type, the language and the setting ExportEncoding.
struct TViewCommandsContext {
    const TAppState& state;
    const TDevice& device;
    const TLanguage& language;
    const std::string& exportEncoding;
};

class TViewCommands : public QObject {
    Q_OBJECT
  public:
    TViewCommands(const TViewCommandsContext& context, TViewsController& views, TWindowFrame& frame,
                  TBusyState& busy, TQtUserInterface& ui, QObject* parent = nullptr);
    ~TViewCommands() override;

    // The menu commands; false when refused (another command runs), cancelled, failed or
    // (Find) nothing was found.
    bool MenuFindClick();
    bool FindNextClick();
    bool MenuExportClick();
    bool MenuPrintClick();
    bool MenuPrintPreviewClick();

    TFindForm& findForm() { return *findForm_; }
    QPrinter& printer() { return *printer_; }
    // The export's default file: the document's name with the extension "xls" (the page's
    // log name on the History and Battery pages).
    QString ExportFileName() const;

  private:
    // The rows of the page shown, or an empty page (nothing to find, an empty sheet).
    const TViewRows& ShownRows();
    bool Found(int row);

    TViewCommandsContext ctx_;
    TViewsController& views_;
    TWindowFrame& frame_;
    TBusyState& busy_;
    TQtUserInterface& ui_;
    std::unique_ptr<TFindForm> findForm_;
    std::unique_ptr<QPrinter> printer_;
    TTextRows none_;
};

}  // namespace ravlin
