// site BOOK.rvs SUBCOMMAND: the receivers of a site (site/SiteBook.h, site/SiteOperations.h).
//   add NAME (--tcp HOST:PORT | --device PATH [--baud B]) [--type NAME] [--password-file F]
//       [--data-file F]      a receiver into the book (the book is made when missing)
//   remove NAME              a receiver out of the book (its files stay)
//   list [--json]            the receivers, their connection and data file
//   check [--jobs N]         log in and download without writing: reached, type, records
//   download [--jobs N]      every receiver into its data file, with a backup each
//   find TEXT                the records of a code or a user text in the data files
//   revoke CODE [--dry-run] [--jobs N]
//   add-transmitter CODE --button B --function F [--type T] [--user-id N] [--user1 TEXT]
//       ... [--user4 TEXT] --to NAME[,NAME...] [--jobs N]
// Exit status 0 when every receiver succeeded (or had nothing to do), 1 when one failed,
// 2 for a usage error. The receivers' lines go to stdout, other messages to stderr.

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "TransferCli.h"
#include "base/CodePage.h"
#include "base/SecretFile.h"
#include "site/SiteBook.h"
#include "site/SiteOperations.h"

namespace ravlin::cli {
namespace {

namespace fs = std::filesystem;

void Out(const std::string& codePageText) {
    std::printf("%s\n", AnsiToUtf8(codePageText).c_str());
}

bool ParseNumber(const std::string& text, long low, long high, long& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    value = std::strtol(text.c_str(), &end, 10);
    return errno == 0 && *end == '\0' && value >= low && value <= high;
}

// A file name given on the command line as the book keeps it: relative to the book's
// folder when it lies below it, otherwise absolute.
std::string BookRelative(const std::string& bookPath, const std::string& path) {
    std::error_code ec;
    const fs::path file = fs::absolute(path, ec).lexically_normal();
    const fs::path folder = fs::absolute(fs::path(bookPath), ec).parent_path().lexically_normal();
    const fs::path relative = file.lexically_relative(folder);
    if (!relative.empty() && *relative.begin() != "..") return relative.string();
    return file.string();
}

std::string JsonText(const std::string& codePageText) {
    std::string s = "\"";
    for (char c : AnsiToUtf8(codePageText)) {
        if (c == '"' || c == '\\') {
            s += '\\';
            s += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\u%04x", static_cast<unsigned char>(c));
            s += hex;
        } else {
            s += c;
        }
    }
    return s + "\"";
}

int BookError(const std::string& why) {
    CommandMessage(why);
    return kFailed;
}

class TSiteCommand {
  public:
    TSiteCommand(TContext& ctx, std::string book, std::vector<std::string> args)
        : ctx_(ctx), bookPath_(std::move(book)), args_(std::move(args)) {}

    int Run(const std::string& sub) {
        if (sub != "add" && (ctx_.options.password || !ctx_.options.passwordFile.empty()))
            return UsageError("the receivers' passwords come from the book's password files");
        if (sub == "add") return Add();
        if (sub == "remove") return Remove();
        if (sub == "list") return List();
        if (sub == "find") return Find();
        if (sub == "check") return Operate(TSiteOperation::Check);
        if (sub == "download") return Operate(TSiteOperation::Download);
        if (sub == "revoke") return Operate(TSiteOperation::Revoke);
        if (sub == "add-transmitter") return Operate(TSiteOperation::Add);
        return UsageError("unknown site command " + sub);
    }

  private:
    TSiteEnv Env() const {
        TSiteEnv env{ctx_.core->language, ctx_.core->folders, bookPath_};
        LinkTimingForTests(env.linkByteMs, env.linkPausePercent);
        return env;
    }
    bool Load(TSiteBook& book) {
        std::string why;
        if (LoadSiteBook(bookPath_, book, why)) return true;
        CommandMessage(why);
        return false;
    }

    int Add() {
        TSiteReceiver r;
        bool haveTcp = false, haveDevice = false, haveBaud = false;
        for (size_t i = 0; i < args_.size(); ++i) {
            const std::string& a = args_[i];
            auto value = [&](std::string& out) {
                if (i + 1 >= args_.size()) return false;
                out = args_[++i];
                return true;
            };
            std::string v;
            long n = 0;
            if (a == "--tcp" && value(v)) {
                const size_t colon = v.rfind(':');
                if (colon == std::string::npos || colon == 0 ||
                    !ParseNumber(v.substr(colon + 1), 1, 65535, n))
                    return UsageError("--tcp needs HOST:PORT");
                r.tcp = true;
                r.host = v.substr(0, colon);
                r.port = static_cast<int>(n);
                haveTcp = true;
            } else if (a == "--device" && value(v)) {
                r.tcp = false;
                r.device = v;
                haveDevice = true;
            } else if (a == "--baud" && value(v)) {
                if (!ParseNumber(v, 1, 4000000, n))
                    return UsageError("--baud needs a speed in bit/s");
                r.baud = static_cast<int>(n);
                haveBaud = true;
            } else if (a == "--type" && value(v)) {
                r.type = v;
            } else if (a == "--data-file" && value(v)) {
                r.dataFile = BookRelative(bookPath_, v);
            } else if (!a.empty() && a[0] == '-') {
                return UsageError("unknown or incomplete option " + a);
            } else if (r.name.empty()) {
                r.name = a;
            } else {
                return UsageError("add takes one receiver name");
            }
        }
        if (r.name.empty()) return UsageError("add needs a receiver name");
        if (const auto problem = ReceiverNameProblem(r.name)) return UsageError(*problem);
        if (haveTcp == haveDevice)
            return UsageError("add needs either --tcp HOST:PORT or --device PATH");
        if (haveBaud && haveTcp) return UsageError("--baud is for a serial device");
        if (r.dataFile.empty()) r.dataFile = r.name + ".rvl";
        if (!ctx_.options.passwordFile.empty()) {
            // Refused now rather than at the first download: a file open to others is no secret.
            const TSecretFile secret = ReadSecretFile(ctx_.options.passwordFile);
            if (!secret.Ok())
                return BookError(SecretFileProblem(ctx_.options.passwordFile, secret));
            r.passwordFile = BookRelative(bookPath_, ctx_.options.passwordFile);
        } else if (ctx_.options.password) {
            return UsageError("the book keeps no passwords: give --password-file FILE");
        }
        std::string why;
        const bool ok = UpdateSiteBook(
            bookPath_,
            [&](TSiteBook& book, std::string& problem) {
                if (book.Find(r.name)) {
                    problem = "the book already has a receiver " + r.name;
                    return false;
                }
                if (book.receivers.size() >= kSiteReceiverLimit) {
                    problem = "the book is full";
                    return false;
                }
                book.receivers.push_back(r);
                return true;
            },
            why);
        return ok ? kOk : BookError(why);
    }

    int Remove() {
        if (args_.size() != 1) return UsageError("remove takes one receiver name");
        const std::string name = args_[0];
        TSiteBook check;
        if (!Load(check)) return kFailed;
        std::string why;
        const bool ok = UpdateSiteBook(
            bookPath_,
            [&](TSiteBook& book, std::string& problem) {
                const size_t before = book.receivers.size();
                std::erase_if(book.receivers,
                              [&](const TSiteReceiver& r) { return r.name == name; });
                if (book.receivers.size() == before) {
                    problem = "the book has no receiver " + name;
                    return false;
                }
                return true;
            },
            why);
        return ok ? kOk : BookError(why);
    }

    int List() {
        bool json = false;
        for (const std::string& a : args_) {
            if (a != "--json") return UsageError("list takes only --json");
            json = true;
        }
        TSiteBook book;
        if (!Load(book)) return kFailed;
        const TSiteEnv env = Env();
        if (!json) {
            Out("site " + book.site);
            for (const TSiteReceiver& r : book.receivers) {
                const std::optional<int> records = RecordsInDataFile(env, r);
                Out(r.name + "\t" + r.ConnectionText() + "\t" + (r.type.empty() ? "-" : r.type) +
                    "\t" + r.dataFile + "\t" +
                    (records ? std::to_string(*records) + (*records == 1 ? " record" : " records")
                             : std::string("no data")) +
                    "\t" + (r.lastDownload.empty() ? "never downloaded" : r.lastDownload));
            }
            return kOk;
        }
        std::string s = "{\"site\": " + JsonText(book.site) + ", \"receivers\": [";
        for (size_t i = 0; i < book.receivers.size(); ++i) {
            const TSiteReceiver& r = book.receivers[i];
            const std::optional<int> records = RecordsInDataFile(env, r);
            s += i ? ",\n  " : "\n  ";
            s += "{\"name\": " + JsonText(r.name);
            if (r.tcp)
                s += ", \"tcp\": " + JsonText(r.host + ":" + std::to_string(r.port));
            else
                s +=
                    ", \"device\": " + JsonText(r.device) + ", \"baud\": " + std::to_string(r.baud);
            s += ", \"type\": " + (r.type.empty() ? std::string("null") : JsonText(r.type));
            s += ", \"passwordFile\": " +
                 (r.passwordFile.empty() ? std::string("null") : JsonText(r.passwordFile));
            s += ", \"dataFile\": " + JsonText(r.dataFile);
            s += ", \"records\": " + (records ? std::to_string(*records) : std::string("null"));
            s += ", \"lastDownload\": " +
                 (r.lastDownload.empty() ? std::string("null") : JsonText(r.lastDownload));
            s += ", \"backup\": " + (r.backup.empty() ? std::string("null") : JsonText(r.backup));
            s += "}";
        }
        s += "\n]}";
        std::printf("%s\n", s.c_str());
        return kOk;
    }

    int Find() {
        if (args_.size() != 1) return UsageError("find takes one text (a code or a user text)");
        std::string text;
        if (!Utf8ToAnsi(args_[0], text))
            return UsageError("the text holds characters no data file holds");
        TSiteBook book;
        if (!Load(book)) return kFailed;
        std::vector<std::string> problems;
        const std::vector<TSiteHit> hits = FindInSite(Env(), book, text, problems);
        for (const std::string& p : problems) CommandMessage(AnsiToUtf8(p));
        for (const TSiteHit& h : hits)
            Out(h.receiver + "\t" + std::to_string(h.position) + "\t" + h.code + "\t" + h.user[0] +
                "\t" + h.user[1] + "\t" + h.user[2] + "\t" + h.user[3]);
        return hits.empty() ? kFailed : kOk;
    }

    // Options common to the operations; the rest are the operation's own.
    int Operate(TSiteOperation operation) {
        TSiteRequest request;
        request.operation = operation;
        for (size_t i = 0; i < args_.size(); ++i) {
            const std::string& a = args_[i];
            auto value = [&](std::string& out) {
                if (i + 1 >= args_.size()) return false;
                out = args_[++i];
                return true;
            };
            std::string v;
            long n = 0;
            const bool adding = operation == TSiteOperation::Add;
            if (a == "--jobs" && value(v)) {
                if (!ParseNumber(v, 1, 64, n))
                    return UsageError("--jobs needs a number from 1 to 64");
                request.jobs = static_cast<int>(n);
            } else if (a == "--dry-run" && operation == TSiteOperation::Revoke) {
                request.dryRun = true;
            } else if (adding && a == "--button" && value(v)) {
                request.add.button = v;
            } else if (adding && a == "--function" && value(v)) {
                std::string name;
                if (!Utf8ToAnsi(v, name)) return UsageError("the function's name cannot be stored");
                request.add.function = name;
            } else if (adding && a == "--type" && value(v)) {
                std::string name;
                if (!Utf8ToAnsi(v, name)) return UsageError("the type's name cannot be stored");
                request.add.type = name;
            } else if (adding && a == "--user-id" && value(v)) {
                if (!ParseNumber(v, -2147483647L - 1, 2147483647L, n))
                    return UsageError("--user-id needs a whole number");
                request.add.userId = static_cast<int32_t>(n);
            } else if (adding && a == "--to" && value(v)) {
                size_t start = 0;
                for (;;) {
                    const size_t comma = v.find(',', start);
                    request.receivers.push_back(v.substr(start, comma - start));
                    if (comma == std::string::npos) break;
                    start = comma + 1;
                }
            } else if (adding && a.rfind("--user", 0) == 0 && a.size() == 7 && a[6] >= '1' &&
                       a[6] <= '4' && value(v)) {
                std::string text;
                if (!Utf8ToAnsi(v, text))
                    return UsageError(std::string("User ") + a[6] +
                                      " holds characters that cannot be stored");
                request.add.user[static_cast<size_t>(a[6] - '1')] = text;
            } else if (!a.empty() && a[0] == '-') {
                return UsageError("unknown or incomplete option " + a);
            } else if ((operation == TSiteOperation::Revoke || adding) && request.code.empty()) {
                request.code = a;
            } else {
                return UsageError("unexpected argument " + a);
            }
        }
        if (operation == TSiteOperation::Revoke || operation == TSiteOperation::Add) {
            if (request.code.empty()) return UsageError("needs a transmitter code");
            if (!SerialKeyOf(request.code))
                return UsageError("not a transmitter code: " + request.code +
                                  " (5 hex digits, x and 6, or 7 hex digits)");
        }
        if (operation == TSiteOperation::Add) {
            request.add.code = request.code;
            if (!request.add.button || !request.add.function)
                return UsageError("add-transmitter needs --button B and --function F");
            if (request.receivers.empty())
                return UsageError("add-transmitter needs --to NAME[,NAME...]");
        }
        TSiteBook book;
        if (!Load(book)) return kFailed;
        std::vector<const TSiteReceiver*> chosen;
        std::string why;
        if (!SelectReceivers(book, request.receivers, chosen, why)) return BookError(why);
        if (chosen.empty()) return BookError("the book has no receivers");
        TSiteProgress progress(&InterruptFlag());
        const TSiteReport report = RunSiteOperation(Env(), book, request, progress);
        for (const TSiteOutcome& o : report.outcomes) {
            Out(OutcomeLine(report, o));
            if (!o.note.empty()) CommandMessage(o.name + ": " + AnsiToUtf8(o.note));
        }
        if (!report.logProblem.empty())
            CommandMessage("the report is not in the site's log: " + report.logProblem);
        return report.Succeeded() ? kOk : kFailed;
    }

    TContext& ctx_;
    std::string bookPath_;
    std::vector<std::string> args_;
};

int Site(TContext& ctx) {
    const auto& args = ctx.options.args;
    if (args.size() < 2) return UsageError("needs a site book and a site command");
    return TSiteCommand(ctx, args[0], {args.begin() + 2, args.end()}).Run(args[1]);
}

}  // namespace
RAVLIN_CLI_COMMAND("site",
                   "BOOK.rvs add NAME (--tcp HOST:PORT | --device PATH [--baud B])\n"
                   "           [--type NAME] [--password-file F] [--data-file F] | remove NAME |\n"
                   "           list [--json] | check [--jobs N] | download [--jobs N] |\n"
                   "           find TEXT | revoke CODE [--dry-run] [--jobs N] |\n"
                   "           add-transmitter CODE --button B --function F [--user1 TEXT] ...\n"
                   "           --to NAME[,NAME...]   the receivers of a site",
                   Site, {"--tcp", "HOST:PORT", "add: the receiver's serial-device server"},
                   {"--device", "PATH", "add: the receiver's serial device"},
                   {"--baud", "B", "add: the serial speed"},
                   {"--type", "NAME", "add: the receiver type; add-transmitter: its type"},
                   {"--data-file", "F", "add: the receiver's data file"},
                   {"--json", nullptr, "list: as JSON"},
                   {"--jobs", "N", "check, download, revoke: receiver lines worked at once"},
                   {"--dry-run", nullptr, "revoke: only say where the transmitter is"},
                   {"--button", "B", "add-transmitter: the button"},
                   {"--function", "F", "add-transmitter: the function"},
                   {"--user-id", "N", "add-transmitter: the user number"},
                   {"--user1", "TEXT", "add-transmitter: User 1"},
                   {"--user2", "TEXT", "add-transmitter: User 2"},
                   {"--user3", "TEXT", "add-transmitter: User 3"},
                   {"--user4", "TEXT", "add-transmitter: User 4"},
                   {"--to", "NAME[,NAME...]", "add-transmitter: the receivers"});
}  // namespace ravlin::cli
