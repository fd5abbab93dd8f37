#pragma once
// The language text table and the language files (XY.lng) that fill it.

#include <string>
#include <string_view>
#include <vector>

#include "base/UserInterface.h"

namespace ravlin {

// Told of every successful load, on the thread that loaded (the window thread in the
// desktop program): the windows take the new texts.
class TLanguageListener {
  public:
    virtual ~TLanguageListener() = default;
    virtual void LanguageLoaded() = 0;
};

class TLanguage {
  public:
    TLanguage(std::string dataDir, TUserInterface& ui);

    // The one text table of the program; every other object keeps a reference to it,
    // so a reload is seen by all at once.
    TTextTable& Texts() { return texts_; }
    const TTextTable& Texts() const { return texts_; }
    // Entry i of the file, or an empty text when i lies outside the table. The program
    // reads its texts by name (TextAt(Texts(), Text::...)); this is the file's view.
    const std::string& Entry(int i) const;

    // Reads dataDir/code.lng into the table (see the file format in Language.cpp).
    // Errors go to the user as fixed texts: code + " languge file can not be open!" or
    // "Wrong language file format!". A code that is not two letters A-Z cannot be opened.
    bool LoadLanguage(const std::string& code);
    // The same from file contents already in memory (steps after opening the file).
    // An entry whose index is not below the head's count is ignored.
    bool LoadLanguageText(const std::string& code, std::string_view content);
    // Codes AA..ZZ whose .lng file exists in the data folder, in alphabetical order.
    std::vector<std::string> ListLanguages() const;
    // Start-up choice: `code` (from the settings), falling back to "US". False when
    // even "US" cannot be loaded: the program must then close.
    bool LoadStartupLanguage(const std::string& code);

    // Code of the last language that loaded completely.
    const std::string& Code() const { return code_; }
    // "RxFnc" + code + ".def" when that file exists in the data folder, else "RxFncUS.def".
    const std::string& FunctionTableFile() const { return functionTableFile_; }
    const std::string& DataDir() const { return dataDir_; }

    // Told after every successful load; nullptr: nobody.
    void SetListener(TLanguageListener* listener) { listener_ = listener; }

  private:
    std::string dataDir_;
    TUserInterface& ui_;
    TTextTable texts_;
    std::string code_ = "US";
    std::string functionTableFile_ = "RxFncUS.def";
    TLanguageListener* listener_ = nullptr;
};

}  // namespace ravlin
