// The desktop program.

#include <QApplication>
#include <cstdio>

#include "app/ui/Desktop.h"
#include "app/ui/MainForm.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Ravlin");
    QApplication::setApplicationDisplayName("Ravlin");
    QApplication::setWindowIcon(ravlin::RavlinIcon());

    ravlin::TStartOptions options;
    QString error;
    if (!ravlin::ParseStartOptions(QApplication::arguments(), options, error)) {
        std::fprintf(stderr, "ravlin: %s\nusage: ravlin [--data-dir DIR] [--home DIR] [FILE.rvl]\n",
                     error.toLocal8Bit().constData());
        return 2;
    }
    ravlin::TDesktop desktop(options);
    if (!desktop.Start()) return 1;
    return app.exec();
}
