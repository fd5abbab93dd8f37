// The line and field rules every file reader shares.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/TextLines.h"

namespace ravlin {
namespace {

using TViews = std::vector<std::string_view>;

TEST(TextLines, LineEndsAndFields) {
    const struct {
        const char* text;
        TViews lines;  // every line the reader gives
        TViews split;  // SplitLines: without the empty lines at the end
    } cases[] = {
        {"", {}, {}},
        {"a\r\nb\nc", {"a", "b", "c"}, {"a", "b", "c"}},  // a last line without LF counts
        {"a\r\r\n\n\r\n", {"a\r", "", ""}, {"a\r"}},      // one CR before the LF only
        {"\nx\n\n", {"", "x", ""}, {"", "x"}},
    };
    for (const auto& c : cases) {
        TLineReader reader(c.text);
        TViews lines;
        for (std::string_view line; reader.Next(line);) lines.push_back(line);
        EXPECT_EQ(lines, c.lines) << c.text;
        EXPECT_EQ(SplitLines(c.text), c.split) << c.text;
        std::string kept = "kept";
        EXPECT_FALSE(reader.Next(kept));
        EXPECT_EQ(kept, "kept");
        EXPECT_EQ(reader.Next(), "");
    }
    EXPECT_EQ(SplitFields("a##b#tail"), (TViews{"a", "", "b"}));
    EXPECT_EQ(SplitFields("no field"), TViews{});
}

}  // namespace
}  // namespace ravlin
