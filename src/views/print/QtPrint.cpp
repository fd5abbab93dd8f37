#include "views/print/QtPrint.h"

#include <QBuffer>
#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <cstdio>
#include <memory>

#include "base/AtomicFile.h"
#include "base/CodePage.h"
#include "views/PrintLayout.h"

namespace ravlin {

namespace {

QString ToQt(const std::string& text) {
    // Windows-1252 is Latin-1 except for the bytes 0x80 to 0x9F.
    for (char c : text) {
        const auto b = static_cast<unsigned char>(c);
        if (b >= 0x80 && b < 0xA0) return QString::fromStdString(AnsiToUtf8(text));
    }
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

// The core's canvas on a painter. The font is set for the device the painter paints on,
// so its size in pixels follows the device's resolution.
class TPainterCanvas : public TPrintCanvas {
  public:
    TPainterCanvas(QPainter& painter, QPagedPaintDevice& device)
        : painter_(painter),
          device_(device),
          normal_(Font(false)),
          bold_(Font(true)),
          normalMetrics_(normal_, &device),
          boldMetrics_(bold_, &device) {
        painter_.setPen(Qt::black);
        SetBold(true);
    }
    int PageWidth() const override { return device_.width(); }
    int PageHeight() const override { return device_.height(); }
    void SetBold(bool bold) override {
        isBold_ = bold;
        painter_.setFont(bold ? bold_ : normal_);
    }
    int TextWidth(const std::string& text) override {
        return Metrics().horizontalAdvance(ToQt(text));
    }
    int TextHeight(const std::string&) override { return Metrics().height(); }
    void DrawText(int x, int y, int width, int height, const std::string& text) override {
        if (width <= 0 || height <= 0) return;
        const QString s = ToQt(text);
        const QFontMetrics& m = Metrics();
        const int baseline = y + m.ascent();
        // Only a text that does not fit needs the (costly) clip.
        if (m.horizontalAdvance(s) <= width && m.height() <= height) {
            painter_.drawText(x, baseline, s);
            return;
        }
        painter_.save();
        painter_.setClipRect(QRect(x, y, width, height));
        painter_.drawText(x, baseline, s);
        painter_.restore();
    }
    bool NewPage() override { return device_.newPage(); }

  private:
    static QFont Font(bool bold) {
        QFont font(QString::fromLatin1(kPrintFontName));
        font.setPointSize(kPrintFontPoints);
        font.setStyleHint(QFont::Serif);
        font.setBold(bold);
        return font;
    }
    const QFontMetrics& Metrics() const { return isBold_ ? boldMetrics_ : normalMetrics_; }

    QPainter& painter_;
    QPagedPaintDevice& device_;
    QFont normal_, bold_;
    QFontMetrics normalMetrics_, boldMetrics_;
    bool isBold_ = true;
};

struct TPageSizeName {
    const char* name;
    QPageSize::PageSizeId id;
};

constexpr TPageSizeName kPageSizes[] = {
    {"A3", QPageSize::A3},           {"A4", QPageSize::A4},
    {"A5", QPageSize::A5},           {"B5", QPageSize::B5},
    {"Letter", QPageSize::Letter},   {"Legal", QPageSize::Legal},
    {"Tabloid", QPageSize::Tabloid}, {"Executive", QPageSize::Executive},
};

const TPageSizeName* FindPageSize(const std::string& name) {
    for (const auto& p : kPageSizes)
        if (QString::fromStdString(name).compare(QLatin1String(p.name), Qt::CaseInsensitive) == 0)
            return &p;
    return nullptr;
}

}  // namespace

int PaintView(const TViewRows& rows, QPainter& painter, QPagedPaintDevice& device) {
    TPainterCanvas canvas(painter, device);
    return PrintView(rows, canvas);
}

bool IsKnownPageSize(const std::string& name) {
    return FindPageSize(name) != nullptr;
}

int PrintViewToPdf(const TViewRows& rows, const std::string& fileName, const TPdfOptions& options,
                   std::string& error) {
    const TPageSizeName* size = FindPageSize(options.pageSize);
    if (!size) {
        error = "unknown page size " + options.pageSize;
        return 0;
    }
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        error = "no GUI application for painting";
        return 0;
    }
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    int sheets = 0;
    {
        QPdfWriter pdf(&buffer);
        pdf.setTitle(QString::fromLatin1(kPrintJobName));
        pdf.setCreator(QStringLiteral("Ravlin"));
        pdf.setResolution(options.resolution);
        pdf.setPageLayout(QPageLayout(
            QPageSize(size->id), options.landscape ? QPageLayout::Landscape : QPageLayout::Portrait,
            QMarginsF(0, 0, 0, 0)));
        QPainter painter;
        if (!painter.begin(&pdf)) {
            error = "cannot start the PDF output";
            return 0;
        }
        sheets = PaintView(rows, painter, pdf);
        painter.end();
    }
    if (sheets == 0) {
        error = "the PDF output failed";
        return 0;
    }
    const QByteArray& data = buffer.data();
    if (const int e =
            WriteFileAtomically(fileName, std::string_view(data.constData(), data.size()))) {
        error = fileName + ": " + SystemErrorText(e);
        return 0;
    }
    return sheets;
}

struct TPaintingApplication::TImpl {
    // Qt's own notes (no runtime folder, no display) are no concern of a command-line user;
    // failures are reported by the commands themselves.
    QtMessageHandler previous = qInstallMessageHandler(
        [](QtMsgType type, const QMessageLogContext&, const QString& message) {
            if (type == QtCriticalMsg || type == QtFatalMsg)
                std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
        });
    int argc = 3;
    char arg0[7] = "ravlin";
    char arg1[10] = "-platform";
    char arg2[10] = "offscreen";
    char* argv[4] = {arg0, arg1, arg2, nullptr};
    QGuiApplication app{argc, argv};
    ~TImpl() { qInstallMessageHandler(previous); }
};

TPaintingApplication::TPaintingApplication() {
    if (!QCoreApplication::instance()) impl_ = std::make_unique<TImpl>();
}

TPaintingApplication::~TPaintingApplication() = default;

}  // namespace ravlin
