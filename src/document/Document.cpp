#include "document/Document.h"

#include "app/Core.h"
#include "document/DataFile.h"
#include "records/Codec.h"

namespace ravlin {

namespace {
constexpr int kTextSaveFirst = 84;       // "save changes?" (New, Close, exit)
constexpr int kTextSaveBeforeOpen = 97;  // "save changes?" (Open, Open backup)
constexpr int kTextImportComments = 96;
}  // namespace

std::string WithDefaultExtension(const std::string& name, const std::string& ext) {
    if (name.empty() || ext.empty()) return name;
    size_t slash = name.find_last_of('/');
    std::string file = slash == std::string::npos ? name : name.substr(slash + 1);
    if (file.empty() || file.find('.') != std::string::npos) return name;
    return name + "." + ext;
}

TDocument::TDocument(TCore& core, TFileChooser& chooser) : core_(core), chooser_(chooser) {}

bool TDocument::SaveFirst(int textId) {
    TAnswer a = core_.ui.Ask(TMessage::Lang(core_.texts(), textId), TButtons::YesNoCancel);
    if (a == TAnswer::Cancel) return false;
    // A save that fails or is cancelled stops the command: going on would drop the
    // changes the user just asked to keep.
    if (a == TAnswer::Yes) return SaveAll();
    return true;
}

bool TDocument::MakeDocument(bool askType) {
    TAppState& s = core_.state;
    const bool wasOpen = s.DocumentOpen;
    if (askType) {
        std::optional<std::string> type =
            chooser_.ChooseReceiverType(core_.folders.DataFile("Rx.def"));
        if (!type) return false;
        if (!MakeEmptyTableFor(core_, *type)) return false;
    } else if (wasOpen) {
        // Logged in with a document: the receiver's records give way to empty ones.
        if (!MakeEmptyTableFor(core_, core_.rx.Device.Name)) return false;
    }
    if (wasOpen) {
        s.Saved = true;
        s.FileName.clear();
        s.MemoryModified = true;
    }
    s.DocumentOpen = true;
    ShowDocument();
    return true;
}

bool TDocument::New() {
    if (hooks.fileViewVisible && hooks.fileViewVisible()) Hook(hooks.storeFileViewWidths);
    if (core_.state.DocumentOpen && !core_.state.Saved && !SaveFirst(kTextSaveFirst)) return false;
    return MakeDocument(!core_.state.LoggedIn);
}

bool TDocument::Open() {
    if (hooks.fileViewVisible && hooks.fileViewVisible()) Hook(hooks.storeFileViewWidths);
    if (!core_.state.Saved && !SaveFirst(kTextSaveBeforeOpen)) return false;
    TFileDialog d;
    std::optional<std::string> file = chooser_.OpenFile(d);
    if (!file) return false;
    // The chosen file becomes the document's only once it was accepted: after a refusal
    // a later Save must not write the old records into the refused file.
    if (!Otevri(core_, *file)) {
        Hook(hooks.restoreFileViewWidths);
        return false;
    }
    TAppState& s = core_.state;
    s.FileName = *file;
    s.Saved = true;
    s.DocumentOpen = true;
    s.MemoryModified = true;
    ShowDocument();
    return true;
}

bool TDocument::SaveDataAs() {
    TFileDialog d;
    d.fileName = core_.state.FileName;
    d.defaultExtension = kDataFileExtension;
    d.confirmOverwrite = true;
    std::optional<std::string> file = chooser_.SaveFile(d);
    if (!file || file->empty()) return false;
    const std::string previous = core_.state.FileName;
    core_.state.FileName = WithDefaultExtension(*file, kDataFileExtension);
    if (!SaveData(core_, core_.state.FileName)) {
        // Nothing was written there: the document still belongs to its previous file.
        core_.state.FileName = previous;
        return false;
    }
    Hook(hooks.refreshViews);
    return true;
}

bool TDocument::SaveDocument() {
    TAppState& s = core_.state;
    if (s.FileName.empty()) {
        s.Saved = SaveDataAs();
    } else {
        s.Saved = SaveData(core_, s.FileName);
        if (s.Saved) Hook(hooks.refreshViews);
    }
    return s.Saved;
}

bool TDocument::SaveAll() {
    TAppState& s = core_.state;
    bool ok = true;
    if (s.DocumentOpen) {
        ok = SaveDocument();
    } else if (s.Downloaded) {
        // The downloaded records become the document, also after a logout: asking for a
        // receiver type here would replace them by an empty table.
        if (MakeDocument(false)) {
            s.Saved = SaveDataAs();
            ok = s.Saved;
        } else {
            ok = false;
        }
    }
    if (hooks.saveMonitor) hooks.saveMonitor();
    Hook(hooks.wakeStatus);
    return ok;
}

bool TDocument::SaveAs() {
    TAppState& s = core_.state;
    if (!s.DocumentOpen) {
        bool made = s.Downloaded ? MakeDocument(false) : New();
        if (!made || !s.DocumentOpen) {
            Hook(hooks.wakeStatus);
            return false;
        }
    }
    s.Saved = SaveDataAs();
    Hook(hooks.wakeStatus);
    return s.Saved;
}

bool TDocument::Close() {
    if (!core_.state.Saved && !SaveFirst(kTextSaveFirst)) return false;
    core_.state.FileName.clear();
    core_.state.DocumentOpen = false;
    Hook(hooks.refreshViews);
    Hook(hooks.showMemoryView);
    Hook(hooks.wakeStatus);
    return true;
}

bool TDocument::OpenBackup() {
    if (hooks.fileViewVisible && hooks.fileViewVisible()) Hook(hooks.storeFileViewWidths);
    if (!core_.state.Saved && !SaveFirst(kTextSaveBeforeOpen)) return false;
    TFileDialog d;
    d.initialDir = core_.folders.BackupDir();
    std::optional<std::string> file = chooser_.OpenFile(d);
    if (!file) return false;
    // Merges the user information of the document's own file; the file name stays.
    if (!OpenAndMerge(core_, *file)) {
        Hook(hooks.restoreFileViewWidths);
        return false;
    }
    TAppState& s = core_.state;
    s.DocumentOpen = true;
    s.Saved = false;
    s.MemoryModified = true;
    ShowDocument();
    return true;
}

bool TDocument::ImportComments() {
    if (core_.ui.Ask(TMessage::Lang(core_.texts(), kTextImportComments), TButtons::YesNo) !=
        TAnswer::Yes)
        return false;
    TFileDialog d;
    std::optional<std::string> file = chooser_.OpenFile(d);
    if (!file) return false;
    if (!ravlin::ImportComments(core_, *file)) return false;
    Hook(hooks.userInfoChanged);
    Hook(hooks.refreshViews);
    return true;
}

bool TDocument::OpenAtStartup(const std::string& fileName) {
    TAppState& s = core_.state;
    const std::string previous = s.FileName;
    s.FileName = fileName;
    if (!OpenAndMerge(core_, fileName)) {
        s.FileName = previous;
        return false;
    }
    s.DocumentOpen = true;
    s.MemoryModified = true;
    s.Saved = true;
    Hook(hooks.userInfoChanged);
    Hook(hooks.refreshViews);
    Hook(hooks.showFileView);
    return true;
}

bool TDocument::CloseQuery() {
    TAppState& s = core_.state;
    if (!s.DocumentOpen || s.Saved) return true;
    TAnswer a = core_.ui.Ask(TMessage::Lang(core_.texts(), kTextSaveFirst), TButtons::YesNoCancel);
    if (a == TAnswer::Cancel) return false;
    if (a == TAnswer::No) return true;
    return SaveDocument();
}

}  // namespace ravlin
