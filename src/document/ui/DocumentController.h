#pragma once
// The document commands of the File menu (New, Open, Save all, Save as, Close, Open
// backup, Import comments) with their windows: the file dialogs and the New file window.
// Window thread only. The views are reached through TDocumentViews, the rest of the
// program through TNotifications.

#include <QObject>
#include <memory>

#include "base/ui/Busy.h"
#include "base/ui/WindowFrame.h"
#include "document/Document.h"

namespace ravlin {

class TNewForm;
class TNotifications;
class TQtFileChooser;
class TQtUserInterface;

class TDocumentController : public QObject, public TDocumentListener {
    Q_OBJECT
  public:
    TDocumentController(const TDocumentContext& context, TDocumentViews& views,
                        TQtUserInterface& ui, TBusyState& busy, TNotifications& notifications,
                        TWindowFrame& frame, QObject* parent = nullptr);
    ~TDocumentController() override;

    // The menu commands; false when refused (another command runs), cancelled or failed.
    bool MenuNewClick();
    bool MenuOpenClick();
    bool MenuSaveClick();
    bool MenuSaveAsClick();
    bool MenuCloseClick();
    bool MenuOpenBackupClick();
    bool MenuImportClick();
    // Opens a named data file as Open does (recent files, a dropped file, the welcome
    // window's last file).
    bool OpenNamedFile(const std::string& fileName);

    // TDocumentListener
    void UserInfoChanged() override;
    void SaveAllOthers() override;
    void StateChanged() override;

    TDocument& document() { return *document_; }
    TQtFileChooser& chooser() { return *chooser_; }
    TNewForm& newForm() { return *newForm_; }

  private:
    bool Run(bool (TDocument::*command)());

    TBusyState& busy_;
    TNotifications& notifications_;
    std::unique_ptr<TNewForm> newForm_;
    std::unique_ptr<TQtFileChooser> chooser_;
    std::unique_ptr<TDocument> document_;
};

}  // namespace ravlin
