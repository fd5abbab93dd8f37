#pragma once
// The settings file format: a sectioned key=value text file.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace ravlin {

// Sectioned key=value file in the form of the platform's settings-file functions:
// "[Section]" lines, "key=value" lines. Section and key names compare case-insensitively
// (ASCII); blanks around names and values are not part of them. Values are otherwise
// kept byte for byte. Lines the reader does not understand (comments, blank lines, text
// outside any section) and the order of everything are kept when the file is rewritten.
//
// The file is read once, on construction. Writes change the copy in memory and reach the
// disk with UpdateFile() or the destructor. Other programs change the same file meanwhile
// (a second instance, `ravlin-cli setup` or `connection`), so UpdateFile is one locked
// update (base/SharedFile.h): it reads the file as it is then, makes in it exactly the
// changes this copy made since it was read (the keys written with another value, the keys
// deleted), writes it, and takes the result as its copy. Every other key and section stays
// as the other programs left it. The file is replaced through a temporary file in the
// same folder, and the folder is created when missing. A missing or unreadable file gives
// the defaults; a file larger than kMaxBytes or not a regular file is not read and never
// replaced.
class TIniFile {
  public:
    static constexpr size_t kMaxBytes = 1u << 20;

    explicit TIniFile(std::string path);
    ~TIniFile();
    TIniFile(const TIniFile&) = delete;
    TIniFile& operator=(const TIniFile&) = delete;

    const std::string& FileName() const { return path_; }
    // Replaces the copy in memory with `content` (as if it were the file); not modified.
    void LoadText(std::string_view content);
    // What UpdateFile() would write.
    std::string Content() const;

    std::string ReadString(const std::string& section, const std::string& key,
                           const std::string& def) const;
    // Decimal integer; a missing key or a value that is not one gives `def`.
    int ReadInteger(const std::string& section, const std::string& key, int def) const;
    // Any integer other than 0 is true; a value that is no integer gives `def`.
    bool ReadBool(const std::string& section, const std::string& key, bool def) const;
    bool ValueExists(const std::string& section, const std::string& key) const;
    // Key names of a section in file order (empty when the section is absent).
    std::vector<std::string> ReadSectionKeys(const std::string& section) const;

    // Replaces the value in place, or adds the key at the end of its section; a missing
    // section is added at the end of the file. Line breaks in a value become blanks.
    void WriteString(const std::string& section, const std::string& key, const std::string& value);
    // Writes the key only when the file does not have it (then or at the next update): a
    // value this program never changed fills a gap without replacing another's.
    void WriteStringIfAbsent(const std::string& section, const std::string& key,
                             const std::string& value);
    void WriteInteger(const std::string& section, const std::string& key, int value);
    void WriteBool(const std::string& section, const std::string& key, bool value);
    void DeleteKey(const std::string& section, const std::string& key);

    // Writes pending changes into the file as it is now. True when nothing was pending or
    // the file was replaced; otherwise LastError() tells why and the changes stay pending.
    bool UpdateFile();
    bool Modified() const { return !edits_.empty(); }
    // The errno of the last failed UpdateFile (0: none), and what a message adds after the
    // file name for it (what was refused when the file could not be read).
    int LastError() const { return lastError_; }
    std::string LastErrorText() const;

  private:
    struct TLine {
        std::string text;  // without its line end
        std::string eol;   // "\r\n", "\n", or "" for a last line without one
        enum Kind { Other, Section, Key } kind = Other;
        std::string name;  // section or key name of the line
    };
    static void Classify(TLine& line);
    // Index of the "[section]" line of the first section of that name, or -1.
    int FindSection(const std::string& section) const;
    // Index of the key's line inside the section starting at `sectionLine`, or -1.
    int FindKey(int sectionLine, const std::string& key) const;
    // Index one past the section's last line.
    int SectionEnd(int sectionLine) const;
    void InsertLine(int at, std::string text);
    // The changes of the copy: true when it changed.
    bool SetValue(const std::string& section, const std::string& key, const std::string& value);
    bool RemoveKey(const std::string& section, const std::string& key);

    // One change made here since the file was read.
    struct TEdit {
        enum Kind { Set, SetIfAbsent, Delete } kind;
        std::string section, key, value;
    };

    std::string path_;
    std::vector<TLine> lines_;
    std::string bom_;
    std::string newLineEnd_ = "\r\n";
    std::vector<TEdit> edits_;
    int lastError_ = 0;
    bool lastRefused_ = false;
};

}  // namespace ravlin
