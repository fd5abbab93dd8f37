#include "monitoring/ui/Picture.h"

#include <QFuture>
#include <QFutureWatcher>
#include <QImageReader>
#include <QPromise>
#include <QThreadPool>
#include <memory>

#include "base/ui/Text.h"

namespace ravlin {

const char* const kPictureFilter =
    "All supported (*.jpg,*.jpeg,*.bmp,*.ico,*.emf,*.wmf)|*.jpg;*.jpeg;*.bmp;*.ico;*.emf;*.wmf|"
    "JPEG files (*.jpg)|*.jpg|JPEG files (*.jpeg)|*.jpeg|Bitmaps (*.bmp)|*.bmp|"
    "Icons (*.ico)|*.ico|Enhanced metafiles (*.emf)|*.emf|Metafiles (*.wfm)|*.wmf";

QImage LoadMonitorPicture(const std::string& path, QSize maxSize) {
    if (path.empty()) return {};
    QImageReader reader(QPath(path));
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
    auto promise = std::make_shared<QPromise<QImage>>();
    // The watcher lives on the context's thread and dies with it, so a picture that
    // arrives after its window closed is dropped instead of reaching a dead window.
    auto* watcher = new QFutureWatcher<QImage>(context);
    QObject::connect(watcher, &QFutureWatcherBase::finished, watcher,
                     [watcher, done = std::move(done)] {
                         const QFuture<QImage> future = watcher->future();
                         if (future.resultCount() > 0) done(future.result());
                         watcher->deleteLater();
                     });
    watcher->setFuture(promise->future());
    QThreadPool::globalInstance()->start([promise, path, maxSize] {
        promise->start();
        promise->addResult(LoadMonitorPicture(path, maxSize));
        promise->finish();
    });
}

}  // namespace ravlin
