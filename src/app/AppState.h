#pragma once
// The main window's state that receiver commands, document commands and the status
// bar share. Written on the user-interface thread only.

#include <string>

namespace ravlin {

struct TAppState {
    bool LoggedIn = false;        // a receiver is logged in
    bool OnLine = false;          // on-line mode runs
    bool DocumentOpen = false;    // a document (record table) is open
    bool Saved = true;            // the document's user information is saved
    bool MemoryModified = false;  // the record table differs from the receiver's memory
    bool Downloaded = false;      // the table came from a download
    bool Busy = false;            // a receiver operation runs: no second one may start
    std::string FileName;         // the document's data file, empty when it has none
};

}  // namespace ravlin
