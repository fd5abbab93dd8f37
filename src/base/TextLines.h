#pragma once
// Lines and fields of a file's text as every reader of the program takes them: LF ends a
// line, a CR before it is dropped, a last line without LF counts. An empty text has no
// line.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ravlin {

class TLineReader {
  public:
    explicit TLineReader(std::string_view text) : text_(text) {}

    bool AtEnd() const { return at_ >= text_.size(); }
    // The next line; false at the end of the text, where `line` is left as it is.
    bool Next(std::string_view& line);
    bool Next(std::string& line);
    // The next line; an empty one at the end of the text.
    std::string_view Next() {
        std::string_view line;
        Next(line);
        return line;
    }

  private:
    std::string_view text_;
    size_t at_ = 0;
};

// The fields of a line: each is ended by "#"; text after the last "#" is no field. At most
// `maxFields` are taken (the readers that know how many fields they use say so: a line of
// millions of "#" then costs no list of millions).
void SplitFields(std::string_view line, std::vector<std::string_view>& fields,
                 size_t maxFields = SIZE_MAX);
std::vector<std::string_view> SplitFields(std::string_view line, size_t maxFields = SIZE_MAX);

// Every line of `text`; the empty lines at its end are dropped (an editor's stray blank
// line at the end of a file is no entry).
std::vector<std::string_view> SplitLines(std::string_view text);

}  // namespace ravlin
