#pragma once
// Pictures of monitor messages: JPEG, BMP and ICO through Qt's image readers. A picture
// that cannot be read gives no picture. Loading runs on a pool thread, so that a large
// picture never holds up the window thread.

#include <QImage>
#include <QObject>
#include <QSize>
#include <functional>
#include <string>

namespace ravlin {

// The file filter of the picture open dialog ("description|pattern" pairs).
extern const char* const kPictureFilter;

// The picture, scaled down to fit `maxSize` (keeping its proportions) when given; a null
// image when the file is missing or cannot be read.
QImage LoadMonitorPicture(const std::string& path, QSize maxSize = {});

// Loads on a pool thread and calls `done` on the thread of `context` (not at all when the
// context is gone by then).
void LoadMonitorPictureAsync(const std::string& path, QSize maxSize, QObject* context,
                             std::function<void(const QImage&)> done);

}  // namespace ravlin
