#include "views/print/QtPrint.h"

#include <QBuffer>
#include <QFont>
#include <QFontMetrics>
#include <QGlyphRun>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QRawFont>
#include <array>
#include <cmath>
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
// so its size in pixels follows the device's resolution. Without a painter it only
// measures (the layout before a print dialog).
//
// Texts are measured and drawn as glyphs of the font itself (no shaping of each cell), and
// the cells of a row go to the painter as one glyph run: a table of some thousand rows then
// takes one call a row instead of one a cell. A text the font lacks a glyph for is drawn
// the usual way, with the painter's font fallback.
class TPainterCanvas : public TPrintCanvas {
  public:
    TPainterCanvas(QPainter* painter, QPagedPaintDevice& device)
        : painter_(painter),
          device_(device),
          weights_{TWeight(false, device), TWeight(true, device)} {
        if (painter_) painter_->setPen(Qt::black);
        SetBold(true);
    }
    ~TPainterCanvas() override { Flush(); }
    int PageWidth() const override { return device_.width(); }
    int PageHeight() const override { return device_.height(); }
    int Resolution() const override { return device_.logicalDpiX(); }
    // The paper less the printer's least margins (none for a PDF file).
    TPrintArea PrintableArea() const override {
        const QPageLayout layout = device_.pageLayout();
        QPageLayout least(layout);
        least.setMode(QPageLayout::FullPageMode);
        least.setMargins(layout.minimumMargins());
        const QMargins m = least.marginsPixels(Resolution());
        return {m.left(), m.top(), PageWidth() - m.right(), PageHeight() - m.bottom()};
    }
    void SetBold(bool bold) override {
        if (bold == isBold_ && painter_ && painter_->font() == Weight().font) return;
        Flush();
        isBold_ = bold;
        if (painter_) painter_->setFont(Weight().font);
    }
    int TextWidth(const std::string& text) override {
        const QString s = ToQt(text);
        if (!Glyphs(s)) return Weight().metrics.horizontalAdvance(s);
        return static_cast<int>(std::ceil(run_.width));
    }
    size_t FittingLength(const std::string& text, int width) override {
        // One glyph a character: the advances add up.
        if (!Glyphs(ToQt(text)) || run_.glyphs.size() != static_cast<qsizetype>(text.size()))
            return TPrintCanvas::FittingLength(text, width);
        qreal sum = 0;
        size_t n = 0;
        while (n < text.size() &&
               std::ceil(sum + run_.advances[static_cast<qsizetype>(n)].x()) <= width)
            sum += run_.advances[static_cast<qsizetype>(n++)].x();
        return n;
    }
    int TextHeight(const std::string&) override { return Weight().metrics.height(); }
    // The layout gives only texts that fit their cell: no clip is needed.
    void DrawText(int x, int y, int, int, const std::string& text) override {
        if (!painter_) return;
        const QString s = ToQt(text);
        const qreal baseline = y + Weight().metrics.ascent();
        if (!Glyphs(s)) {
            Flush();
            painter_->drawText(QPointF(x, baseline), s);
            return;
        }
        if (!pending_.glyphs.isEmpty() && pending_.baseline != baseline) Flush();
        pending_.baseline = baseline;
        qreal at = x;
        for (qsizetype i = 0; i < run_.glyphs.size(); ++i) {
            pending_.glyphs.push_back(run_.glyphs[i]);
            pending_.positions.push_back(QPointF(at, baseline));
            at += run_.advances[i].x();
        }
    }
    bool NewPage() override {
        Flush();
        return device_.newPage();
    }

  private:
    struct TWeight {
        TWeight(bool bold, QPagedPaintDevice& device)
            : font(Font(bold)), metrics(font, &device), raw(QRawFont::fromFont(font)) {
            // The raw font at the device's size, as the painter draws the font there.
            raw.setPixelSize(kPrintFontPoints * device.logicalDpiY() / 72.0);
        }
        QFont font;
        QFontMetrics metrics;
        QRawFont raw;
    };
    // The glyphs of one text and their advances.
    struct TGlyphs {
        QList<quint32> glyphs;
        QList<QPointF> advances;
        qreal width = 0;
    };
    // Glyphs of a row waiting to be drawn, all on one baseline in one weight.
    struct TPending {
        QList<quint32> glyphs;
        QList<QPointF> positions;
        qreal baseline = 0;
    };

    static QFont Font(bool bold) {
        QFont font(QString::fromLatin1(kPrintFontName));
        font.setPointSize(kPrintFontPoints);
        font.setStyleHint(QFont::Serif);
        font.setBold(bold);
        return font;
    }
    const TWeight& Weight() const { return weights_[isBold_ ? 1 : 0]; }

    // The glyphs of `s` into run_; false when the font lacks one (or is not usable).
    bool Glyphs(const QString& s) {
        const QRawFont& raw = Weight().raw;
        if (!raw.isValid()) return false;
        run_.glyphs = raw.glyphIndexesForString(s);
        for (quint32 g : run_.glyphs)
            if (g == 0) return false;
        run_.advances = raw.advancesForGlyphIndexes(run_.glyphs);
        run_.width = 0;
        for (const QPointF& a : run_.advances) run_.width += a.x();
        return true;
    }

    void Flush() {
        if (!painter_ || pending_.glyphs.isEmpty()) return;
        QGlyphRun run;
        run.setRawFont(Weight().raw);
        run.setGlyphIndexes(pending_.glyphs);
        run.setPositions(pending_.positions);
        painter_->drawGlyphRun(QPointF(0, 0), run);
        pending_.glyphs.clear();
        pending_.positions.clear();
    }

    QPainter* painter_;
    QPagedPaintDevice& device_;
    std::array<TWeight, 2> weights_;
    bool isBold_ = true;
    TGlyphs run_;
    TPending pending_;
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
    TPainterCanvas canvas(&painter, device);
    return PrintView(rows, canvas);
}

int ColumnBands(const TViewRows& rows, QPagedPaintDevice& device) {
    TPainterCanvas canvas(nullptr, device);
    return LayOutPrint(rows, canvas).bands;
}

bool IsKnownPageSize(const std::string& name) {
    return FindPageSize(name) != nullptr;
}

namespace {

void SetUpPdf(QPdfWriter& pdf, const TPdfOptions& options, const TPageSizeName& size) {
    pdf.setTitle(QString::fromLatin1(kPrintJobName));
    pdf.setCreator(QStringLiteral("Ravlin"));
    pdf.setResolution(options.resolution);
    pdf.setPageLayout(QPageLayout(
        QPageSize(size.id), options.landscape ? QPageLayout::Landscape : QPageLayout::Portrait,
        QMarginsF(0, 0, 0, 0)));
}

}  // namespace

int PdfColumnBands(const TViewRows& rows, const TPdfOptions& options) {
    const TPageSizeName* size = FindPageSize(options.pageSize);
    if (!size || !qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return 0;
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter pdf(&buffer);
    SetUpPdf(pdf, options, *size);
    return ColumnBands(rows, pdf);
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
        SetUpPdf(pdf, options, *size);
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
