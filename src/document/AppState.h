#pragma once
// The main window's state that the receiver commands, the document commands and the
// status bar share. Owned by the window thread: a receiver command works on a copy of it
// and hands its changes back (see receiver/Session.h).

#include <string>

namespace ravlin {

struct TAppState {
    bool LoggedIn = false;        // a receiver is logged in
    bool OnLine = false;          // on-line mode runs
    bool LinkLost = false;        // ... and waits for the lost receiver to come back
    bool DocumentOpen = false;    // a document (record table) is open
    bool Saved = true;            // the document's user information is saved
    bool MemoryModified = false;  // the record table differs from the receiver's memory
    bool Downloaded = false;      // the table came from a download
    std::string FileName;         // the document's data file, empty when it has none
};

}  // namespace ravlin
