#pragma once
// Helpers of the views tests: scratch folders, a File view over a small record table with
// cell texts that need no function table, and running a program.

#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "views/FileView.h"

namespace ravlin::test {

class TTempDir {
  public:
    TTempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "ravlin-views-XXXXXX");
        path_ = ::mkdtemp(pattern.data());
    }
    ~TTempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    const std::string& Path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "/" + name; }
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (auto& e : std::filesystem::directory_iterator(path_))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

  private:
    std::string path_;
};

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

inline void WriteFile(const std::string& path, const std::string& content) {
    std::ofstream(path, std::ios::binary) << content;
}

inline TData Record(int position, std::string serial, std::string button, int userId,
                    std::string user1, std::string user2 = {}) {
    TData r;
    r.Position = position;
    r.Empty = false;
    r.CodePrefix = "B2";
    r.Serial = std::move(serial);
    r.Button = std::move(button);
    r.Output = "01";
    r.Time = "0005";
    r.UserID = userId;
    r.User1 = std::move(user1);
    r.User2 = std::move(user2);
    r.TxType = "Hand";
    return r;
}

inline TCellTexts SimpleCells() {
    TCellTexts c;
    c.function = [](const TData& r) { return "Func " + r.Output; };
    c.channels = [](const TData& r) { return "Ch " + r.Channels; };
    c.time = [](const TData& r) { return r.Time + " s"; };
    c.relayFunction = [](const TData& r, int j) { return "R" + std::to_string(j); };
    c.relayTime = [](const TData& r, int j) { return "T" + std::to_string(j); };
    c.extra = [](const TData&) { return std::string("cmd"); };
    c.outputs = 2;
    return c;
}

// Builds a File view of `table` in the default single layout with all user columns.
inline TFileView MakeFileView(const TRecordTable& table, const TTextTable& texts,
                              const TUserTitles& titles,
                              const char* list = DefaultLayoutList(TLayoutFamily::Single),
                              int count = 13) {
    TFileView view;
    view.layout = BuildColumnLayout(ParseLayoutList(list), count);
    view.sort = {-1, true};  // position order
    view.Refresh(table, texts, titles, SimpleCells());
    return view;
}

inline TTextTable NumberedTexts() {
    TTextTable texts(300);
    for (size_t i = 0; i < texts.size(); ++i) texts[i] = "Text" + std::to_string(i);
    return texts;
}

struct TRun {
    int status = -1;
    std::string out, err;
};

// Runs `program` with `args`, collecting stdout and stderr through files.
inline TRun RunCommand(const std::string& program, const std::vector<std::string>& args,
                       const std::string& scratch) {
    std::string command = "'" + program + "'";
    for (const auto& a : args) command += " '" + a + "'";
    const std::string out = scratch + "/.out", err = scratch + "/.err";
    command += " >'" + out + "' 2>'" + err + "'";
    TRun r;
    const int rc = std::system(command.c_str());
    r.status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    r.out = ReadFile(out);
    r.err = ReadFile(err);
    std::remove(out.c_str());
    std::remove(err.c_str());
    return r;
}

// True when `name` is a program on the PATH.
inline bool HaveProgram(const std::string& name) {
    return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0;
}

}  // namespace ravlin::test
