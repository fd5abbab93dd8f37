// The manual page ravlin-cli(1) against the tool itself: every command answers --help, and
// the commands and options the tool accepts (its option tables, as --help lists them) are
// exactly those the manual page names.

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <map>
#include <regex>
#include <set>
#include <sstream>

#include "IntegrationSupport.h"

namespace ravlin::test {
namespace {

using TNames = std::set<std::string>;

TRunResult Cli(const std::vector<std::string>& args) {
    return RunProgram(std::string(RAVLIN_BIN_DIR) + "/ravlin-cli", args);
}

// The options a --help text lists: its lines "  -o, --output FILE  ...".
TNames HelpOptions(const std::string& help) {
    TNames names;
    std::istringstream in(help);
    const std::regex option("^  (-[-a-z0-9]+)(, (--[-a-z0-9]+))?");
    for (std::string line; std::getline(in, line);) {
        std::smatch m;
        if (!std::regex_search(line, m, option)) continue;
        names.insert(m[1].str());
        if (m[3].matched) names.insert(m[3].str());
    }
    return names;
}

// Option names in roff text ("\-\-count" is "--count"; "read\-only" names none).
TNames RoffOptions(std::string text) {
    text = std::regex_replace(text, std::regex(R"(\\-)"), "-");
    text = std::regex_replace(text, std::regex(R"(\\f[BIRP])"), " ");
    TNames names;
    const std::regex option(R"((^|[^A-Za-z0-9-])(--?[a-z][a-z0-9]*(-[a-z0-9]+)*))");
    for (std::sregex_iterator i(text.begin(), text.end(), option), e; i != e; ++i)
        names.insert((*i)[2].str());
    return names;
}

struct TManual {
    TNames globalOptions;
    std::map<std::string, TNames> commands;  // command -> options its entry names
};

// OPTIONS: every option named; COMMANDS: one ".TP" entry per command, the first bold word
// its name.
TManual ReadManual(const std::string& path) {
    std::ifstream in(path);
    EXPECT_TRUE(in) << path;
    TManual manual;
    std::string section, entry, command;
    auto flush = [&] {
        if (section == "COMMANDS" && !command.empty()) {
            EXPECT_EQ(manual.commands.count(command), 0u) << command << " twice";
            manual.commands[command] = RoffOptions(entry);
        }
        entry.clear();
        command.clear();
    };
    bool first = false;
    int depth = 0;
    for (std::string line; std::getline(in, line);) {
        if (line.rfind(".SH ", 0) == 0) {
            flush();
            section = line.substr(4);
            continue;
        }
        if (section == "OPTIONS") {
            for (const std::string& o : RoffOptions(line)) manual.globalOptions.insert(o);
        } else if (section == "COMMANDS") {
            // An entry may hold its own indented list (.RS ... .RE): a command's subcommands.
            if (line.rfind(".RS", 0) == 0) ++depth;
            if (line.rfind(".RE", 0) == 0 && depth > 0) --depth;
            if (line == ".TP" && depth == 0) {
                flush();
                first = true;
                continue;
            }
            if (first) {
                std::smatch m;
                if (std::regex_search(line, m, std::regex(R"(^\\fB([a-z]+)\\fR)")))
                    command = m[1].str();
                EXPECT_FALSE(command.empty()) << "entry without a command: " << line;
                first = false;
            }
            entry += line + "\n";
        }
    }
    flush();
    return manual;
}

TEST(CliManual, CommandsAndOptionsAreThoseOfTheManualPage) {
    const TManual manual = ReadManual(std::string(RAVLIN_TEST_DATA_DIR) + "/../man/ravlin-cli.1");
    const TRunResult usage = Cli({"--help"});
    ASSERT_EQ(usage.status, 0) << usage.err;
    const size_t commandsAt = usage.out.find("\ncommands");
    ASSERT_NE(commandsAt, std::string::npos) << usage.out;
    EXPECT_EQ(HelpOptions(usage.out.substr(0, commandsAt)), manual.globalOptions);

    TNames commands;
    std::istringstream lines(usage.out.substr(commandsAt + 1));
    std::string line;
    std::getline(lines, line);  // "commands ..."
    const std::regex commandLine("^  ([a-z]+) ");
    for (std::smatch m; std::getline(lines, line);)
        if (std::regex_search(line, m, commandLine)) commands.insert(m[1].str());
    TNames documented;
    for (const auto& [name, options] : manual.commands) documented.insert(name);
    EXPECT_EQ(commands, documented);

    for (const std::string& command : commands) {
        SCOPED_TRACE(command);
        const TRunResult help = Cli({command, "--help"});
        EXPECT_EQ(help.status, 0) << help.err;
        EXPECT_EQ(help.err, "");
        EXPECT_EQ(help.out.rfind("usage: ravlin-cli [options] " + command + " ", 0), 0u)
            << help.out;
        const auto it = manual.commands.find(command);
        if (it != manual.commands.end()) {
            // An entry may also name the tool's own options ("--password gives the old one").
            TNames own;
            for (const std::string& o : it->second)
                if (!manual.globalOptions.count(o)) own.insert(o);
            // A command may take one of them as its own (site add --tcp): it is named either way.
            TNames listed;
            for (const std::string& o : HelpOptions(help.out))
                if (!manual.globalOptions.count(o)) listed.insert(o);
            EXPECT_EQ(listed, own);
        }
        // An option of no command's table is refused before anything runs.
        EXPECT_EQ(Cli({command, "--no-such-option"}).status, 2);
    }
}

}  // namespace
}  // namespace ravlin::test
