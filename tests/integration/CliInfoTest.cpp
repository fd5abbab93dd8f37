// ravlin-cli info against the real simulator.

#include <gtest/gtest.h>

#include <filesystem>

#include "IntegrationSupport.h"
#include "SimProcess.h"
#include "catalog/Language.h"

namespace ravlin::test {
namespace {

class CliInfo : public ::testing::TestWithParam<TSimProcess::TTransport> {
  protected:
    void SetUp() override {
        WriteTestCatalogue(dir);
        // The language file comes from the delivered data; the catalogue is the test's own.
        std::filesystem::copy_file(std::string(RAVLIN_TEST_DATA_DIR) + "/US.lng",
                                   dir.File("US.lng"));
        std::filesystem::create_directory(dir.File("home"));
    }
    TRunResult Info(const std::vector<std::string>& extra = {}) {
        std::vector<std::string> args = sim.CliOptions();
        args.insert(args.end(), {"--data-dir", dir.Path(), "--home", dir.File("home"), "info"});
        args.insert(args.end(), extra.begin(), extra.end());
        return RunProgram(std::string(RAVLIN_BIN_DIR) + "/ravlin-cli", args);
    }

    TScratchDir dir;
    TSimProcess sim;
};

TEST_P(CliInfo, PrintsTheReceiverDescription) {
    ASSERT_TRUE(sim.Start(GetParam(), {"--data-dir", dir.Path(), "--records", "16", "--password",
                                       "secret", "--online", "0F80"}));
    const TRunResult r = Info();
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "type: KV8M\n"
              "description: Test receiver eight\n"
              "records: 16\n"
              "start: 1000\n"
              "end: 107F\n"
              "online: 0F80\n"
              "name-address: 0F10\n"
              "password-address: 0F20\n");
    EXPECT_EQ(r.err, "");
}

TEST_P(CliInfo, FailsForAnUnknownReceiverAndRefusesArguments) {
    ASSERT_TRUE(
        sim.Start(GetParam(), {"--data-dir", dir.Path(), "--type", "QQ1", "--record-length", "8"}));
    TRunResult r = Info();
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    TSilentUi silent;
    TLanguage language(dir.Path(), silent);
    ASSERT_TRUE(language.LoadLanguage("US"));
    EXPECT_EQ(r.err, TextAt(language.Texts(), Text::TypeNotInCatalogue) +
                         "\n");  // receiver type not in the catalogue

    r = Info({"extra"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
}

INSTANTIATE_TEST_SUITE_P(Transports, CliInfo, ::testing::Values(TSimProcess::Tcp, TSimProcess::Pty),
                         [](const ::testing::TestParamInfo<TSimProcess::TTransport>& i) {
                             return std::string(i.param == TSimProcess::Tcp ? "Tcp" : "Pty");
                         });

}  // namespace
}  // namespace ravlin::test
