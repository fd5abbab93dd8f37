#include "base/Folders.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

namespace ravlin {
namespace {

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v ? std::string(v) : std::string();
}

bool IsDir(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string StripSlash(std::string p) {
    while (p.size() > 1 && p.back() == '/') p.pop_back();
    return p;
}

// The home folder of the account (the password database), when HOME is not set.
std::string AccountHome() {
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buf(static_cast<size_t>(size > 0 ? size : 16384));
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buf.data(), buf.size(), &found) != 0 || !found ||
        !found->pw_dir || found->pw_dir[0] != '/')
        return {};
    return found->pw_dir;
}

}  // namespace

std::string ExecutableDir() {
    char buf[4096];
    ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return {};
    std::string path(buf, static_cast<size_t>(n));
    auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

bool MakeDirs(const std::string& path) {
    if (path.empty()) return false;
    std::string cur;
    size_t pos = 0;
    while (pos != std::string::npos) {
        pos = path.find('/', pos + 1);
        cur = path.substr(0, pos);
        if (cur.empty()) continue;
        if (::mkdir(cur.c_str(), 0755) != 0 && errno != EEXIST) return false;
    }
    return IsDir(path);
}

TFolders TFolders::Resolve(const std::string& dataDirOption, const std::string& homeOption) {
    TFolders f;
    std::string data = dataDirOption.empty() ? Env("RAVLIN_DATA_DIR") : dataDirOption;
    if (data.empty()) {
        const std::string exe = ExecutableDir();
        for (const std::string& c :
             {exe + "/data", exe + "/" + RAVLIN_DATA_REL, exe + "/../share/ravlin"}) {
            if (!exe.empty() && IsDir(c)) {
                data = c;
                break;
            }
        }
    }
    if (data.empty()) data = RAVLIN_SOURCE_DATA_DIR;
    f.dataDir = StripSlash(data);

    std::string home = homeOption.empty() ? Env("RAVLIN_HOME") : homeOption;
    if (!home.empty()) {
        f.homeDir = StripSlash(home);
        f.settingsFile = f.homeDir + "/RavlinProj.ini";
        return f;
    }
    std::string user = Env("HOME");
    if (user.empty()) user = AccountHome();
    // No home anywhere: no folder that another user could have made is taken instead.
    if (user.empty()) return f;
    std::string xdgData = Env("XDG_DATA_HOME");
    std::string xdgConfig = Env("XDG_CONFIG_HOME");
    f.homeDir = StripSlash(xdgData.empty() ? user + "/.local/share" : xdgData) + "/ravlin";
    f.settingsFile =
        StripSlash(xdgConfig.empty() ? user + "/.config" : xdgConfig) + "/ravlin/RavlinProj.ini";
    return f;
}

std::string TFolders::Problem() const {
    if (!homeDir.empty()) return {};
    return "no home folder: HOME is not set and the account has none; give --home DIR";
}

bool TFolders::MakeWritable() const {
    if (homeDir.empty()) return false;
    bool ok = MakeDirs(homeDir) && MakeDirs(BackupDir());
    auto slash = settingsFile.rfind('/');
    if (slash != std::string::npos && slash > 0) ok = MakeDirs(settingsFile.substr(0, slash)) && ok;
    return ok;
}

}  // namespace ravlin
