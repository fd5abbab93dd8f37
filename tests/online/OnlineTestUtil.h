#pragma once
// Shared pieces of the on-line tests: a scratch folder, language texts that tell the
// messages apart, records and a clock that the tests move by hand.

#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "base/UserInterface.h"
#include "online/LogTime.h"
#include "records/Data.h"

namespace ravlin::test {

class TTempDir {
  public:
    TTempDir() {
        char tmpl[] = "/tmp/ravlin-online-XXXXXX";
        const char* p = ::mkdtemp(tmpl);
        path_ = p ? p : "";
    }
    ~TTempDir() {
        std::error_code ec;
        if (!path_.empty()) std::filesystem::remove_all(path_, ec);
    }
    const std::string& Path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};

inline std::string ReadAll(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

inline void WriteAll(const std::string& path, const std::string& content) {
    std::ofstream(path, std::ios::binary) << content;
}

// Language texts with the ones the logs show; every other text is "T<n>".
inline TTextTable LogTexts() {
    TTextTable t;
    for (int i = 0; i < 300; ++i) t.push_back("T" + std::to_string(i));
    t[204] = "Low";
    t[205] = "Changed";
    t[217] = "OK";
    return t;
}

inline TLogTime At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
    TLogTime t = kNoTime;
    MakeLogTime(y, mo, d, h, mi, s, t);
    return t;
}

// A clock the test moves by hand.
struct TManualClock : TLogClock {
    explicit TManualClock(TLogTime start) : now(start) {}
    TLogTime now;
    TLogTime Now() const override { return now; }
};

// A record that holds a transmitter.
inline TData Record(int position, const std::string& serial, const std::string& button,
                    int userId = 0, const std::string& user1 = {}, const std::string& user2 = {},
                    const std::string& user3 = {}, const std::string& user4 = {}) {
    TData r;
    r.Position = position;
    r.Empty = false;
    r.Serial = serial;
    r.Button = button;
    r.UserID = userId;
    r.User1 = user1;
    r.User2 = user2;
    r.User3 = user3;
    r.User4 = user4;
    return r;
}

}  // namespace ravlin::test
