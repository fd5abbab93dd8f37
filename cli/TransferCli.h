#pragma once
// Shared by the receiver commands of ravlin-cli (download, upload, passwd, listen).

#include <cstdio>
#include <cstdlib>
#include <string>

#include "Cli.h"

namespace ravlin::cli {

// Test and benchmark hook: RAVLIN_LINK_TIMING="BYTE_MS,PAUSE_PERCENT" shortens the link's
// time-outs. True when it is set.
inline bool LinkTimingForTests(int& byteMs, int& pausePercent) {
    const char* timing = std::getenv("RAVLIN_LINK_TIMING");
    return timing && std::sscanf(timing, "%d,%d", &byteMs, &pausePercent) >= 1;
}

// Readies the core for a receiver command: the password windows answered as Passwords.h
// says, the backup (unless --no-backup), the test timing of the link. False after a
// message (a password file that is refused); nothing was contacted then.
[[nodiscard]] inline bool PrepareReceiverCommand(TContext& ctx) {
    TCore& core = *ctx.core;
    int byteMs = 0, pausePercent = 100;
    if (LinkTimingForTests(byteMs, pausePercent))
        core.receiver.link.SetTimingForTests(byteMs, pausePercent);
    if (ctx.options.noBackup) core.settings.Backup = false;
    if (ctx.options.noVerify) {
        core.settings.VerifyDownload = false;
        core.settings.VerifyUpload = false;
    }
    if (core.settings.Backup) core.folders.MakeWritable();
    if (!ctx.passwords.Prepare(ctx.options.password, ctx.options.passwordFile, ctx.texts()))
        return false;
    core.receiver.session.passwords = &ctx.passwords;
    return true;
}

}  // namespace ravlin::cli
