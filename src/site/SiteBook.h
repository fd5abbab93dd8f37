#pragma once
// The site book (*.rvs): the receivers of one site — the gates, barriers and doors of an
// estate — with how each is reached and where its records are kept. A text file of lines
// (man ravlin-cli, SITE BOOKS):
//
//   ravlin-site 1
//   site = North Estate
//   [gate-1]
//   tcp = 192.0.2.10:10001
//   type = KV2R
//   password-file = gate-1.pass
//   data-file = gate-1.rvl
//   last-download = 10.12.2026 11:42:05
//   backup = /home/ann/.local/share/ravlin/Backup/north/gate-1_261210_114205.rvl
//
// Passwords are never in the book, only the name of a file that holds one (SecretFile.h).
// Relative file names are taken from the book's folder. The book and the site's log are
// changed only through UpdateSiteFile: a refused change leaves the file as it was.

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "link/ConnectionSettings.h"

namespace ravlin {

// Limits of a book: what a site has, with room to spare; anything larger is refused.
inline constexpr size_t kSiteBookLimit = 256 * 1024;
inline constexpr size_t kSiteReceiverLimit = 500;
inline constexpr size_t kSiteLineLimit = 1024;
inline constexpr size_t kSiteValueLimit = 900;  // a value, so that its line fits written back
inline constexpr size_t kSiteNameLimit = 32;    // a receiver's name

struct TSiteReceiver {
    std::string name;  // letters, digits, '.', '_', '-'; unique in the book
    bool tcp = true;
    std::string host;  // tcp
    int port = 0;
    std::string device;  // serial
    int baud = 9600;
    std::string type;          // the receiver type expected; empty: any
    std::string passwordFile;  // empty: the receiver has no password
    std::string dataFile;
    std::string lastDownload;  // "dd.MM.yyyy hh:mm:ss", empty before the first
    std::string backup;        // the backup written by the last download

    // "tcp HOST:PORT" or "serial PATH at B"; also the line a receiver shares with others
    // (receivers on one serial line, or behind one serial-device server port, take turns).
    std::string ConnectionText() const;
    std::string LineKey() const;
    TConnectionSettings Connection() const;
};

struct TSiteBook {
    std::string site;  // the site's name
    std::vector<TSiteReceiver> receivers;

    TSiteReceiver* Find(const std::string& name);
    const TSiteReceiver* Find(const std::string& name) const;
};

// Nothing when `name` may name a receiver; otherwise why not.
std::optional<std::string> ReceiverNameProblem(const std::string& name);

// The book in `text`; false with `why` ("line 7: ...") for anything it does not accept.
bool ParseSiteBook(std::string_view text, TSiteBook& book, std::string& why);
std::string FormatSiteBook(const TSiteBook& book);

// Reads a book file (a regular file of at most kSiteBookLimit bytes).
bool LoadSiteBook(const std::string& path, TSiteBook& book, std::string& why);

// The one way a site's files change: `apply` gets the file's current content (empty for a
// missing file) and changes it, or returns false with `why` to leave the file alone. It is
// the shared files' locked update (base/SharedFile.h: the lock file ".FILE.lock" beside
// it, held from before the read until the file has been replaced atomically), so that two
// programs never write over each other's change.
bool UpdateSiteFile(const std::string& path,
                    const std::function<bool(std::string& content, std::string& why)>& apply,
                    std::string& why);

// A change of the book as it is in the file now (read again under the lock); a book that
// does not exist yet starts empty with the site named after the file.
bool UpdateSiteBook(const std::string& path,
                    const std::function<bool(TSiteBook& book, std::string& why)>& change,
                    std::string& why);

// A file name of the book resolved against the book's folder.
std::string SitePath(const std::string& bookPath, const std::string& name);
// The book's file name without folder and ".rvs".
std::string SiteStem(const std::string& bookPath);
// The site's log: the book's name with ".log" for ".rvs", beside it.
std::string SiteLogPath(const std::string& bookPath);

}  // namespace ravlin
