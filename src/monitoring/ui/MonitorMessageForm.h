#pragma once
// The pop-up window of an active message: its text in the message's colours and font, and
// its picture below (the built-in picture when the message names no picture file that
// exists; the text alone when the file cannot be read as a picture). Closing it only hides
// it; the window goes when the message is deactivated.

#include <QImage>
#include <QLabel>
#include <QWidget>

#include "base/UserInterface.h"
#include "monitoring/MonitorData.h"
#include "monitoring/MonitorView.h"
#include "monitoring/PopupSlots.h"

namespace ravlin {

class TMonitorMessageForm : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kMinWidth = 200, kMaxWidth = 600, kMinHeight = 150, kMaxHeight = 200;

    TMonitorMessageForm(const TTextTable& texts, QWidget* parent = nullptr);

    // Caption (with the message's number), text, colours and font; the picture loads
    // meanwhile.
    void Prepare(const TMonitorData& m, const QString& fontName);
    // The colours of the blink phase (TMonitor::BlinkPhase) or the plain ones.
    void ApplyLook(const TMessageLook& look, const QString& fontName);
    void PlaceAt(const TWindowSlot& slot) { move(slot.left, slot.top); }

    enum class TPicture { None, BuiltIn, Loading, Own };
    TPicture Picture() const { return picture_; }
    QLabel* textLabel() const { return text_; }
    QLabel* imageLabel() const { return image_; }

    // The built-in picture (125 x 41).
    static QPixmap BuiltInPicture();

  signals:
    void pictureLoaded();

  protected:
    void closeEvent(QCloseEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

  private:
    void Layout();
    void SetImage(const QPixmap& pm);

    const TTextTable& texts_;
    QLabel* text_;
    QLabel* image_;
    TPicture picture_ = TPicture::None;
    int request_ = 0;
};

}  // namespace ravlin
