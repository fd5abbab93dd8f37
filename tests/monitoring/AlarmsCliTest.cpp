// ravlin-cli alarms: the alarm log of the home folder, all of it or since a date.

#include <gtest/gtest.h>

#include "../integration/IntegrationSupport.h"

namespace ravlin::test {
namespace {

class AlarmsCli : public ::testing::Test {
  protected:
    TRunResult Alarms(const std::vector<std::string>& extra) {
        std::vector<std::string> args = {"--home", dir.Path(), "alarms"};
        args.insert(args.end(), extra.begin(), extra.end());
        return RunProgram(std::string(RAVLIN_BIN_DIR) + "/ravlin-cli", args);
    }
    void WriteText(const std::string& name, const std::string& text) {
        std::ofstream(dir.File(name), std::ios::binary) << text;
    }
    TScratchDir dir;
};

TEST_F(AlarmsCli, PrintsTheLogOldestFirst) {
    WriteText("Alarms.1.dat",
              "28.02.2024 23:00:00#activate#transmitter#1#1A12345#3##Door, front#\r\n");
    WriteText("Alarms.dat",
              "01.03.2024 08:00:00#deactivate#hand#1###Jan#Door, front#\r\n"
              "damaged line\r\n"
              "01.03.2024 09:30:00#activate#transmitter#2#A012345#A=1,B=0##Caf\xE9#\r\n");
    TRunResult r = Alarms({"--csv"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "Time,Action,Cause,Message,Text,Transmitter,Button,Operator,State\n"
              "28.02.2024 23:00:00,activate,transmitter,1,\"Door, front\",1A12345,3,,\n"
              "01.03.2024 08:00:00,deactivate,hand,1,\"Door, front\",,,Jan,\n"
              "01.03.2024 09:30:00,activate,transmitter,2,Caf\xC3\xA9,A012345,\"A=1,B=0\",,open\n");
    EXPECT_EQ(r.err, "1 damaged line of the alarm log skipped\n");

    r = Alarms({"--since", "2024-03-01T09:00"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out,
              "Time                 Action    Cause        Message  Text  Transmitter  Button   "
              "Operator  State\n"
              "01.03.2024 09:30:00  activate  transmitter  2        Caf\xC3\xA9  A012345      "
              "A=1,B=0            open\n");
    r = Alarms({"--since", "01.03.2024", "--csv"});
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 3);
    // The alarms not ended yet, and the outage with its length.
    WriteText("Alarms.2.dat",
              "01.03.2024 08:10:00#trouble#link lost#0####Communication with the receiver lost#\r\n"
              "01.03.2024 08:10:09#trouble#link restored#9####Communication with the receiver "
              "restored#\r\n");
    r = Alarms({"--open", "--csv"});
    EXPECT_EQ(r.out,
              "Time,Action,Cause,Message,Text,Transmitter,Button,Operator,State\n"
              "01.03.2024 09:30:00,activate,transmitter,2,Caf\xC3\xA9,A012345,\"A=1,B=0\",,open\n");
    r = Alarms({"--csv"});
    EXPECT_NE(r.out.find("trouble,link restored,-,Communication with the receiver restored "
                         "after 9 s,,,,\n"),
              std::string::npos)
        << r.out;
}

TEST_F(AlarmsCli, NoLogIsAnEmptyListAndBadArgumentsAreUsageErrors) {
    TRunResult r = Alarms({"--csv"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "Time,Action,Cause,Message,Text,Transmitter,Button,Operator,State\n");
    EXPECT_EQ(Alarms({"--since"}).status, 2);
    EXPECT_EQ(Alarms({"--since", "31.02.2024"}).status, 2);
    EXPECT_EQ(Alarms({"--what"}).status, 2);

    // A folder where the log should be cannot be read.
    std::filesystem::create_directory(dir.File("Alarms.dat"));
    r = Alarms({});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Alarms.dat"), std::string::npos);
    EXPECT_EQ(r.out, "");
}

}  // namespace
}  // namespace ravlin::test
