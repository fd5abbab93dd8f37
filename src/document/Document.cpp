#include "document/Document.h"

#include "records/Codec.h"

namespace ravlin {

std::string WithDefaultExtension(const std::string& name, const std::string& ext) {
    if (name.empty() || ext.empty()) return name;
    size_t slash = name.find_last_of('/');
    std::string file = slash == std::string::npos ? name : name.substr(slash + 1);
    if (file.empty() || file.find('.') != std::string::npos) return name;
    return name + "." + ext;
}

TDocument::TDocument(const TDocumentContext& context, TFileChooser& chooser, TDocumentViews& views,
                     TDocumentListener& listener)
    : ctx_(context), chooser_(chooser), views_(views), listener_(listener) {}

TDataFileEnv TDocument::Env() const {
    return {ctx_.folders.dataDir, Texts(), ctx_.ui};
}

// The encoded image of a save and the image of an open are not kept: an upload encodes
// the records afresh.
bool TDocument::Save(const std::string& fileName) {
    std::string image;
    return SaveData(fileName, ctx_.device, ctx_.table, image, Texts(), ctx_.ui);
}

bool TDocument::OpenAndMerge(const std::string& fileName) {
    std::string image;
    return ravlin::OpenAndMerge(fileName, ctx_.state.FileName, Env(), ctx_.state.LoggedIn,
                                ctx_.device, ctx_.table, image);
}

void TDocument::ShowDocument() {
    listener_.UserInfoChanged();
    views_.RefreshViews();
    views_.RestoreFileViewWidths();
    views_.ShowFileView();
}

void TDocument::KeepFileViewWidths() {
    if (views_.FileViewVisible()) views_.StoreFileViewWidths();
}

bool TDocument::SaveFirst(Text textId) {
    TAnswer a = ctx_.ui.Ask(TMessage::Lang(Texts(), textId), TButtons::YesNoCancel);
    if (a == TAnswer::Cancel) return false;
    // A save that fails or is cancelled stops the command: going on would drop the
    // changes the user just asked to keep.
    if (a == TAnswer::Yes) return SaveAll();
    return true;
}

bool TDocument::MakeDocument(bool askType) {
    TAppState& s = ctx_.state;
    const bool wasOpen = s.DocumentOpen;
    std::string type;
    if (askType) {
        std::optional<std::string> chosen =
            chooser_.ChooseReceiverType(ctx_.folders.DataFile("Rx.def"));
        if (!chosen) return false;
        type = *chosen;
    } else if (wasOpen) {
        // Logged in with a document: the receiver's records give way to empty ones.
        type = ctx_.device.Name;
    }
    if (askType || wasOpen) {
        ctx_.functionTable.SetFileName(ctx_.language.FunctionTableFile());
        if (!MakeEmptyTable(ctx_.folders.dataDir, type, s.LoggedIn, ctx_.device, ctx_.functionTable,
                            ctx_.table, Texts(), ctx_.ui))
            return false;
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
    KeepFileViewWidths();
    if (ctx_.state.DocumentOpen && !ctx_.state.Saved && !SaveFirst(Text::SaveChanges)) return false;
    return MakeDocument(!ctx_.state.LoggedIn);
}

bool TDocument::Open() {
    KeepFileViewWidths();
    if (!ctx_.state.Saved && !SaveFirst(Text::SaveBeforeOpen)) return false;
    TFileDialog d;
    std::optional<std::string> file = chooser_.OpenFile(d);
    if (!file) return false;
    return OpenChosen(*file);
}

bool TDocument::OpenFile(const std::string& fileName) {
    KeepFileViewWidths();
    if (!ctx_.state.Saved && !SaveFirst(Text::SaveBeforeOpen)) return false;
    return OpenChosen(fileName);
}

bool TDocument::OpenChosen(const std::string& fileName) {
    // The chosen file becomes the document's only once it was accepted: after a refusal
    // a later Save must not write the old records into the refused file.
    std::string image;
    if (!OpenData(fileName, Env(), ctx_.state.LoggedIn, ctx_.device, ctx_.table, image)) {
        views_.RestoreFileViewWidths();
        return false;
    }
    TAppState& s = ctx_.state;
    s.FileName = fileName;
    s.Saved = true;
    s.DocumentOpen = true;
    s.MemoryModified = true;
    ShowDocument();
    return true;
}

bool TDocument::SaveDataAs() {
    TFileDialog d;
    d.fileName = ctx_.state.FileName;
    d.defaultExtension = kDataFileExtension;
    d.confirmOverwrite = true;
    std::optional<std::string> file = chooser_.SaveFile(d);
    if (!file || file->empty()) return false;
    const std::string previous = ctx_.state.FileName;
    ctx_.state.FileName = WithDefaultExtension(*file, kDataFileExtension);
    if (!Save(ctx_.state.FileName)) {
        // Nothing was written there: the document still belongs to its previous file.
        ctx_.state.FileName = previous;
        return false;
    }
    views_.RefreshViews();
    return true;
}

bool TDocument::SaveDocument() {
    TAppState& s = ctx_.state;
    if (s.FileName.empty()) {
        s.Saved = SaveDataAs();
    } else {
        s.Saved = Save(s.FileName);
        if (s.Saved) views_.RefreshViews();
    }
    return s.Saved;
}

bool TDocument::SaveAll() {
    TAppState& s = ctx_.state;
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
    listener_.SaveAllOthers();
    listener_.StateChanged();
    return ok;
}

bool TDocument::SaveAs() {
    TAppState& s = ctx_.state;
    if (!s.DocumentOpen) {
        bool made = s.Downloaded ? MakeDocument(false) : New();
        if (!made || !s.DocumentOpen) {
            listener_.StateChanged();
            return false;
        }
    }
    s.Saved = SaveDataAs();
    listener_.StateChanged();
    return s.Saved;
}

bool TDocument::Close() {
    if (!ctx_.state.Saved && !SaveFirst(Text::SaveChanges)) return false;
    ctx_.state.FileName.clear();
    ctx_.state.DocumentOpen = false;
    views_.RefreshViews();
    views_.ShowMemoryView();
    listener_.StateChanged();
    return true;
}

bool TDocument::OpenBackup() {
    KeepFileViewWidths();
    if (!ctx_.state.Saved && !SaveFirst(Text::SaveBeforeOpen)) return false;
    TFileDialog d;
    d.initialDir = ctx_.folders.BackupDir();
    std::optional<std::string> file = chooser_.OpenFile(d);
    if (!file) return false;
    // Merges the user information of the document's own file; the file name stays.
    if (!OpenAndMerge(*file)) {
        views_.RestoreFileViewWidths();
        return false;
    }
    TAppState& s = ctx_.state;
    s.DocumentOpen = true;
    s.Saved = false;
    s.MemoryModified = true;
    ShowDocument();
    return true;
}

bool TDocument::ImportComments() {
    // Merging comments changes many records at once: only a deliberate Yes does it.
    if (ctx_.ui.Ask(TMessage::Lang(Texts(), Text::ImportComments), TButtons::YesNo, TAnswer::No) !=
        TAnswer::Yes)
        return false;
    TFileDialog d;
    std::optional<std::string> file = chooser_.OpenFile(d);
    if (!file) return false;
    if (!ravlin::ImportComments(*file, Env(), ctx_.table)) return false;
    listener_.UserInfoChanged();
    views_.RefreshViews();
    return true;
}

bool TDocument::OpenAtStartup(const std::string& fileName) {
    TAppState& s = ctx_.state;
    const std::string previous = s.FileName;
    s.FileName = fileName;
    std::string image;
    // Merges from the previous file name, which is `fileName` itself now.
    if (!ravlin::OpenAndMerge(fileName, s.FileName, Env(), s.LoggedIn, ctx_.device, ctx_.table,
                              image)) {
        s.FileName = previous;
        return false;
    }
    s.DocumentOpen = true;
    s.MemoryModified = true;
    s.Saved = true;
    listener_.UserInfoChanged();
    views_.RefreshViews();
    views_.ShowFileView();
    return true;
}

bool TDocument::CloseQuery() {
    TAppState& s = ctx_.state;
    if (!s.DocumentOpen || s.Saved) return true;
    TAnswer a = ctx_.ui.Ask(TMessage::Lang(Texts(), Text::SaveChanges), TButtons::YesNoCancel);
    if (a == TAnswer::Cancel) return false;
    if (a == TAnswer::No) return true;
    return SaveDocument();
}

}  // namespace ravlin
