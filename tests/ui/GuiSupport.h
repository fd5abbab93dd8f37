#pragma once
// Helpers of the desktop program's tests: temporary folders, waiting for a condition
// while events run, answering the next modal window.

#include <QApplication>
#include <QDeadlineTimer>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>

namespace ravlin::test {

// Saves a picture of `w` as NAME.png in the folder RAVLIN_SCREENSHOTS names (nothing when
// it is unset).
inline void Shot(QWidget* w, const QString& name) {
    const QByteArray folder = qgetenv("RAVLIN_SCREENSHOTS");
    if (folder.isEmpty()) return;
    QDir().mkpath(QString::fromLocal8Bit(folder));
    w->grab().save(QString::fromLocal8Bit(folder) + "/" + name + ".png");
}

// Runs events until `pred` holds or `ms` passed; returns pred().
inline bool WaitFor(const std::function<bool()>& pred, int ms = 5000) {
    QDeadlineTimer deadline(ms);
    while (!pred() && !deadline.hasExpired()) QTest::qWait(10);
    return pred();
}

// Calls `act` with the next modal window that is a `T` once it appears (polling from a
// timer, so the caller may go on into a blocking exec()). Returns a flag set once done.
template <typename T = QDialog>
std::shared_ptr<bool> OnNextModal(std::function<void(T*)> act, int ms = 10000) {
    auto done = std::make_shared<bool>(false);
    auto* timer = new QTimer;
    auto started = std::make_shared<QDeadlineTimer>(ms);
    timer->setInterval(20);
    QObject::connect(timer, &QTimer::timeout, [timer, act, done, started] {
        if (auto* w = qobject_cast<T*>(QApplication::activeModalWidget()); w && w->isVisible()) {
            timer->stop();
            timer->deleteLater();
            act(w);
            *done = true;
        } else if (started->hasExpired()) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start();
    return done;
}

// A settings file with a TCP connection to 127.0.0.1:port and no welcome window.
inline void WriteSettings(const QString& home, int port, const QString& extra = {}) {
    QDir().mkpath(home);
    QFile f(home + "/RavlinProj.ini");
    f.open(QIODevice::WriteOnly | QIODevice::Truncate);
    QString text = QStringLiteral(
                       "[Setup]\r\nConnectionType=1\r\nIPAddress=127.0.0.1\r\nIPPort=%1\r\n"
                       "Welcome=0\r\n")
                       .arg(port) +
                   extra;
    f.write(text.toLatin1());
}

inline QString DataDir() {
    return QStringLiteral(RAVLIN_TEST_DATA_DIR);
}

}  // namespace ravlin::test
