#pragma once
// Shared by the views' desktop tests: a data file of many records made from the delivered
// demonstration file, external programs (pdftotext, LibreOffice), pictures of windows.

#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QWidget>
#include <functional>
#include <string>

#include "base/UserInterface.h"
#include "catalog/Language.h"
#include "document/DataFile.h"

namespace ravlin::test {

// A data file of `count` records: the demonstration file's records over and over, each
// with its own position and serial number; `user1` names the holder of each.
inline bool MakeDataFile(const std::string& path, int count,
                         const std::function<std::string(int position)>& user1) {
    TSilentUi ui;
    const std::string data = RAVLIN_TEST_DATA_DIR;
    TLanguage language(data, ui);
    if (!language.LoadLanguage("US")) return false;
    const TDataFileEnv env{data, language.Texts(), ui};
    TDevice device;
    TRecordTable table;
    std::string image;
    if (!OpenData(data + "/Demo.rvl", env, false, device, table, image)) return false;
    std::vector<TData> used;
    for (const auto& r : table)
        if (!r.Empty) used.push_back(r);
    TRecordTable records(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        TData r = used[static_cast<size_t>(i) % used.size()];
        r.Position = i + 1;
        char serial[16];
        std::snprintf(serial, sizeof serial, "%05X", 0x10000 + i);
        r.Serial = serial;
        r.User1 = user1(i + 1);
        records[static_cast<size_t>(i)] = r;
    }
    device.RecordCount = count;
    return SaveData(path, device, records, image, language.Texts(), ui);
}

inline bool HaveProgram(const QString& name) {
    return !QStandardPaths::findExecutable(name).isEmpty();
}

// Runs a program to its end (at most `ms`); true when it exited with 0.
inline bool RunProgram(const QString& program, const QStringList& args, int ms = 180000,
                       QString* output = nullptr) {
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    if (!p.waitForFinished(ms)) {
        p.kill();
        p.waitForFinished();
        return false;
    }
    if (output) *output = QString::fromLocal8Bit(p.readAll());
    return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// With RAVLIN_SHOTS=folder the test saves pictures of windows there.
inline QString ShotFolder() {
    return QString::fromLocal8Bit(qgetenv("RAVLIN_SHOTS"));
}

inline void Shot(QWidget* w, const char* name) {
    if (!ShotFolder().isEmpty()) w->grab().save(ShotFolder() + "/" + name);
}

}  // namespace ravlin::test
