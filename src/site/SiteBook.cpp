#include "site/SiteBook.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "base/AtomicFile.h"
#include "base/SharedFile.h"
#include "base/TextLines.h"

namespace ravlin {

namespace {

constexpr std::string_view kMagic = "ravlin-site 1";

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

bool ParseInt(std::string_view text, long low, long high, int& out) {
    if (text.empty() || text.size() > 9) return false;
    long v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + (c - '0');
    }
    if (v < low || v > high) return false;
    out = static_cast<int>(v);
    return true;
}

// "HOST:PORT"; the host may not hold blanks.
bool ParseTcp(std::string_view value, std::string& host, int& port) {
    const size_t colon = value.rfind(':');
    if (colon == std::string_view::npos || colon == 0) return false;
    host = std::string(value.substr(0, colon));
    if (host.find_first_of(" \t") != std::string::npos) return false;
    return ParseInt(value.substr(colon + 1), 1, 65535, port);
}

bool HasControl(std::string_view s) {
    for (unsigned char c : s)
        if (c < 0x20 || c == 0x7F) return true;
    return false;
}

bool ValidDate(std::string_view s) {
    // dd.MM.yyyy hh:mm:ss
    if (s.size() != 19) return false;
    for (size_t i = 0; i < s.size(); ++i) {
        const char c = s[i];
        const bool digit = c >= '0' && c <= '9';
        if (i == 2 || i == 5) {
            if (c != '.') return false;
        } else if (i == 10) {
            if (c != ' ') return false;
        } else if (i == 13 || i == 16) {
            if (c != ':') return false;
        } else if (!digit) {
            return false;
        }
    }
    return true;
}

std::string LineError(size_t line, const std::string& text) {
    return "line " + std::to_string(line) + ": " + text;
}

}  // namespace

std::string TSiteReceiver::ConnectionText() const {
    if (tcp) return "tcp " + host + ":" + std::to_string(port);
    return "serial " + device + " at " + std::to_string(baud);
}

std::string TSiteReceiver::LineKey() const {
    return tcp ? "tcp " + host + ":" + std::to_string(port) : "serial " + device;
}

TConnectionSettings TSiteReceiver::Connection() const {
    TConnectionSettings s;
    if (tcp) {
        s.ConnectionType = TConnectionSettings::Tcp;
        s.IPAddress = host;
        s.IPPort = std::to_string(port);
    } else {
        s.ConnectionType = TConnectionSettings::Com;
        s.Device = device;
        s.ComSpeed = baud;
    }
    return s;
}

TSiteReceiver* TSiteBook::Find(const std::string& name) {
    for (TSiteReceiver& r : receivers)
        if (r.name == name) return &r;
    return nullptr;
}

const TSiteReceiver* TSiteBook::Find(const std::string& name) const {
    return const_cast<TSiteBook*>(this)->Find(name);
}

std::optional<std::string> ReceiverNameProblem(const std::string& name) {
    if (name.empty()) return "a receiver needs a name";
    if (name.size() > kSiteNameLimit)
        return "the receiver name " + name + " is longer than " + std::to_string(kSiteNameLimit) +
               " characters";
    const auto alnum = [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
    };
    if (!alnum(name[0])) return "the receiver name " + name + " must begin with a letter or digit";
    for (char c : name)
        if (!alnum(c) && c != '.' && c != '_' && c != '-')
            return "the receiver name " + name + " may hold only letters, digits, '.', '_' and '-'";
    return std::nullopt;
}

bool ParseSiteBook(std::string_view text, TSiteBook& book, std::string& why) {
    TSiteBook out;
    TLineReader lines(text);
    std::string_view line;
    size_t number = 0;
    bool haveMagic = false, haveSite = false;
    TSiteReceiver* current = nullptr;
    std::vector<std::string> keys;  // the keys given for the current section
    // A receiver section is complete when it names a connection and a data file.
    auto finish = [&](size_t at) -> bool {
        if (!current) return true;
        const bool hasConnection = !current->host.empty() || !current->device.empty();
        if (!hasConnection) {
            why = LineError(at, "receiver " + current->name + " has no tcp or device line");
            return false;
        }
        if (current->dataFile.empty()) {
            why = LineError(at, "receiver " + current->name + " has no data-file line");
            return false;
        }
        return true;
    };
    while (lines.Next(line)) {
        ++number;
        if (line.size() > kSiteLineLimit) {
            why =
                LineError(number, "longer than " + std::to_string(kSiteLineLimit) + " characters");
            return false;
        }
        const std::string_view t = Trim(line);
        if (t.empty() || t[0] == '#') continue;
        if (HasControl(t)) {
            why = LineError(number, "holds a control character");
            return false;
        }
        if (!haveMagic) {
            if (t != kMagic) {
                why = LineError(number, "not a site book (it must begin with \"ravlin-site 1\")");
                return false;
            }
            haveMagic = true;
            continue;
        }
        if (t.front() == '[') {
            if (t.back() != ']') {
                why = LineError(number, "a receiver section is written [NAME]");
                return false;
            }
            if (!finish(number - 1)) return false;
            const std::string name(Trim(t.substr(1, t.size() - 2)));
            if (const auto problem = ReceiverNameProblem(name)) {
                why = LineError(number, *problem);
                return false;
            }
            if (out.Find(name)) {
                why = LineError(number, "receiver " + name + " is named twice");
                return false;
            }
            if (out.receivers.size() >= kSiteReceiverLimit) {
                why = LineError(number,
                                "more than " + std::to_string(kSiteReceiverLimit) + " receivers");
                return false;
            }
            out.receivers.push_back({});
            current = &out.receivers.back();
            current->name = name;
            keys.clear();
            continue;
        }
        const size_t eq = t.find('=');
        if (eq == std::string_view::npos) {
            why = LineError(number, "expected KEY = VALUE");
            return false;
        }
        const std::string key(Trim(t.substr(0, eq)));
        const std::string_view value = Trim(t.substr(eq + 1));
        if (value.size() > kSiteValueLimit) {
            why = LineError(
                number, key + " is longer than " + std::to_string(kSiteValueLimit) + " characters");
            return false;
        }
        if (!current) {
            if (key != "site") {
                why = LineError(number, "unknown key " + key + " before the first receiver");
                return false;
            }
            if (haveSite) {
                why = LineError(number, "site is given twice");
                return false;
            }
            haveSite = true;
            out.site = std::string(value);
            continue;
        }
        for (const std::string& k : keys) {
            if (k == key) {
                why = LineError(number, key + " is given twice for " + current->name);
                return false;
            }
        }
        keys.push_back(key);
        TSiteReceiver& r = *current;
        if (key == "tcp") {
            if (!r.device.empty() || !ParseTcp(value, r.host, r.port)) {
                why = LineError(number, r.device.empty()
                                            ? "tcp needs HOST:PORT (a port from 1 to 65535)"
                                            : "a receiver has either tcp or device");
                return false;
            }
            r.tcp = true;
        } else if (key == "device") {
            if (!r.host.empty() || value.empty()) {
                why = LineError(number, value.empty() ? "device needs a path"
                                                      : "a receiver has either tcp or device");
                return false;
            }
            r.tcp = false;
            r.device = std::string(value);
        } else if (key == "baud") {
            if (!ParseInt(value, 1, 4000000, r.baud)) {
                why = LineError(number, "baud needs a speed in bit/s");
                return false;
            }
        } else if (key == "type") {
            r.type = std::string(value);
        } else if (key == "password-file") {
            r.passwordFile = std::string(value);
        } else if (key == "data-file") {
            r.dataFile = std::string(value);
        } else if (key == "last-download") {
            if (!value.empty() && !ValidDate(value)) {
                why = LineError(number, "last-download is written dd.MM.yyyy hh:mm:ss");
                return false;
            }
            r.lastDownload = std::string(value);
        } else if (key == "backup") {
            r.backup = std::string(value);
        } else {
            why = LineError(number, "unknown key " + key);
            return false;
        }
    }
    if (!haveMagic) {
        why = "not a site book (it must begin with \"ravlin-site 1\")";
        return false;
    }
    if (!finish(number)) return false;
    book = std::move(out);
    return true;
}

std::string FormatSiteBook(const TSiteBook& book) {
    std::string s = "ravlin-site 1\n";
    s += "# A site book of Ravlin: the site's receivers (see man ravlin-cli, SITE BOOKS).\n";
    s += "site = " + book.site + "\n";
    for (const TSiteReceiver& r : book.receivers) {
        s += "\n[" + r.name + "]\n";
        if (r.tcp) {
            s += "tcp = " + r.host + ":" + std::to_string(r.port) + "\n";
        } else {
            s += "device = " + r.device + "\n";
            s += "baud = " + std::to_string(r.baud) + "\n";
        }
        if (!r.type.empty()) s += "type = " + r.type + "\n";
        if (!r.passwordFile.empty()) s += "password-file = " + r.passwordFile + "\n";
        s += "data-file = " + r.dataFile + "\n";
        if (!r.lastDownload.empty()) s += "last-download = " + r.lastDownload + "\n";
        if (!r.backup.empty()) s += "backup = " + r.backup + "\n";
    }
    return s;
}

bool LoadSiteBook(const std::string& path, TSiteBook& book, std::string& why) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        why = path + ": " + SystemErrorText(errno);
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        why = path + ": not a regular file";
        return false;
    }
    if (static_cast<size_t>(st.st_size) > kSiteBookLimit) {
        why = path + ": larger than a site book may be (" + std::to_string(kSiteBookLimit / 1024) +
              " KiB)";
        return false;
    }
    std::string text;
    if (const int error = ReadWholeFile(path, text)) {
        why = path + ": " + SystemErrorText(error);
        return false;
    }
    if (text.size() > kSiteBookLimit) {
        why = path + ": larger than a site book may be";
        return false;
    }
    std::string problem;
    if (!ParseSiteBook(text, book, problem)) {
        why = path + ": " + problem;
        return false;
    }
    return true;
}

bool UpdateSiteFile(const std::string& path,
                    const std::function<bool(std::string& content, std::string& why)>& apply,
                    std::string& why) {
    TUpdateOptions options;
    bool applied = false;
    const int error = UpdateSharedFile(
        path,
        [&](std::string& content, bool) {
            applied = apply(content, why);
            return applied ? TUpdateStep::Write : TUpdateStep::Keep;
        },
        options);
    if (error != 0) {
        // Not a regular file, too large, locked too long by another program, or the write.
        const std::string refusal = RefusalText(error, options.maxBytes);
        why = path + (refusal.empty() ? ": " + SystemErrorText(error) : refusal);
        return false;
    }
    return applied;
}

bool UpdateSiteBook(const std::string& path,
                    const std::function<bool(TSiteBook& book, std::string& why)>& change,
                    std::string& why) {
    return UpdateSiteFile(
        path,
        [&](std::string& content, std::string& problem) {
            TSiteBook book;
            if (content.empty()) {
                book.site = SiteStem(path);
            } else {
                if (content.size() > kSiteBookLimit) {
                    problem = path + ": larger than a site book may be";
                    return false;
                }
                std::string bad;
                if (!ParseSiteBook(content, book, bad)) {
                    problem = path + ": " + bad;
                    return false;
                }
            }
            if (!change(book, problem)) return false;
            content = FormatSiteBook(book);
            return true;
        },
        why);
}

std::string SitePath(const std::string& bookPath, const std::string& name) {
    if (name.empty() || name[0] == '/') return name;
    const size_t slash = bookPath.rfind('/');
    if (slash == std::string::npos) return name;
    return bookPath.substr(0, slash + 1) + name;
}

std::string SiteStem(const std::string& bookPath) {
    const size_t slash = bookPath.rfind('/');
    std::string stem = slash == std::string::npos ? bookPath : bookPath.substr(slash + 1);
    if (stem.size() > 4 && stem.compare(stem.size() - 4, 4, ".rvs") == 0)
        stem.resize(stem.size() - 4);
    return stem;
}

std::string SiteLogPath(const std::string& bookPath) {
    std::string path = bookPath;
    if (path.size() > 4 && path.compare(path.size() - 4, 4, ".rvs") == 0)
        path.resize(path.size() - 4);
    return path + ".log";
}

}  // namespace ravlin
