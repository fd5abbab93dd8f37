// ravlin-cli set FILE.rvl POSITION [options]: edits one record of a data file (or fills an
// empty one) through the record editor's rules, and saves the file; delete FILE.rvl
// POSITION...: empties records and saves. A refused edit leaves the file as it was.

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "Cli.h"
#include "base/CodePage.h"
#include "catalog/FunctionTable.h"
#include "document/DataFile.h"
#include "records/RecordCommands.h"

namespace ravlin::cli {
namespace {

bool ParseWhole(const std::string& text, long long low, long long high, long long& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    value = std::strtoll(text.c_str(), &end, 10);
    return errno == 0 && *end == '\0' && value >= low && value <= high;
}

// Terminal text (UTF-8) as code page bytes; false after a message naming the field and the
// characters (as U+XXXX, since the message itself is code page text).
bool CodePageText(TContext& ctx, const std::string& utf8, const std::string& what,
                  std::string& out) {
    if (Utf8ToAnsi(utf8, out)) return true;
    std::string bad;
    for (size_t i = 0; i < utf8.size();) {
        size_t n = 1;
        const auto lead = static_cast<unsigned char>(utf8[i]);
        if (lead >= 0xF0)
            n = 4;
        else if (lead >= 0xE0)
            n = 3;
        else if (lead >= 0xC0)
            n = 2;
        const std::string one = utf8.substr(i, n);
        std::string ignored;
        if (!Utf8ToAnsi(one, ignored)) {
            unsigned code = n == 1 ? lead : lead & (0x7F >> n);
            for (size_t k = 1; k < n && i + k < utf8.size(); ++k)
                code = (code << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
            char hex[16];
            std::snprintf(hex, sizeof hex, "%sU+%04X", bad.empty() ? "" : " ", code);
            bad += hex;
        }
        i += n;
    }
    ctx.ui.Error(TMessage::Fixed(what + " contains characters that cannot be stored: " + bad));
    return false;
}

// The data file, its function table: what both commands start from.
struct TOpened {
    TDevice device;
    TRecordTable table;
    std::string image;
};

bool OpenFile(TContext& ctx, const std::string& fileName, TOpened& file) {
    const TDataFileEnv env{ctx.core->folders.dataDir, ctx.texts(), ctx.ui};
    return OpenData(fileName, env, false, file.device, file.table, file.image);
}

int Save(TContext& ctx, const std::string& fileName, TOpened& file, const TRecordChange& change) {
    ApplyChange(change, file.table, file.device, true);
    std::string image;
    return SaveData(fileName, file.device, file.table, image, ctx.texts(), ctx.ui) ? kOk : kFailed;
}

int RunSet(TContext& ctx) {
    const auto& args = ctx.options.args;
    std::string fileName;
    long long position = 0;
    bool havePosition = false;
    TRecordEditRequest request;
    std::array<std::string, 4> userOptions = {"--user1", "--user2", "--user3", "--user4"};
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= args.size()) return false;
            out = args[++i];
            return true;
        };
        std::string v;
        if (!a.empty() && a[0] == '-' && a.size() > 1) {
            if (!value(v)) return UsageError(a + " needs a value");
            long long n = 0;
            if (a == "--code") {
                request.code = v;
            } else if (a == "--type") {
                std::string name;
                if (!CodePageText(ctx, v, "The transmitter type", name)) return kFailed;
                request.type = name;
            } else if (a == "--button") {
                request.button = v;
            } else if (a == "--function") {
                std::string name;
                if (!CodePageText(ctx, v, "The function", name)) return kFailed;
                request.function = name;
            } else if (a == "--relay") {
                if (!ParseWhole(v, 1, 9, n)) return UsageError("--relay needs a relay number 1-9");
                request.relay = static_cast<int>(n);
            } else if (a == "--time") {
                auto boxes = ParseTimeText(v.find(',') == std::string::npos ? v + ",0" : v);
                if (!boxes) return UsageError("--time needs M:SS,mmm (for example 1:30,500)");
                request.time = *boxes;
            } else if (a == "--channels") {
                std::vector<int> channels;
                if (v != "-" && !v.empty()) {
                    size_t start = 0;
                    for (;;) {
                        const size_t comma = v.find(',', start);
                        if (!ParseWhole(v.substr(start, comma - start), 1, 99, n))
                            return UsageError("--channels needs channel numbers such as 1,2,8");
                        channels.push_back(static_cast<int>(n));
                        if (comma == std::string::npos) break;
                        start = comma + 1;
                    }
                }
                request.channels = channels;
            } else if (a == "--user-id") {
                if (!ParseWhole(v, -2147483648LL, 2147483647LL, n))
                    return UsageError("--user-id needs a whole number");
                request.userId = static_cast<int32_t>(n);
            } else {
                bool known = false;
                for (size_t k = 0; k < 4; ++k) {
                    if (a != userOptions[k]) continue;
                    std::string text;
                    if (!CodePageText(ctx, v, "User " + std::to_string(k + 1), text))
                        return kFailed;
                    request.user[k] = text;
                    known = true;
                }
                if (!known) return UsageError("unknown option " + a);
            }
        } else if (fileName.empty()) {
            fileName = a;
        } else if (!havePosition) {
            if (!ParseWhole(a, 1, 0x7FFFFFFF, position))
                return UsageError("the position must be a whole number from 1");
            havePosition = true;
        } else {
            return UsageError("takes one data file and one position");
        }
    }
    if (fileName.empty() || !havePosition) return UsageError("needs a data file and a position");

    TOpened file;
    if (!OpenFile(ctx, fileName, file)) return kFailed;
    TFunctionTable functionTable(ctx.core->folders.dataDir, ctx.texts(), ctx.ui);
    functionTable.SetFileName(ctx.core->language.FunctionTableFile());
    if (!functionTable.LoadFunctionTable(file.device.Name)) return kFailed;
    TRecordChange change;
    if (!EditRecordByRequest(file.table, file.device, functionTable, ctx.core->folders.dataDir,
                             static_cast<int>(position), request, ctx.texts(), ctx.ui, change))
        return kFailed;
    // Nothing changed: the file is not written again.
    if (change.Empty()) return kOk;
    return Save(ctx, fileName, file, change);
}

int RunDelete(TContext& ctx) {
    const auto& args = ctx.options.args;
    if (args.size() < 2) return UsageError("needs a data file and at least one position");
    std::vector<int> positions;
    for (size_t i = 1; i < args.size(); ++i) {
        long long n = 0;
        if (!ParseWhole(args[i], 1, 0x7FFFFFFF, n))
            return UsageError("positions must be whole numbers from 1: " + args[i]);
        positions.push_back(static_cast<int>(n));
    }
    TOpened file;
    if (!OpenFile(ctx, args[0], file)) return kFailed;
    for (int p : positions) {
        if (static_cast<size_t>(p) > file.table.size()) {
            ctx.ui.Error(TMessage::Fixed("Position " + std::to_string(p) +
                                         " does not exist; the memory has positions 1 to " +
                                         std::to_string(file.table.size()) + "."));
            return kFailed;
        }
        if (file.table[static_cast<size_t>(p - 1)].Empty) {
            ctx.ui.Error(
                TMessage::Fixed("Position " + std::to_string(p) + " holds no transmitter."));
            return kFailed;
        }
    }
    return Save(ctx, args[0], file, DeleteChange(file.table, file.device, positions));
}

}  // namespace

RAVLIN_CLI_COMMAND("set",
                   "FILE.rvl POSITION [--code C] [--type T] [--button D] [--function F]\n"
                   "           [--relay N] [--time M:SS,mmm] [--channels 1,2,...] [--user-id N]\n"
                   "           [--user1 TEXT] ... [--user4 TEXT]\n"
                   "           edit (or fill an empty) record of a data file",
                   RunSet, {"--code", "C", "transmitter code: 5 hex digits, x and 6, or 7"},
                   {"--type", "T", "transmitter type of Tx.def, or -"},
                   {"--button", "D", "button code, one hex digit the type gives"},
                   {"--function", "F", "function name"},
                   {"--relay", "N", "relay mode: the relay --time is for"},
                   {"--time", "M:SS,mmm", "time of the timed function"},
                   {"--channels", "1,2,...", "channels, or - for none"},
                   {"--user-id", "N", "user number"}, {"--user1", "TEXT", "user text 1"},
                   {"--user2", "TEXT", "user text 2"}, {"--user3", "TEXT", "user text 3"},
                   {"--user4", "TEXT", "user text 4"});
RAVLIN_CLI_COMMAND("delete", "FILE.rvl POSITION...   empty records of a data file", RunDelete);

}  // namespace ravlin::cli
