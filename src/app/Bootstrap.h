#pragma once
// The start that the desktop program, ravlin-cli and the tests share: the language, then
// the settings, then the serial port overrides; the link takes the settings' connection.

#include <string>

namespace ravlin {

struct TCore;

// Loads the language `language` (empty: the settings' one) with its fallback to US, the
// settings with the user column titles of that language, and the serial port overrides,
// and points the function table at the language's file. False (after the message) when
// the home folder is not known (TFolders::problem) or no language could be loaded: the
// program must then end.
bool Bootstrap(TCore& core, const std::string& language = {});

}  // namespace ravlin
