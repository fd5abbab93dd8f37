#include "document/ui/DocumentController.h"

#include "base/ui/Notifications.h"
#include "base/ui/QtUserInterface.h"
#include "document/ui/QtFileChooser.h"
#include "records/ui/NewForm.h"

namespace ravlin {

TDocumentController::TDocumentController(const TDocumentContext& context, TDocumentViews& views,
                                         TQtUserInterface& ui, TBusyState& busy,
                                         TNotifications& notifications, TWindowFrame& frame,
                                         QObject* parent)
    : QObject(parent), busy_(busy), notifications_(notifications) {
    newForm_ = std::make_unique<TNewForm>(context.language.Texts(), ui, frame.Window());
    chooser_ = std::make_unique<TQtFileChooser>(frame.Window(), *newForm_);
    document_ = std::make_unique<TDocument>(context, *chooser_, views, *this);

    const std::pair<const char*, bool (TDocumentController::*)()> commands[] = {
        {"MenuNew", &TDocumentController::MenuNewClick},
        {"MenuOpen", &TDocumentController::MenuOpenClick},
        {"MenuSave", &TDocumentController::MenuSaveClick},
        {"MenuSaveAs", &TDocumentController::MenuSaveAsClick},
        {"MenuClose", &TDocumentController::MenuCloseClick},
        {"MenuOpenBackup", &TDocumentController::MenuOpenBackupClick},
        {"MenuImport", &TDocumentController::MenuImportClick},
    };
    for (const auto& command : commands) {
        const auto slot = command.second;
        connect(frame.Action(command.first), &QAction::triggered, this,
                [this, slot] { (this->*slot)(); });
    }
}

TDocumentController::~TDocumentController() = default;

bool TDocumentController::Run(bool (TDocument::*command)()) {
    bool result = false;
    if (!busy_.Run([&] {
            result = (document_.get()->*command)();
            return true;
        }))
        return false;
    StateChanged();
    return result;
}

bool TDocumentController::MenuNewClick() {
    return Run(&TDocument::New);
}
bool TDocumentController::MenuOpenClick() {
    return Run(&TDocument::Open);
}
bool TDocumentController::MenuSaveClick() {
    return Run(&TDocument::SaveAll);
}
bool TDocumentController::MenuSaveAsClick() {
    return Run(&TDocument::SaveAs);
}
bool TDocumentController::MenuCloseClick() {
    return Run(&TDocument::Close);
}
bool TDocumentController::MenuOpenBackupClick() {
    return Run(&TDocument::OpenBackup);
}
bool TDocumentController::MenuImportClick() {
    return Run(&TDocument::ImportComments);
}

bool TDocumentController::OpenNamedFile(const std::string& fileName) {
    bool result = false;
    if (!busy_.Run([&] {
            result = document_->OpenFile(fileName);
            return true;
        }))
        return false;
    StateChanged();
    return result;
}

void TDocumentController::UserInfoChanged() {
    emit notifications_.userInfoChanged();
}

void TDocumentController::SaveAllOthers() {
    emit notifications_.saveAllRequested();
}

void TDocumentController::StateChanged() {
    emit notifications_.stateChanged();
}

}  // namespace ravlin
