// The desktop program.

#include <QApplication>
#include <cstdio>
#include <cstring>

#include "app/ui/AboutForm.h"
#include "app/ui/Desktop.h"
#include "app/ui/MainForm.h"

namespace {

// --help and --version answer without a display: they are looked for before the
// application (which needs one) is made. "--" ends the options.
bool AnswerInfoOptions(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--") == 0) return false;
        if (!std::strcmp(argv[i], "--help") || !std::strcmp(argv[i], "-h")) {
            std::fputs(ravlin::StartUsage().toLocal8Bit().constData(), stdout);
            return true;
        }
        if (!std::strcmp(argv[i], "--version") || !std::strcmp(argv[i], "-v")) {
            std::printf("ravlin %s\n", ravlin::ProgramVersion().toLocal8Bit().constData());
            return true;
        }
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (AnswerInfoOptions(argc, argv)) return 0;
    QApplication app(argc, argv);
    QApplication::setApplicationName("Ravlin");
    QApplication::setApplicationDisplayName("Ravlin");
    QApplication::setApplicationVersion(ravlin::ProgramVersion());
    // The desktop entry: its icon and name in task bars, its file types.
    QGuiApplication::setDesktopFileName("ravlin");
    QApplication::setWindowIcon(ravlin::RavlinIcon());

    ravlin::TStartOptions options;
    QString error;
    if (!ravlin::ParseStartOptions(QApplication::arguments(), options, error)) {
        std::fprintf(stderr, "ravlin: %s\n%s", error.toLocal8Bit().constData(),
                     ravlin::StartUsage().toLocal8Bit().constData());
        return 2;
    }
    ravlin::TDesktop desktop(options);
    if (!desktop.Start()) return 1;
    return app.exec();
}
