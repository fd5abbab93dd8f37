// Questions answered by a typed line (the command-line tool's terminal): the default
// button for an empty line, the choices shown with the default in capitals.

#include <gtest/gtest.h>

#include "base/UserInterface.h"

namespace ravlin {
namespace {

TEST(AnswerOfLine, AnEmptyLineTakesTheDefaultButton) {
    EXPECT_EQ(AnswerOfLine("", TButtons::YesNo, TAnswer::No), TAnswer::No);
    EXPECT_EQ(AnswerOfLine("  \r", TButtons::YesNo, TAnswer::No), TAnswer::No);
    EXPECT_EQ(AnswerOfLine("", TButtons::YesNo, TAnswer::Yes), TAnswer::Yes);
    EXPECT_EQ(AnswerOfLine("", TButtons::YesNoCancel, TAnswer::Cancel), TAnswer::Cancel);
}

TEST(AnswerOfLine, WordsAndTheirFirstLettersInEitherCase) {
    for (const char* yes : {"y", "Y", "yes", "YES", " ye "})
        EXPECT_EQ(AnswerOfLine(yes, TButtons::YesNo, TAnswer::No), TAnswer::Yes) << yes;
    for (const char* no : {"n", "No", "NO\r"})
        EXPECT_EQ(AnswerOfLine(no, TButtons::YesNo, TAnswer::Yes), TAnswer::No) << no;
    EXPECT_EQ(AnswerOfLine("c", TButtons::YesNoCancel, TAnswer::Yes), TAnswer::Cancel);
    // Nothing it answers: the question is asked again.
    EXPECT_EQ(AnswerOfLine("c", TButtons::YesNo, TAnswer::Yes), std::nullopt);
    EXPECT_EQ(AnswerOfLine("yess", TButtons::YesNo, TAnswer::No), std::nullopt);
    EXPECT_EQ(AnswerOfLine("maybe", TButtons::YesNoCancel, TAnswer::No), std::nullopt);
}

TEST(AnswerChoices, TheDefaultInCapitals) {
    EXPECT_EQ(AnswerChoices(TButtons::YesNo, TAnswer::Yes), "Y/n");
    EXPECT_EQ(AnswerChoices(TButtons::YesNo, TAnswer::No), "y/N");
    EXPECT_EQ(AnswerChoices(TButtons::YesNoCancel, TAnswer::Yes), "Y/n/c");
    EXPECT_EQ(AnswerChoices(TButtons::YesNoCancel, TAnswer::Cancel), "y/n/C");
}

// An interface that answers without a user still gets the question with a default.
TEST(Ask, TheDefaultReachesAnInterfaceThatKnowsNoDefaults) {
    struct TOld : TUserInterface {
        int asked = 0;
        void Error(const TMessage&) override {}
        TAnswer Ask(const TMessage&, TButtons) override {
            ++asked;
            return TAnswer::Cancel;
        }
    } old;
    TUserInterface& ui = old;
    EXPECT_EQ(ui.Ask(TMessage::Fixed("?"), TButtons::YesNo, TAnswer::No), TAnswer::Cancel);
    EXPECT_EQ(old.asked, 1);
}

}  // namespace
}  // namespace ravlin
