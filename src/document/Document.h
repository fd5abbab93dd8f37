#pragma once
// The document commands of the File menu without their windows: New, Open, Save all,
// Save as, Close, Open backup and Import comments, with their questions and the
// document state (TAppState) they change. File and receiver type choices go through
// interfaces that the desktop program implements with its dialogs and the tests with
// fakes; view work goes through hooks.

#include <functional>
#include <optional>
#include <string>

namespace ravlin {

struct TCore;

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

// What the commands ask of the main window. Unset hooks do nothing (visible: false).
struct TDocumentHooks {
    std::function<void()> refreshViews;
    std::function<bool()> fileViewVisible;
    std::function<void()> storeFileViewWidths;
    std::function<void()> restoreFileViewWidths;
    std::function<void()> showFileView;    // page 1
    std::function<void()> showMemoryView;  // page 0
    // User information changed: battery log, history and monitor comments follow it.
    std::function<void()> userInfoChanged;
    // Saves the monitor set-up when one exists; returns false when none exists.
    std::function<bool()> saveMonitor;
    std::function<void()> wakeStatus;
};

class TDocument {
  public:
    TDocument(TCore& core, TFileChooser& chooser);

    TDocumentHooks hooks;

    // The File menu. Each returns true when it did what was asked (false: cancelled,
    // refused or failed; the state then is as the user left it).
    bool New();
    bool Open();
    bool SaveAll();
    bool SaveAs();
    bool Close();
    bool OpenBackup();
    bool ImportComments();

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
    bool SaveFirst(int textId);
    bool SaveDocument();
    bool MakeDocument(bool askType);

    // A document was made or opened: its user information and views are shown afresh.
    void ShowDocument() {
        Hook(hooks.userInfoChanged);
        Hook(hooks.refreshViews);
        Hook(hooks.restoreFileViewWidths);
        Hook(hooks.showFileView);
    }
    void Hook(const std::function<void()>& f) {
        if (f) f();
    }

    TCore& core_;
    TFileChooser& chooser_;
};

// `name` with ".ext" added when its file part has no extension.
std::string WithDefaultExtension(const std::string& name, const std::string& ext);

}  // namespace ravlin
