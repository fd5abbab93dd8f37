// The monitor's windows that need no main window: the message editor, the event editor,
// the transmitter-adding window, the grid models, pictures and the sound output.

#include <QAbstractButton>
#include <QComboBox>
#include <QHeaderView>
#include <QImage>
#include <QSignalSpy>
#include <QTableView>
#include <QtTest>
#include <deque>

#include "GuiSupport.h"
#include "RecordingSound.h"
#include "base/ui/QtSoundPlayer.h"
#include "base/ui/QtUserInterface.h"
#include "monitoring/ui/MonitorAddForm.h"
#include "monitoring/ui/MonitorEditForm.h"
#include "monitoring/ui/MonitorEventEditForm.h"
#include "monitoring/ui/MonitorMessageForm.h"
#include "monitoring/ui/MonitorModels.h"
#include "monitoring/ui/Picture.h"
#include "monitoring/ui/QtMonitorEditors.h"

using namespace ravlin;
using namespace ravlin::test;

namespace {

class TFakeFiles : public TFileChooser {
  public:
    std::deque<std::optional<std::string>> answers;
    std::vector<TFileDialog> shown;
    std::optional<std::string> OpenFile(const TFileDialog& d) override {
        shown.push_back(d);
        if (answers.empty()) return std::nullopt;
        auto a = answers.front();
        answers.pop_front();
        return a;
    }
    std::optional<std::string> SaveFile(const TFileDialog& d) override { return OpenFile(d); }
    std::optional<std::string> ChooseReceiverType(const std::string&) override {
        return std::nullopt;
    }
};

std::string S(const QString& s) {
    return s.toStdString();
}

}  // namespace

class MonitorEditorsTest : public QObject {
    Q_OBJECT

    TTextTable texts;
    TQtUserInterface ui;
    std::vector<TMessage> shown;
    TRecordingSound sound;
    TFakeFiles files;
    QTemporaryDir dir;

    QString File(const QString& name) const { return dir.path() + "/" + name; }

  private slots:
    void init() {
        texts.assign(300, std::string());
        for (int i = 0; i < 300; ++i) texts[i] = "T" + std::to_string(i);
        shown.clear();
        sound.calls.clear();
        files.answers.clear();
        files.shown.clear();
        ui.setResponder([this](TQtUserInterface::Kind, const TMessage& m, TButtons) {
            shown.push_back(m);
            return TAnswer::Yes;
        });
    }

    void messageEditorShowsAndStoresEveryValue() {
        TMonitorEditForm form(texts, ui, sound, files);
        TMonitorData m;
        m.Text = "Gate \xE9";  // code page text
        m.Color = 3;
        m.Size = 14;
        m.Blink = true;
        m.Sound = 6;
        m.SoundFile = "/s/ring.wav";
        m.Activate = false;
        m.ShowWindow = false;
        m.RepeatTime = 90;
        form.Prepare(m);
        form.show();
        QCOMPARE(form.windowTitle(), QString("T250"));
        QCOMPARE(form.textEdit()->text(), QString::fromUtf8("Gate \u00E9"));
        QCOMPARE(form.colorCombo()->count(), 7);
        QCOMPARE(form.colorCombo()->currentIndex(), 3);
        QCOMPARE(form.sizeCombo()->currentText(), QString("14"));
        QCOMPARE(form.soundCombo()->count(), 7);
        QCOMPARE(form.soundCombo()->itemText(5), QString("T265"));
        QCOMPARE(form.soundCombo()->itemText(6), QString("T264"));
        QVERIFY(form.soundFileEdit()->isEnabled());
        QVERIFY(form.playButton()->isEnabled());
        QVERIFY(!form.pictureEdit()->isEnabled());
        QVERIFY(form.activeCheck()->isEnabled());
        QCOMPARE(form.repeatSpin()->value(), 90);

        form.soundCombo()->setCurrentIndex(4);  // the sound rule follows
        QVERIFY(!form.soundFileEdit()->isEnabled());
        QVERIFY(!form.openSoundButton()->isEnabled());
        form.sizeCombo()->setEditText("40");
        form.accept();
        QCOMPARE(form.result(), int(QDialog::Accepted));
        TMonitorData out;
        out.Number = 5;
        out.ActiveEvents = {TEvent("x012345", "1")};
        form.Store(out);
        QCOMPARE(out.Text, std::string("Gate \xE9"));
        QCOMPARE(out.Color, 3);
        QCOMPARE(out.Size, 40);
        QCOMPARE(out.Sound, 4);
        QCOMPARE(out.SoundFile, std::string("/s/ring.wav"));
        QVERIFY(out.Blink);
        QCOMPARE(out.RepeatTime, 90);
        QCOMPARE(out.Number, 5);  // not the editor's
        QCOMPARE(out.ActiveEvents.size(), size_t(1));

        // Opened again: still nine sizes; typed sizes below 4 or no number give 8.
        for (const char* typed : {"3", "abc"}) {
            form.Prepare(m);
            QCOMPARE(form.sizeCombo()->count(), 9);
            form.sizeCombo()->setEditText(typed);
            form.accept();
            form.Store(out);
            QCOMPARE(out.Size, 8);
        }
    }

    void windowCheckLocksApplicationActivation() {
        TMonitorEditForm form(texts, ui, sound, files);
        TMonitorData m;
        m.Activate = false;
        form.Prepare(m);
        form.show();
        QVERIFY(!form.pictureEdit()->isEnabled());
        form.windowCheck()->click();
        QVERIFY(form.windowCheck()->isChecked());
        QVERIFY(form.activeCheck()->isChecked());
        QVERIFY(!form.activeCheck()->isEnabled());
        QVERIFY(form.pictureEdit()->isEnabled());
        QVERIFY(form.openPictureButton()->isEnabled());
        form.windowCheck()->click();
        QVERIFY(!form.activeCheck()->isChecked());  // the stored value again
        QVERIFY(form.activeCheck()->isEnabled());

        m.Activate = true;
        m.ShowWindow = true;
        form.Prepare(m);
        QVERIFY(!form.activeCheck()->isEnabled());
        form.windowCheck()->click();
        QVERIFY(form.activeCheck()->isChecked());
    }

    void messageEditorRefusesWhatTheFileCannotHold() {
        TMonitorEditForm form(texts, ui, sound, files);
        form.Prepare(TMonitorData());
        form.show();
        form.textEdit()->setText("Room #2");
        form.accept();
        QVERIFY(form.isVisible());
        form.textEdit()->setText(QString::fromUtf8("\u03A9 alarm"));
        form.accept();
        QVERIFY(form.isVisible());
        form.textEdit()->setText("Room 2");
        form.pictureEdit()->setText("/pics/a#b.jpg");
        form.accept();
        QVERIFY(form.isVisible());
        QCOMPARE(shown.size(), size_t(3));
        QVERIFY(QString::fromStdString(shown[0].text).contains("#"));
        QVERIFY(QString::fromStdString(shown[1].text).contains("cannot be stored"));
        form.pictureEdit()->clear();
        form.accept();
        QCOMPARE(form.result(), int(QDialog::Accepted));
    }

    void soundAndPictureFilesAreChosenAndPlayed() {
        TMonitorEditForm form(texts, ui, sound, files);
        TMonitorData m;
        m.Sound = 6;
        form.Prepare(m);
        form.show();
        const QString wav = File("ring.wav");
        QFile(wav).open(QIODevice::WriteOnly);
        files.answers = {S(wav)};
        QTest::mouseClick(form.openSoundButton(), Qt::LeftButton);
        QCOMPARE(files.shown.back().filter, std::string("Sound files (*.wav)|*.wav"));
        QCOMPARE(files.shown.back().defaultExtension, std::string("wav"));
        QCOMPARE(form.soundFileEdit()->text(), wav);
        QTest::mouseClick(form.playButton(), Qt::LeftButton);
        form.soundFileEdit()->setText(File("missing.wav"));
        QTest::mouseClick(form.playButton(), Qt::LeftButton);  // plays nothing
        QCOMPARE(sound.calls.size(), size_t(1));
        QCOMPARE(sound.calls[0].kind, TRecordingSound::TCall::File);
        QCOMPARE(sound.calls[0].file, S(wav));

        const QString jpg = File("door.jpg");
        QVERIFY(QImage(400, 300, QImage::Format_RGB32).save(jpg, "JPEG"));
        form.windowCheck()->click();
        files.answers = {S(jpg)};
        QSignalSpy loaded(&form, &TMonitorEditForm::previewLoaded);
        QTest::mouseClick(form.openPictureButton(), Qt::LeftButton);
        QVERIFY(files.shown.back().filter.find("*.jpg;*.jpeg;*.bmp;*.ico") != std::string::npos);
        QTRY_VERIFY(loaded.count() >= 1);
        QVERIFY(form.HasPreview());
        QVERIFY(form.previewLabel()->pixmap().width() <= 180);

        const QString bad = File("bad.jpg");
        QFile f(bad);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("not a picture");
        f.close();
        loaded.clear();
        form.pictureEdit()->setText(bad);
        QTRY_VERIFY(loaded.count() >= 1);
        QVERIFY(!form.HasPreview());
    }

    void picturesOfEveryDeliveredFormatLoad() {
        QImage image(64, 48, QImage::Format_ARGB32);
        image.fill(Qt::red);
        for (const char* format : {"JPEG", "BMP", "ICO"}) {
            const QString path = File(QStringLiteral("p.%1").arg(format).toLower());
            QVERIFY2(image.save(path, format), format);
            const QImage back = LoadMonitorPicture(S(path));
            QVERIFY2(!back.isNull(), format);
            QCOMPARE(back.size(), QSize(64, 48));
            QCOMPARE(LoadMonitorPicture(S(path), QSize(32, 32)).size(), QSize(32, 24));
        }
        QVERIFY(LoadMonitorPicture(S(File("none.jpg"))).isNull());
        QVERIFY(LoadMonitorPicture("").isNull());
        const QString cut = File("cut.jpg");
        {
            QFile full(File("p.jpeg"));
            QVERIFY(full.open(QIODevice::ReadOnly));
            QFile part(cut);
            QVERIFY(part.open(QIODevice::WriteOnly));
            part.write(full.read(40));
        }
        QVERIFY(LoadMonitorPicture(S(cut)).isNull());
    }

    void eventEditorChecksTheSerial() {
        TMonitorEventEditForm form(texts, ui, S(DataDir()), "Tx.def");
        form.SetUserTitles({"No.", "U1", "U2", "U3", "U4"});
        TEvent e("x000000", "0");
        e.UserNumber = 12;
        e.User = {"Office", "", "", "Flat 3"};
        form.Prepare(e);
        form.show();
        QCOMPARE(form.windowTitle(), QString("T251"));
        QCOMPARE(form.typCombo()->currentText(), QString("-"));
        QCOMPARE(form.userEdit(0)->text(), QString("12"));
        QCOMPARE(form.userEdit(4)->text(), QString("Flat 3"));
        QVERIFY(form.userEdit(1)->isReadOnly());

        form.codeEdit()->setText("1a2b3");
        QVERIFY(form.CheckSerial());
        QCOMPARE(form.codeEdit()->text(), QString("x01A2B3"));
        form.codeEdit()->setText("X1A2B3C");
        QVERIFY(form.CheckSerial());
        QCOMPARE(form.codeEdit()->text(), QString("x1A2B3C"));
        form.codeEdit()->setText("12G4567");
        QVERIFY(!form.CheckSerial());
        QCOMPARE(form.codeEdit()->text(), QString("x000000"));
        QCOMPARE(shown.size(), size_t(1));
        QCOMPARE(shown[0].textId, Text::BadTxCode);

        // OK with an invalid serial stores the event's own.
        form.codeEdit()->setText("zz");
        form.accept();
        QCOMPARE(form.result(), int(QDialog::Accepted));
        QCOMPARE(form.Event().Serial, std::string("x000000"));
        QCOMPARE(form.Event().UserNumber, 12);
    }

    void eventEditorButtonTypes() {
        TMonitorEventEditForm form(texts, ui, S(DataDir()), "Tx.def");
        form.Prepare(TEvent("2412345", "6"));
        form.show();
        // The serial's first character picks the type: "TX4 Classic", prefix 24.
        QCOMPARE(form.typCombo()->currentText(), QString("TX4 Classic"));
        QVERIFY(form.btnGroup()->isVisible());
        QVERIFY(!form.inputRadio()->isVisible());
        QVERIFY(!form.btnBox(0)->isChecked());
        QVERIFY(form.btnBox(1)->isChecked());
        QVERIFY(form.btnBox(2)->isChecked());
        QVERIFY(!form.btnBox(3)->isChecked());
        QCOMPARE(form.btnPicture(1)->pos(), QPoint(50, 10));
        QCOMPARE(form.btnBox(1)->pos(), QPoint(58, 18));

        form.btnBox(1)->click();
        form.btnBox(2)->click();
        form.btnBox(0)->click();
        form.btnBox(3)->click();
        QCOMPARE(form.btnCombo()->currentText(), QString("9"));
        form.btnCombo()->setEditText("3");
        QVERIFY(form.btnBox(2)->isChecked() && form.btnBox(3)->isChecked());
        QVERIFY(!form.btnBox(0)->isChecked());

        // Another type: the code takes its first prefix character; a type with two buttons
        // hides the other two.
        form.typCombo()->setCurrentIndex(form.typCombo()->findText("TX2 Mini"));
        QCOMPARE(form.codeEdit()->text(), QString("2412345"));
        QVERIFY(form.btnBox(0)->isVisible() && form.btnBox(1)->isVisible());
        QVERIFY(!form.btnBox(2)->isVisible() && !form.btnBox(3)->isVisible());
        form.typCombo()->setCurrentIndex(form.typCombo()->findText("TX3 Remote"));
        QCOMPARE(form.codeEdit()->text(), QString("1412345"));
        form.typCombo()->setEditText("-");
        emit form.typCombo()->lineEdit()->editingFinished();
        QCOMPARE(form.codeEdit()->text(), QString("x012345"));

        form.typCombo()->setCurrentIndex(form.typCombo()->findText("TX4 Classic"));
        form.btnCombo()->setEditText("0");
        form.btnBox(0)->click();
        form.accept();
        QCOMPARE(form.result(), int(QDialog::Accepted));
        QCOMPARE(form.Event().Serial, std::string("2012345"));
        QCOMPARE(form.Event().Buttons, std::string("8"));
    }

    void eventEditorInputTypes() {
        TMonitorEventEditForm form(texts, ui, S(DataDir()), "Tx.def");
        form.Prepare(TEvent("A012345", "A=0,B=1"));
        form.show();
        QCOMPARE(form.typCombo()->currentText(), QString("RDI-2 Input"));
        QVERIFY(!form.btnGroup()->isVisible());
        QVERIFY(form.inputRadio()->isVisible());
        const auto inputs = form.inputButtons();
        QCOMPARE(inputs.size(), 4);
        QCOMPARE(inputs[1]->text(), QString("A=1 B=0"));
        QCOMPARE(form.btnCombo()->currentText(), QString("9"));
        QVERIFY(inputs[2]->isChecked());
        inputs[1]->click();
        QCOMPARE(form.btnCombo()->currentText(), QString("6"));
        form.accept();
        QCOMPARE(form.Event().Buttons, std::string("A=1,B=0"));

        // "Ini" is no input: the button code falls back to 0.
        form.Prepare(TEvent("A012345", "Ini"));
        QCOMPARE(form.btnCombo()->currentText(), QString("0"));

        // Without a catalogue: the messages of the reader, no type.
        TMonitorEventEditForm none(texts, ui, S(File("nowhere")), "Tx.def");
        shown.clear();
        none.Prepare(TEvent("2412345", "1"));
        QCOMPARE(none.typCombo()->currentText(), QString("-"));
        QCOMPARE(shown.size(), size_t(1));
        QCOMPARE(shown[0].textId, Text::CannotOpen);
    }

    void editorsAnswerTheMonitor() {
        TMonitor monitor(texts, ui);
        TMonitorEditForm messageForm(texts, ui, sound, files);
        TMonitorEventEditForm eventForm(texts, ui, S(DataDir()), "Tx.def");
        TQtMonitorEditors editors(messageForm, eventForm);
        monitor.editors = &editors;
        auto done = OnNextModal<TMonitorEditForm>([](TMonitorEditForm* f) {
            f->textEdit()->setText("Fire");
            f->colorCombo()->setCurrentIndex(1);
            f->accept();
        });
        QVERIFY(monitor.AddMessage());
        QVERIFY(*done);
        QCOMPARE(monitor.Messages.size(), size_t(1));
        QCOMPARE(monitor.Messages[0].Text, std::string("Fire"));
        QCOMPARE(monitor.Messages[0].Color, 1);

        monitor.TargetMessage = 0;
        done = OnNextModal<TMonitorEventEditForm>([](TMonitorEventEditForm* f) {
            f->codeEdit()->setText("54321");
            f->CheckSerial();
            f->accept();
        });
        QVERIFY(monitor.AddEvent("x000000", "0", true));
        QVERIFY(*done);
        QCOMPARE(monitor.Messages[0].ActiveEvents.size(), size_t(1));
        QCOMPARE(monitor.Messages[0].ActiveEvents[0].Serial, std::string("x054321"));

        done = OnNextModal<TMonitorEventEditForm>([](TMonitorEventEditForm* f) { f->reject(); });
        QVERIFY(!monitor.AddEvent("x000000", "0", true));
        QVERIFY(*done);
        QCOMPARE(monitor.Messages[0].ActiveEvents.size(), size_t(1));
    }

    void addFormAddsTheSelectedTransmitters() {
        TMonitor monitor(texts, ui);
        monitor.Messages.resize(2);
        monitor.Messages[0].Number = 1;
        monitor.Messages[1].Number = 2;
        monitor.Defined = true;
        monitor.TargetMessage = 1;
        monitor.AddToActive = false;
        struct TSelection : TTransmitterSelection {
            TTransmitters SelectedTransmitters() const override {
                return {{"2412345", "1"}, {"2412345", "1"}, {"1C54321", "2"}};
            }
        } const selection;
        TMonitorAddForm form(texts, monitor, selection);
        int shownCount = 0, closed = 0;
        connect(&form, &TMonitorAddForm::shown, [&] { ++shownCount; });
        connect(&form, &TMonitorAddForm::closed, [&] { ++closed; });
        form.ShowBeside(QRect(100, 50, 700, 500));
        QCOMPARE(form.windowTitle(), QString("T73"));
        QCOMPARE(form.label()->text(), QString("T74"));
        QCOMPARE(form.pos(), QPoint(100 + 700 - form.width() - 30, 80));
        QCOMPARE(shownCount, 1);
        QVERIFY(form.windowFlags() & Qt::WindowStaysOnTopHint);
        const bool underlined = form.label()->font().underline();
        QTRY_VERIFY_WITH_TIMEOUT(form.label()->font().underline() != underlined, 2000);

        form.Confirm();
        QVERIFY(!form.isVisible());
        QCOMPARE(closed, 1);
        QCOMPARE(monitor.Messages[1].DeactiveEvents.size(), size_t(2));  // the duplicate refused
        QCOMPARE(shown.size(), size_t(1));
        QCOMPARE(shown[0].textId, Text::DuplicateEvent);
        QVERIFY(!monitor.Saved);

        form.Confirm();  // not shown: nothing
        QCOMPARE(monitor.Messages[1].DeactiveEvents.size(), size_t(2));
        form.ShowBeside(QRect(0, 0, 700, 500));
        form.close();  // the close box closes it the same way, without adding
        QCOMPARE(closed, 2);
        QCOMPARE(monitor.Messages[1].DeactiveEvents.size(), size_t(2));
    }

    void messagesGridModelSortsAndPaintsSwatches() {
        TMonitor monitor(texts, ui);
        TMonitorSort sort{kMsgText, true};
        TMessagesGridModel model(texts, monitor, sort);
        QCOMPARE(model.rowCount(), 1);  // an empty set-up keeps one empty row
        QCOMPARE(model.MessageAt(0), -1);
        QVERIFY(!model.index(0, 0).data().isValid());
        for (const char* t : {"b", "c", "a"}) {
            TMonitorData m;
            m.Number = int(monitor.Messages.size()) + 1;
            m.Text = t;
            m.Color = m.Number;
            monitor.Messages.push_back(m);
        }
        model.Refresh();
        QCOMPARE(model.rowCount(), 3);
        QCOMPARE(model.columnCount(), 7);
        QCOMPARE(model.headerData(3, Qt::Horizontal, Qt::DisplayRole).toString(), QString("T257"));
        QCOMPARE(model.index(0, kMsgText).data().toString(), QString("a"));
        QCOMPARE(model.index(0, kMsgNumber).data().toString(), QString("3"));
        QCOMPARE(model.MessageAt(0), 2);
        QCOMPARE(model.RowOf(0), 1);
        QCOMPARE(model.index(0, kMsgColor).data(kSwatchRole).value<QColor>(), QColor(0, 128, 0));
        QVERIFY(model.index(0, kMsgColor).data().toString().isEmpty());
        model.PressHeader(kMsgText);
        QCOMPARE(sort.ascending, false);
        QCOMPARE(model.index(0, kMsgText).data().toString(), QString("c"));
        model.PressHeader(kMsgNumber);
        QCOMPARE(sort.column, int(kMsgNumber));
        QCOMPARE(model.MessageAt(0), 0);

        QTableView view;
        view.setModel(&model);
        view.setItemDelegateForColumn(kMsgColor, new TSwatchDelegate(&view));
        model.ShowSortIndicator(view.horizontalHeader());
        QCOMPARE(view.horizontalHeader()->sortIndicatorSection(), int(kMsgNumber));
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        const QRect cell = view.visualRect(model.index(0, kMsgColor));
        const QImage shot = view.viewport()->grab().toImage();
        QCOMPARE(QColor(shot.pixel(cell.center())), QColor(255, 0, 0));  // message 1: red
        QCOMPARE(QColor(shot.pixel(cell.left() + 3, cell.center().y())), QColor(Qt::black));
    }

    void eventGridModelShowsTheCurrentMessagesEvents() {
        TMonitor monitor(texts, ui);
        monitor.Messages.resize(1);
        TEvent e("x012345", "3");
        e.UserNumber = 4;
        e.User[1] = "Flat";
        monitor.Messages[0].DeactiveEvents = {e, TEvent("x054321", "1")};
        TEventGridModel model(texts, monitor, false);
        model.SetUserColumns({{0, "No."}, {2, "U2"}});
        QCOMPARE(model.rowCount(), 1);
        QCOMPARE(model.EventAt(0), -1);
        model.ShowMessage(0);
        QCOMPARE(model.rowCount(), 2);
        QCOMPARE(model.columnCount(), 4);
        QCOMPARE(model.headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(), QString("T28"));
        QCOMPARE(model.headerData(3, Qt::Horizontal, Qt::DisplayRole).toString(), QString("U2"));
        QCOMPARE(model.index(0, 2).data().toString(), QString("4"));
        QCOMPARE(model.index(0, 3).data().toString(), QString("Flat"));
        QCOMPARE(model.index(1, 0).data().toString(), QString("x054321"));
        TEventGridModel active(texts, monitor, true);
        active.ShowMessage(0);
        QCOMPARE(active.rowCount(), 1);  // no Active events: one empty row
        QCOMPARE(active.EventAt(0), -1);
        model.ShowMessage(5);
        QCOMPARE(model.rowCount(), 1);
    }

    void messageListModelColoursMarksAndBlinks() {
        TMonitor monitor(texts, ui);
        for (int i = 0; i < 2; ++i) {
            TMonitorData m;
            m.Number = i + 1;
            m.Text = "M" + std::to_string(i + 1);
            m.Color = i == 0 ? 1 : 6;
            m.Size = 12;
            m.Blink = i == 0;
            m.ActiveEvents = {TEvent("x01234" + std::to_string(i), "1")};
            monitor.Messages.push_back(m);
        }
        TMessageListModel model(texts, monitor, "Tahoma");
        QCOMPARE(model.rowCount(), 1);
        QVERIFY(!(model.flags(model.index(0, 0)) & Qt::ItemIsUserCheckable));
        const TMonitorTime now{{2024, 1, 2, 3, 4, 5}, {}};
        monitor.OnReception("1A12341", "1", now);
        monitor.OnReception("1A12340", "1", now);
        model.Refresh();
        QCOMPARE(model.rowCount(), 2);
        QCOMPARE(model.index(0, kListText).data().toString(), QString("M2"));
        QCOMPARE(model.index(0, kListActivated).data().toString(), QString("02.01.2024 03:04:05"));
        QCOMPARE(model.index(1, kListNumber).data().toString(), QString("1"));
        QCOMPARE(model.index(0, 1).data(Qt::BackgroundRole).value<QBrush>().color(),
                 QColor(0, 0, 0));
        QCOMPARE(model.index(0, 1).data(Qt::FontRole).value<QFont>().pointSize(), 12);
        QCOMPARE(model.index(0, 1).data(Qt::SizeHintRole).toSize().height(), 24);
        QCOMPARE(model.index(1, 1).data(Qt::BackgroundRole).value<QBrush>().color(),
                 QColor(255, 0, 0));
        QSignalSpy repaint(&model, &QAbstractItemModel::dataChanged);
        model.Blink();
        QCOMPARE(repaint.count(), 1);
        QCOMPARE(model.index(1, 1).data(Qt::BackgroundRole).value<QBrush>().color(),
                 QColor(0, 0, 0));
        QCOMPARE(model.index(1, 1).data(Qt::ForegroundRole).value<QBrush>().color(),
                 QColor(255, 0, 0));
        QCOMPARE(model.index(0, 1).data(Qt::BackgroundRole).value<QBrush>().color(),
                 QColor(0, 0, 0));  // M2 does not blink

        QSignalSpy marks(&model, &TMessageListModel::marksChanged);
        QVERIFY(model.setData(model.index(1, 0), Qt::Checked, Qt::CheckStateRole));
        QCOMPARE(marks.count(), 1);
        QCOMPARE(model.index(1, 0).data(Qt::CheckStateRole).toInt(), int(Qt::Checked));
        QVERIFY(monitor.Messages[0].Marked);
        QVERIFY(!model.setData(model.index(1, 1), Qt::Checked, Qt::CheckStateRole));
        monitor.DeactivateMarked(now);
        model.Refresh();
        QCOMPARE(model.rowCount(), 1);
        QCOMPARE(model.index(0, kListText).data().toString(), QString("M2"));
    }

    void popUpWindowShowsTextAndPicture() {
        TMonitorData m;
        m.Text = "Front door";
        m.Color = 2;
        m.Size = 16;
        m.Picture = S(File("none.jpg"));
        m.Number = 5;
        TMonitorMessageForm form(texts);
        form.Prepare(m, "Tahoma");
        QCOMPARE(form.windowTitle(), QString("T232 5"));
        QCOMPARE(form.Picture(), TMonitorMessageForm::TPicture::BuiltIn);  // no such file
        QCOMPARE(form.imageLabel()->pixmap().size(), QSize(125, 41));
        QCOMPARE(form.textLabel()->palette().color(QPalette::Window), QColor(0, 0, 255));
        QCOMPARE(form.textLabel()->palette().color(QPalette::WindowText), QColor(255, 255, 0));
        QCOMPARE(form.textLabel()->font().pointSize(), 16);
        QVERIFY(form.width() >= TMonitorMessageForm::kMinWidth &&
                form.width() <= TMonitorMessageForm::kMaxWidth);
        QVERIFY(form.height() >= TMonitorMessageForm::kMinHeight &&
                form.height() <= TMonitorMessageForm::kMaxHeight);
        // The picture is centred below the text.
        const QRect img = form.imageLabel()->geometry();
        const QRect text = form.textLabel()->geometry();
        QVERIFY(std::abs(img.center().x() - text.center().x()) <= 1);
        QVERIFY(img.top() >= text.bottom());

        m.Text = std::string(400, 'W');  // a long text wraps within the widest window
        const QString big = File("big.jpg");
        QVERIFY(QImage(2000, 1500, QImage::Format_RGB32).save(big, "JPEG"));
        m.Picture = S(big);
        QSignalSpy loaded(&form, &TMonitorMessageForm::pictureLoaded);
        form.Prepare(m, "Tahoma");
        QTRY_COMPARE(loaded.count(), 1);
        QCOMPARE(form.Picture(), TMonitorMessageForm::TPicture::Own);
        QVERIFY(form.imageLabel()->pixmap().width() <= TMonitorMessageForm::kMaxWidth);
        QCOMPARE(form.width(), TMonitorMessageForm::kMaxWidth);
        QVERIFY(form.height() <= TMonitorMessageForm::kMaxHeight);

        const QString bad = File("bad.bmp");
        QFile f(bad);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("BM garbage");
        f.close();
        m.Picture = S(bad);
        loaded.clear();
        form.Prepare(m, "Tahoma");
        QTRY_COMPARE(loaded.count(), 1);
        QCOMPARE(form.Picture(), TMonitorMessageForm::TPicture::None);  // the text alone
        QVERIFY(!form.imageLabel()->isVisibleTo(&form));

        // Blinking: the look of the phase; closing only hides.
        form.ApplyLook({{0, 0, 0}, {0, 0, 255}, 16, 28}, "Tahoma");
        QCOMPARE(form.textLabel()->palette().color(QPalette::Window), QColor(0, 0, 0));
        form.PlaceAt({160, 10, 3});
        QCOMPARE(form.pos(), QPoint(10, 160));
        form.show();
        form.close();
        QVERIFY(!form.isVisible());
        form.show();
        QVERIFY(form.isVisible());
    }

    void soundOutputNeverWaits() {
        // No sound card in the test machine: the calls return and keep their state.
        TQtSoundPlayer player(S(DataDir()), true, false);
        QTRY_COMPARE(player.LoadedCount(), 5);  // the delivered sounds, read ahead
        player.PlayOnce(kSoundShortBeep, {});
        player.PlayOnce(kSoundFile, S(File("missing.wav")));
        player.SetRepeating(true);
        QVERIFY(player.Repeating());
        player.PlayOnce(kSoundPermanent, {});
        QVERIFY(player.Repeating());
        player.SetOutputs(false, false);
        QVERIFY(player.Repeating());
        player.SetRepeating(false);
        QVERIFY(!player.Repeating());
        QSignalSpy loaded(&player, &TQtSoundPlayer::waveLoaded);
        player.PlayFile(S(File("missing.wav")));
        QTRY_COMPARE(loaded.count(), 1);
        QCOMPARE(player.LoadedCount(), 5);  // a missing file loads as nothing
    }
};

QTEST_MAIN(MonitorEditorsTest)
#include "monitor_editors.moc"
