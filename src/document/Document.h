#pragma once
// The document commands of the File menu without their windows: New, Open, Save all,
// Save as, Close, Open backup and Import comments, with their questions and the
// document state (TAppState) they change. File and receiver type choices, the views and
// the rest of the program are reached through interfaces that the desktop program
// implements with its dialogs and controllers and the tests with fakes.
//
// Threads: every command and every call it makes through the interfaces runs on the
// thread that owns the record table (the window thread of the desktop program).

#include <optional>
#include <string>

#include "base/Folders.h"
#include "base/UserInterface.h"
#include "catalog/Device.h"
#include "catalog/FunctionTable.h"
#include "catalog/Language.h"
#include "document/AppState.h"
#include "document/DataFile.h"
#include "records/Data.h"

namespace ravlin {

inline constexpr const char* kDataFileFilter = "Ravlin files (*.rvl)|*.rvl|All files (*.*)|*.*";
inline constexpr const char* kDataFileExtension = "rvl";

// One file dialog. Filter entries are "description|pattern" pairs joined by '|'.
struct TFileDialog {
    std::string filter = kDataFileFilter;
    std::string initialDir;         // empty: the current working directory
    std::string fileName;           // filled in (Save as)
    std::string defaultExtension;   // added to a name typed without one (Save as)
    bool confirmOverwrite = false;  // ask before choosing an existing file (Save as)
};

class TFileChooser {
  public:
    virtual ~TFileChooser() = default;
    // The chosen file, or nullopt when the dialog was cancelled.
    virtual std::optional<std::string> OpenFile(const TFileDialog& dialog) = 0;
    virtual std::optional<std::string> SaveFile(const TFileDialog& dialog) = 0;
    // The New file window: the Name of the chosen receiver type, read from the
    // catalogue at `rxDefPath`, or nullopt when cancelled.
    virtual std::optional<std::string> ChooseReceiverType(const std::string& rxDefPath) = 0;
};

// What the commands ask of the Memory and File views.
class TDocumentViews {
  public:
    virtual ~TDocumentViews() = default;
    // Rebuilds both views from the record table.
    virtual void RefreshViews() = 0;
    virtual bool FileViewVisible() = 0;
    // The File view's column widths of the current layout family, kept in the settings.
    virtual void StoreFileViewWidths() = 0;
    virtual void RestoreFileViewWidths() = 0;
    // Brings the File view's (Memory view's) page to the front.
    virtual void ShowFileView() = 0;
    virtual void ShowMemoryView() = 0;
};

// What the commands tell the rest of the program.
class TDocumentListener {
  public:
    virtual ~TDocumentListener() = default;
    // The records' user information changed: the battery log, the history and the
    // monitor's comments follow it.
    virtual void UserInfoChanged() = 0;
    // Save all: every other set-up with unsaved changes (the monitor's) is saved too.
    virtual void SaveAllOthers() = 0;
    // The document state changed: the status bar follows.
    virtual void StateChanged() = 0;
};

// The document's part of the program, given by the composition root.
struct TDocumentContext {
    TDevice& device;      // the current receiver type
    TRecordTable& table;  // the record table
    TAppState& state;
    TFunctionTable& functionTable;  // the function table of the current type (New loads it)
    const TLanguage& language;      // the texts and the function table file
    const TFolders& folders;        // Rx.def, Backup/
    TUserInterface& ui;
};

class TDocument {
  public:
    TDocument(const TDocumentContext& context, TFileChooser& chooser, TDocumentViews& views,
              TDocumentListener& listener);

    // The File menu. Each returns true when it did what was asked (false: cancelled,
    // refused or failed; the state then is as the user left it).
    bool New();
    bool Open();
    bool SaveAll();
    bool SaveAs();
    bool Close();
    bool OpenBackup();
    bool ImportComments();

    // Open without the file dialog (a recent file, a file dropped onto the window, the
    // welcome window's last file): the same questions and checks as Open.
    bool OpenFile(const std::string& fileName);

    // Save-as dialog with the current file name; the chosen name becomes the file name
    // and is written. False when cancelled or the write failed.
    bool SaveDataAs();
    // The start-up file (command line or configured): opened with its user information,
    // then marked saved. False when the file was refused.
    bool OpenAtStartup(const std::string& fileName);
    // The exit question for the document: true when the program may close.
    bool CloseQuery();

  private:
    // Answer to "save first?": false when the command must stop.
    bool SaveFirst(Text textId);
    bool SaveDocument();
    bool MakeDocument(bool askType);

    // Open's part after the file was chosen.
    bool OpenChosen(const std::string& fileName);
    // A document was made or opened: its user information and views are shown afresh.
    void ShowDocument();
    // The views' column widths are kept before the File view changes.
    void KeepFileViewWidths();
    // The data file functions over this document.
    TDataFileEnv Env() const;
    bool Save(const std::string& fileName);
    bool OpenAndMerge(const std::string& fileName);
    const TTextTable& Texts() const { return ctx_.language.Texts(); }

    TDocumentContext ctx_;
    TFileChooser& chooser_;
    TDocumentViews& views_;
    TDocumentListener& listener_;
};

// `name` with ".ext" added when its file part has no extension.
std::string WithDefaultExtension(const std::string& name, const std::string& ext);

}  // namespace ravlin
