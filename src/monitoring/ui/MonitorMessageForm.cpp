#include "monitoring/ui/MonitorMessageForm.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QPainter>
#include <QPainterPath>

#include "base/ui/Text.h"
#include "monitoring/ui/Picture.h"

namespace ravlin {

namespace {
constexpr int kBorder = 3;
}  // namespace

TMonitorMessageForm::TMonitorMessageForm(const TTextTable& texts, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint),
      texts_(texts) {
    setObjectName("MonitorMessageForm");
    setAttribute(Qt::WA_ShowWithoutActivating);
    text_ = new QLabel(this);
    text_->setObjectName("TextLabel");
    text_->setAutoFillBackground(true);
    text_->setAlignment(Qt::AlignCenter);
    text_->setWordWrap(true);
    image_ = new QLabel(this);
    image_->setObjectName("Image1");
    setContentsMargins(kBorder, kBorder, kBorder, kBorder);
}

QPixmap TMonitorMessageForm::BuiltInPicture() {
    QPixmap pm(125, 41);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    // A warning sign between two bars.
    QPainterPath sign;
    sign.moveTo(62.5, 2);
    sign.lineTo(83, 38);
    sign.lineTo(42, 38);
    sign.closeSubpath();
    p.setPen(QPen(Qt::black, 2));
    p.setBrush(QColor(255, 200, 0));
    p.drawPath(sign);
    p.setBrush(QColor(200, 0, 0));
    p.drawRect(4, 16, 30, 10);
    p.drawRect(91, 16, 30, 10);
    p.setPen(QPen(Qt::black, 4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(62.5, 14), QPointF(62.5, 26));
    p.drawPoint(QPointF(62.5, 33));
    return pm;
}

void TMonitorMessageForm::Prepare(const TMonitorData& m, const QString& fontName) {
    setWindowTitle(L(texts_, Text::MessageCaption) + QLatin1Char(' ') + QString::number(m.Number));
    text_->setText(Q(m.Text));
    ApplyLook(LookOf(m, false), fontName);
    const int request = ++request_;
    if (m.Picture.empty() || !QFileInfo(QPath(m.Picture)).isFile()) {
        picture_ = TPicture::BuiltIn;
        SetImage(BuiltInPicture());
        return;
    }
    picture_ = TPicture::Loading;
    SetImage({});
    const QSize most(kMaxWidth - 2 * kBorder, kMaxHeight - 2 * kBorder - 40);
    LoadMonitorPictureAsync(m.Picture, most, this, [this, request](const QImage& image) {
        if (request != request_) return;
        picture_ = image.isNull() ? TPicture::None : TPicture::Own;
        SetImage(image.isNull() ? QPixmap() : QPixmap::fromImage(image));
        emit pictureLoaded();
    });
}

void TMonitorMessageForm::SetImage(const QPixmap& pm) {
    image_->setPixmap(pm);
    image_->setVisible(!pm.isNull());
    image_->resize(pm.size());
    Layout();
}

void TMonitorMessageForm::ApplyLook(const TMessageLook& look, const QString& fontName) {
    QFont f(fontName);
    f.setPointSize(look.fontSize);
    text_->setFont(f);
    QPalette pal = text_->palette();
    pal.setColor(QPalette::Window, QColor(look.background.r, look.background.g, look.background.b));
    pal.setColor(QPalette::WindowText, QColor(look.text.r, look.text.g, look.text.b));
    text_->setPalette(pal);
    Layout();
}

void TMonitorMessageForm::Layout() {
    // Size to the contents within the limits, then the label across the top and the
    // picture centred in the space below it.
    const QSize textSize = text_->sizeHint();
    const QSize pic = !image_->isHidden() ? image_->size() : QSize(0, 0);
    const int w =
        std::clamp(std::max(textSize.width(), pic.width()) + 2 * kBorder + 8, kMinWidth, kMaxWidth);
    const int inner = w - 2 * kBorder;
    const int labelHeight =
        text_->heightForWidth(inner) > 0 ? text_->heightForWidth(inner) : textSize.height();
    const int h = std::clamp(labelHeight + pic.height() + 2 * kBorder + 8, kMinHeight, kMaxHeight);
    resize(w, h);
    text_->setGeometry(kBorder, kBorder, inner, std::min(labelHeight, h - 2 * kBorder));
    if (!image_->isHidden()) {
        const int left = text_->x() + text_->width() / 2 - image_->width() / 2;
        const int top =
            (height() - kBorder + text_->y() + text_->height()) / 2 - image_->height() / 2;
        image_->move(left, top);
    }
}

void TMonitorMessageForm::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    text_->setGeometry(kBorder, text_->y(), width() - 2 * kBorder, text_->height());
}

void TMonitorMessageForm::closeEvent(QCloseEvent* e) {
    // The close box hides the window; the message stays active.
    e->ignore();
    hide();
}

}  // namespace ravlin
