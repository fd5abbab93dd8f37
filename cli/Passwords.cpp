#include "Passwords.h"

#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <iterator>

#include "Cli.h"
#include "base/CodePage.h"
#include "base/SecretFile.h"

namespace ravlin::cli {
namespace {

constexpr int kPromptAttempts = 3;
constexpr size_t kTypedLimit = 1024;  // what a line may hold; the rest is dropped

// The terminal's settings while a prompt hides the typing, for the signal handler below.
termios g_echoing{};

// A signal that ends the program while echo is off: the terminal gets its echo back first.
void EndWithEcho(int signal) {
    ::tcsetattr(0, TCSANOW, &g_echoing);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

// One line typed on the terminal of standard input, not echoed; nullopt at the end of the
// input, on an error or on Ctrl+C. The terminal gets its settings back on every way out,
// also when the program is ended meanwhile (SIGTERM, SIGHUP, SIGQUIT).
std::optional<std::string> ReadHiddenLine(const std::string& prompt) {
    termios saved{};
    const bool terminal = ::tcgetattr(0, &saved) == 0;
    constexpr int kEnding[] = {SIGTERM, SIGHUP, SIGQUIT};
    struct sigaction before[std::size(kEnding)] = {};
    if (terminal) {
        g_echoing = saved;
        struct sigaction restore {};
        restore.sa_handler = EndWithEcho;
        sigemptyset(&restore.sa_mask);
        for (size_t i = 0; i < std::size(kEnding); ++i)
            ::sigaction(kEnding[i], &restore, &before[i]);
        termios quiet = saved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHOE | ECHOK | ECHONL);
        quiet.c_lflag |= ICANON;
        // Flushed: what was typed ahead was typed before the prompt, with echo.
        ::tcsetattr(0, TCSAFLUSH, &quiet);
    }
    std::fputs(prompt.c_str(), stderr);
    std::fflush(stderr);
    std::string line;
    bool ended = false;
    while (!Interrupted()) {
        // poll() returns at Ctrl+C, whose handler only sets the flag.
        pollfd p{0, POLLIN, 0};
        const int r = ::poll(&p, 1, 100);
        if (r < 0 && errno == EINTR) continue;
        if (r < 0) break;
        if (r == 0) continue;
        char c = 0;
        const ssize_t n = ::read(0, &c, 1);
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (n <= 0) break;
        if (c == '\n' || c == '\r') {
            ended = true;
            break;
        }
        if (line.size() < kTypedLimit) line += c;
    }
    if (terminal) {
        ::tcsetattr(0, TCSAFLUSH, &saved);
        for (size_t i = 0; i < std::size(kEnding); ++i)
            ::sigaction(kEnding[i], &before[i], nullptr);
    }
    std::fputs("\n", stderr);  // the Enter that was not echoed
    if (!ended) return std::nullopt;
    return line;
}

// Typed and given passwords are terminal text (UTF-8); the receiver holds code page
// bytes. Text the code page cannot hold is kept as it is: no receiver password matches it.
std::string CodePagePassword(const std::string& utf8) {
    std::string out;
    return Utf8ToAnsi(utf8, out) ? out : utf8;
}

// The new password as the receiver will hold it; false after a message.
bool NewCodePagePassword(const std::string& utf8, std::string& out) {
    if (Utf8ToAnsi(utf8, out)) return true;
    CommandMessage("the new password holds characters a receiver cannot store");
    return false;
}

void WarnOfCommandLine(const char* option, const char* instead) {
    CommandMessage(std::string("warning: other users of this machine can read the password ") +
                   "given with " + option + "; use " + instead);
}

// The first line of a password file; false after the message that says why it is refused.
bool ReadPasswordFile(const std::string& file, std::string& out) {
    const TSecretFile read = ReadSecretFile(file);
    if (!read.Ok()) {
        CommandMessage(SecretFileProblem(file, read));
        return false;
    }
    out = read.secret;
    return true;
}

}  // namespace

bool TCliPasswords::Prepare(const std::optional<std::string>& option, const std::string& file,
                            const TTextTable& texts) {
    texts_ = &texts;
    const char* variable = std::getenv(kPasswordVariable);
    const std::string environment = variable ? variable : "";
    // Programs this one starts (a sound player) have no use for it.
    ::unsetenv(kPasswordVariable);
    std::string password;
    if (!file.empty()) {
        if (!ReadPasswordFile(file, password)) return false;
        given_ = CodePagePassword(password);
    } else if (option) {
        if (!option->empty())
            WarnOfCommandLine("--password", "--password-file FILE, RAVLIN_PASSWORD or the prompt");
        given_ = CodePagePassword(*option);
    } else if (!environment.empty()) {
        given_ = CodePagePassword(environment);
    } else if (!::isatty(0)) {
        given_ = std::string();
    }
    return true;
}

bool TCliPasswords::PrepareNew(const std::optional<std::string>& option, const std::string& file) {
    std::string password;
    if (!file.empty()) {
        if (!ReadPasswordFile(file, password)) return false;
    } else if (option) {
        if (!option->empty()) WarnOfCommandLine("--new", "--new-password-file FILE or the prompt");
        password = *option;
    } else {
        givenNew_.reset();
        return true;
    }
    givenNew_.emplace();
    return NewCodePagePassword(password, *givenNew_);
}

std::optional<std::string> TCliPasswords::Typed(const TDevice& device, Text label) {
    if (!receiverShown_) {
        receiverShown_ = true;
        std::fprintf(stderr, "%s %s\n", AnsiToUtf8(TextAt(*texts_, Text::RxTypeLabel)).c_str(),
                     AnsiToUtf8(device.Description).c_str());
    }
    return ReadHiddenLine(AnsiToUtf8(TextAt(*texts_, label)) + " ");
}

std::optional<std::string> TCliPasswords::TypedNew(const TDevice& device) {
    const std::optional<std::string> first = Typed(device, Text::NewPasswordLabel);
    if (!first) return std::nullopt;
    const std::optional<std::string> second = Typed(device, Text::NewPasswordLabel);
    if (!second) return std::nullopt;
    if (*first != *second) {
        CommandMessage("the two new passwords differ; nothing was changed");
        return std::nullopt;
    }
    std::string out;
    if (!NewCodePagePassword(*first, out)) return std::nullopt;
    return out;
}

std::optional<std::string> TCliPasswords::AskPassword(const TDevice& device) {
    if (given_) {
        if (loginAsked_++) return std::nullopt;
        return given_;
    }
    if (loginAsked_++ >= kPromptAttempts) return std::nullopt;
    const std::optional<std::string> typed = Typed(device, Text::PasswordLabel);
    if (!typed) return std::nullopt;
    return CodePagePassword(*typed);
}

std::optional<TPasswordChange> TCliPasswords::AskPasswordChange(const TDevice& device) {
    const std::string& stored = device.Password;
    if (changeAsked_++) {
        // Asked again: the last answer was refused. Only what was typed is asked for again.
        const std::optional<Text> why = TSession::CheckPasswordChange(change_, stored);
        const bool again = changeAsked_ <= kPromptAttempts;
        if (why == Text::None) {
            unchanged_ = true;
            return std::nullopt;
        }
        if (why == Text::WrongPassword && !given_ && again)
            haveOld_ = false;
        else if (why == Text::PasswordTooLong && !givenNew_ && again)
            haveNew_ = false;
        else
            return std::nullopt;
    }
    if (!haveOld_) {
        // The old-password field is hidden for a receiver without password.
        if (stored.empty()) {
            change_.oldPassword.clear();
        } else if (given_) {
            change_.oldPassword = *given_;
        } else {
            const std::optional<std::string> typed = Typed(device, Text::OldPasswordLabel);
            if (!typed) return std::nullopt;
            change_.oldPassword = CodePagePassword(*typed);
        }
        haveOld_ = true;
        // A wrong old password is told before the new one is typed: with the current
        // password as the new one, the check refuses the old one first.
        const TPasswordChange probe{change_.oldPassword, stored};
        if (!haveNew_ && !givenNew_ &&
            TSession::CheckPasswordChange(probe, stored) == Text::WrongPassword) {
            change_ = probe;
            return change_;
        }
    }
    if (!haveNew_) {
        if (givenNew_) {
            change_.newPassword = *givenNew_;
        } else {
            const std::optional<std::string> typed = TypedNew(device);
            if (!typed) return std::nullopt;
            change_.newPassword = *typed;
        }
        haveNew_ = true;
    }
    return change_;
}

}  // namespace ravlin::cli
