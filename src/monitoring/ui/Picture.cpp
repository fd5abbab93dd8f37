#include "monitoring/ui/Picture.h"

#include <QBuffer>
#include <QFileInfo>
#include <QFuture>
#include <QFutureWatcher>
#include <QImageReader>
#include <QPromise>
#include <memory>
#include <mutex>

#include "base/AtomicFile.h"
#include "base/ui/Text.h"
#include "base/ui/WindowThread.h"

namespace ravlin {

namespace {

// A picture is shown at most 180 by 100 points: its file is small.
constexpr size_t kMaxPictureBytes = 16u << 20;
constexpr int kMaxPictureDecodeMb = 64;

}  // namespace

const char* const kPictureFilter =
    "All supported (*.jpg,*.jpeg,*.bmp,*.ico,*.emf,*.wmf)|*.jpg;*.jpeg;*.bmp;*.ico;*.emf;*.wmf|"
    "JPEG files (*.jpg)|*.jpg|JPEG files (*.jpeg)|*.jpeg|Bitmaps (*.bmp)|*.bmp|"
    "Icons (*.ico)|*.ico|Enhanced metafiles (*.emf)|*.emf|Metafiles (*.wfm)|*.wmf";

QImage LoadMonitorPicture(const std::string& path, QSize maxSize) {
    if (path.empty()) return {};
    // A regular file of a picture's size, read before the decoder sees it: a FIFO or a
    // device named as the picture never holds the reader up.
    std::string bytes;
    if (ReadWholeFile(path, bytes, kMaxPictureBytes) != 0) return {};
    QByteArray data(bytes.data(), static_cast<qsizetype>(bytes.size()));
    bytes = {};
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, QFileInfo(QPath(path)).suffix().toLatin1());
    // A small file can unpack into a huge image: decoding stops beyond this many MB.
    reader.setAllocationLimit(kMaxPictureDecodeMb);
    reader.setAutoTransform(true);
    if (maxSize.isValid()) {
        const QSize size = reader.size();
        if (size.isValid() && (size.width() > maxSize.width() || size.height() > maxSize.height()))
            reader.setScaledSize(size.scaled(maxSize, Qt::KeepAspectRatio));
    }
    QImage image = reader.read();
    if (image.isNull()) return {};
    if (maxSize.isValid() && (image.width() > maxSize.width() || image.height() > maxSize.height()))
        image = image.scaled(maxSize, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    return image;
}

void LoadMonitorPictureAsync(const std::string& path, QSize maxSize, QObject* context,
                             std::function<void(const QImage&)> done) {
    // The picture goes over under a std::mutex (seen by ThreadSanitizer); the promise only
    // says that it is there.
    struct TLoad {
        std::mutex mutex;
        QImage image;
    };
    auto load = std::make_shared<TLoad>();
    auto promise = std::make_shared<QPromise<void>>();
    // The watcher lives on the context's thread and dies with it, so a picture that
    // arrives after its window closed is dropped instead of reaching a dead window.
    auto* watcher = new QFutureWatcher<void>(context);
    QObject::connect(watcher, &QFutureWatcherBase::finished, watcher,
                     [watcher, load, done = std::move(done)] {
                         QImage image;
                         {
                             const std::lock_guard<std::mutex> lock(load->mutex);
                             image = load->image;
                         }
                         done(image);
                         watcher->deleteLater();
                     });
    watcher->setFuture(promise->future());
    StartInPool([promise, path, maxSize, load] {
        promise->start();
        QImage image = LoadMonitorPicture(path, maxSize);
        {
            const std::lock_guard<std::mutex> lock(load->mutex);
            load->image = std::move(image);
        }
        promise->finish();
    });
}

}  // namespace ravlin
