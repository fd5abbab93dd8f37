// The site book: what it keeps, what it refuses, and changes under its lock.

#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#include "base/AtomicFile.h"
#include "site/SiteBook.h"

namespace ravlin {
namespace {

namespace fs = std::filesystem;

TEST(SiteBook, WhatIsWrittenReadsBackTheSame) {
    TSiteBook book;
    book.site = "North Estate";
    TSiteReceiver gate;
    gate.name = "gate-1";
    gate.host = "192.0.2.10";
    gate.port = 10001;
    gate.type = "KV2R";
    gate.passwordFile = "gate-1.pass";
    gate.dataFile = "gate-1.rvl";
    gate.lastDownload = "10.12.2026 11:42:05";
    gate.backup = "/b/gate-1_261210_114205.rvl";
    TSiteReceiver door;
    door.name = "door.2_b";
    door.tcp = false;
    door.device = "/dev/ttyUSB0";
    door.baud = 57600;
    door.dataFile = "/srv/door.rvl";
    book.receivers = {gate, door};

    TSiteBook back;
    std::string why;
    ASSERT_TRUE(ParseSiteBook(FormatSiteBook(book), back, why)) << why;
    EXPECT_EQ(FormatSiteBook(back), FormatSiteBook(book));
    ASSERT_EQ(back.receivers.size(), 2u);
    EXPECT_EQ(back.site, "North Estate");
    EXPECT_EQ(back.receivers[0].ConnectionText(), "tcp 192.0.2.10:10001");
    EXPECT_EQ(back.receivers[1].ConnectionText(), "serial /dev/ttyUSB0 at 57600");
    EXPECT_EQ(back.receivers[1].Connection().ComSpeed, 57600);
    // Hand-written: CR LF, blanks around "=", comments.
    ASSERT_TRUE(
        ParseSiteBook("# mine\r\nravlin-site 1\r\n\r\n[g]\r\n  tcp=h:1 \r\n"
                      "data-file = g.rvl\r\n",
                      back, why))
        << why;
    EXPECT_EQ(back.receivers[0].host, "h");
}

TEST(SiteBook, RefusesWhatItCannotKeepWithTheLine) {
    const std::string head = "ravlin-site 1\n";
    const std::string ok = "[g]\ntcp = h:1\ndata-file = g.rvl\n";
    struct TCase {
        std::string text, why;
    } cases[] = {
        {"site = x\n", "line 1: not a site book"},
        {"", "not a site book"},
        {head + "colour = red\n", "line 2: unknown key colour"},
        {head + ok + "[g]\n", "line 5: receiver g is named twice"},
        {head + "[g h]\n", "may hold only letters"},
        {head + "[-g]\n", "must begin with a letter or digit"},
        {head + "[g\n", "written [NAME]"},
        {head + "[g]\ntcp = h:1\ndevice = /dev/x\n", "either tcp or device"},
        {head + "[g]\ntcp = h:0\n", "a port from 1 to 65535"},
        {head + "[g]\ntcp = h\n", "tcp needs HOST:PORT"},
        {head + "[g]\ndata-file = g.rvl\n", "has no tcp or device line"},
        {head + "[g]\ntcp = h:1\n[h]\n", "line 3: receiver g has no data-file line"},
        {head + ok + "last-download = yesterday\n", "dd.MM.yyyy hh:mm:ss"},
        {head + ok + "type = A\ntype = B\n", "type is given twice"},
        {head + ok + "baud = fast\n", "baud needs a speed"},
        {head + "site = " + std::string(kSiteLineLimit, 'x') + "\n", "line 2: longer than"},
        {head + "site = a\tb\x01\n", "control character"},
        {head + ok + "just words\n", "expected KEY = VALUE"},
    };
    for (const TCase& c : cases) {
        TSiteBook book;
        book.site = "kept";
        std::string why;
        EXPECT_FALSE(ParseSiteBook(c.text, book, why)) << c.text;
        EXPECT_NE(why.find(c.why), std::string::npos) << why;
        EXPECT_EQ(book.site, "kept");
    }
}

class SiteBookFile : public ::testing::Test {
  protected:
    void SetUp() override {
        char tmpl[] = "/tmp/ravlin-book-XXXXXX";
        ASSERT_NE(::mkdtemp(tmpl), nullptr);
        dir = tmpl;
        path = dir + "/north.rvs";
    }
    void TearDown() override { fs::remove_all(dir); }
    std::string dir, path;
};

TEST_F(SiteBookFile, ARefusedChangeLeavesTheFileAsItWas) {
    std::string why;
    ASSERT_TRUE(UpdateSiteFile(
        path,
        [](std::string& content, std::string&) {
            content = "ravlin-site 1\n# by hand\n";
            return true;
        },
        why));
    EXPECT_FALSE(UpdateSiteBook(
        path,
        [](TSiteBook&, std::string& problem) {
            problem = "no";
            return false;
        },
        why));
    EXPECT_EQ(why, "no");
    std::string text;
    ASSERT_EQ(ReadWholeFile(path, text), 0);
    EXPECT_EQ(text, "ravlin-site 1\n# by hand\n");
    // A book that is not one is not replaced by a change.
    ASSERT_EQ(WriteFileAtomically(path, "site = x\n"), 0);
    EXPECT_FALSE(UpdateSiteBook(
        path, [](TSiteBook&, std::string&) { return true; }, why));
    ASSERT_EQ(ReadWholeFile(path, text), 0);
    EXPECT_EQ(text, "site = x\n");
    TSiteBook book;
    EXPECT_FALSE(LoadSiteBook(dir, book, why));
    EXPECT_NE(why.find("not a regular file"), std::string::npos);
}

// Changes made at the same time each see the other's: none is written over.
TEST_F(SiteBookFile, ChangesAtTheSameTimeAreAllKept) {
    constexpr int kThreads = 4, kEach = 15;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < kEach; ++i) {
                std::string why;
                UpdateSiteBook(
                    path,
                    [&](TSiteBook& book, std::string&) {
                        TSiteReceiver r;
                        r.name = "r" + std::to_string(t) + "-" + std::to_string(i);
                        r.host = "h";
                        r.port = 1;
                        r.dataFile = r.name + ".rvl";
                        book.receivers.push_back(r);
                        return true;
                    },
                    why);
            }
        });
    }
    for (std::thread& t : threads) t.join();
    TSiteBook book;
    std::string why;
    ASSERT_TRUE(LoadSiteBook(path, book, why)) << why;
    EXPECT_EQ(book.receivers.size(), static_cast<size_t>(kThreads * kEach));
    EXPECT_EQ(book.site, "north");
}

}  // namespace
}  // namespace ravlin
