#pragma once
// Shared by the receiver commands of ravlin-cli (download, upload, passwd, listen): the
// core built from the command line, and the password "windows" answered by its options.

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>

#include "Cli.h"
#include "app/Core.h"
#include "receiver/Session.h"

namespace ravlin::cli {

// The login window answered once with --password; the password window once with
// --password (old) and the new text. A second question means the first answer was refused.
class TCliPasswords : public TPasswordSource {
  public:
    std::string password;
    std::string newPassword;
    bool unchanged = false;  // the new password equals the receiver's current one

    std::optional<std::string> AskPassword(const TDevice&) override {
        if (loginAsked_++) return std::nullopt;
        return password;
    }
    std::optional<TPasswordChange> AskPasswordChange(const TDevice& device) override {
        if (changeAsked_++) {
            unchanged = newPassword == device.Password;
            return std::nullopt;
        }
        // The old-password field is hidden for a receiver without password.
        return TPasswordChange{device.Password.empty() ? std::string() : password, newPassword};
    }

  private:
    int loginAsked_ = 0;
    int changeAsked_ = 0;
};

// The user already chose the operation on the command line: the upload question is
// answered Yes; an interrupt during an upload ends it unless a terminal user says No.
class TCommandUi : public TUserInterface {
  public:
    explicit TCommandUi(TUserInterface& inner) : inner_(inner) {}
    void Error(const TMessage& m) override { inner_.Error(m); }
    void Warning(const TMessage& m) override { inner_.Warning(m); }
    void Information(const TMessage& m) override { inner_.Information(m); }
    TAnswer Ask(const TMessage& m, TButtons buttons) override {
        if (m.textId == 95) return TAnswer::Yes;
        if (m.textId == 98 && !::isatty(0)) return TAnswer::Yes;
        return inner_.Ask(m, buttons);
    }
    void Progress(int position, int maximum) override { inner_.Progress(position, maximum); }
    bool CancelRequested() override { return inner_.CancelRequested(); }

  private:
    TUserInterface& inner_;
};

struct TCliCore {
    std::unique_ptr<TCommandUi> ui;
    std::unique_ptr<TCore> core;
    TCliPasswords passwords;
};

// Builds the core for a receiver command: language, settings, the command line's
// connection and password. False (message shown) when the language cannot be loaded.
inline bool MakeCore(TContext& ctx, TCliCore& out) {
    out.ui = std::make_unique<TCommandUi>(ctx.ui);
    out.core = std::make_unique<TCore>(ctx.folders, *out.ui);
    TCore& core = *out.core;
    if (!core.language.LoadStartupLanguage(ctx.language->Code())) return false;
    core.settings.Load(core.ini);
    core.link.Settings = ctx.connection;
    core.link.NastavIni();
    // Test and benchmark hook: "BYTE_MS,PAUSE_PERCENT" shortens the link's time-outs.
    if (const char* timing = std::getenv("RAVLIN_LINK_TIMING")) {
        int byteMs = 0, pausePercent = 100;
        if (std::sscanf(timing, "%d,%d", &byteMs, &pausePercent) >= 1)
            core.link.SetTimingForTests(byteMs, pausePercent);
    }
    if (ctx.options.noBackup) core.settings.Backup = false;
    if (core.settings.Backup) ctx.folders.MakeWritable();
    out.passwords.password = ctx.options.password;
    core.session.passwords = &out.passwords;
    return true;
}

}  // namespace ravlin::cli
