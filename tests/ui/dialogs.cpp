// The small windows: login, password change, communication setup, New file, progress.

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QtTest>
#include <atomic>
#include <thread>

#include "GuiSupport.h"
#include "app/ui/AppSetupForm.h"
#include "base/ui/QtUserInterface.h"
#include "link/Serial.h"
#include "link/ui/CommSetupForm.h"
#include "receiver/ui/ReceiverForms.h"
#include "records/ui/NewForm.h"

using namespace ravlin;

class DialogsTest : public QObject {
    Q_OBJECT

    TTextTable texts;
    TQtUserInterface ui;
    std::vector<TMessage> shown;

  private slots:
    void init() {
        texts.assign(300, std::string());
        for (int i = 0; i < 300; ++i) texts[i] = "T" + std::to_string(i);
        shown.clear();
        ui.setResponder([this](TQtUserInterface::Kind, const TMessage& m, TButtons) {
            shown.push_back(m);
            return TAnswer::Yes;
        });
    }

    void loginChecksLengthThenPassword() {
        TLoginForm form(texts, ui);
        form.Prepare("KV8M receiver", "secret");
        form.show();
        QCOMPARE(form.windowTitle(), QString("T60"));
        form.passwordEdit()->setText(QString(17, 'x'));
        form.accept();
        QCOMPARE(form.result(), 0);
        QVERIFY(form.isVisible());
        form.passwordEdit()->setText("Secret");  // case matters
        form.accept();
        QVERIFY(form.isVisible());
        QCOMPARE(shown.size(), size_t(2));
        QCOMPARE(shown[0].textId, Text::PasswordTooLong);
        QCOMPARE(shown[1].textId, Text::WrongPassword);
        form.passwordEdit()->setText("secret");
        form.accept();
        QCOMPARE(form.result(), int(QDialog::Accepted));
        QCOMPARE(form.Typed(), std::string("secret"));
        // Shown again: the field starts empty.
        form.Prepare("KV8M receiver", "secret");
        QVERIFY(form.passwordEdit()->text().isEmpty());
    }

    void aPasswordEndingInABlankIsAcceptedAsTyped() {
        // The receiver reads "abc " back as "abc": the same typing must log in, and
        // setting it again is no change.
        TLoginForm form(texts, ui);
        form.Prepare("KV8M", "abc");
        form.show();
        form.passwordEdit()->setText("abc ");
        form.accept();
        QCOMPARE(form.result(), int(QDialog::Accepted));
        QVERIFY(shown.empty());
        TChangePasswordForm change(texts, ui);
        change.Prepare("KV8M", "abc");
        change.show();
        change.oldEdit()->setText("abc ");
        change.newEdit()->setText("abc  ");
        change.accept();
        QVERIFY(change.isVisible());  // the same password: nothing happens
        QVERIFY(shown.empty());
        change.newEdit()->setText("xyz ");
        change.accept();
        QCOMPARE(change.result(), int(QDialog::Accepted));
        QVERIFY(shown.empty());
    }

    void loginRefusesCharactersOutsideTheCodePage() {
        TLoginForm form(texts, ui);
        form.Prepare("KV8M", "abc");
        form.show();
        form.passwordEdit()->setText(QString::fromUtf8("ab\u03A9"));
        form.accept();
        QVERIFY(form.isVisible());
        QCOMPARE(shown.size(), size_t(1));
        QCOMPARE(shown[0].textId, Text::None);
        QVERIFY(QString::fromStdString(shown[0].text).contains("cannot be stored"));
    }

    void passwordChangeWithAndWithoutOldPassword() {
        TChangePasswordForm form(texts, ui);
        form.Prepare("KV8M", "old");
        form.show();
        QVERIFY(form.oldEdit()->isVisible());
        form.oldEdit()->setText("wrong");
        form.newEdit()->setText("new");
        form.accept();
        QVERIFY(form.isVisible());
        form.oldEdit()->setText("old");
        form.newEdit()->setText(QString(17, 'n'));
        form.accept();
        QVERIFY(form.isVisible());
        form.newEdit()->setText("old");  // the same password: nothing happens
        form.accept();
        QVERIFY(form.isVisible());
        QCOMPARE(shown.size(), size_t(2));
        QCOMPARE(shown[0].textId, Text::WrongPassword);
        QCOMPARE(shown[1].textId, Text::PasswordTooLong);
        form.newEdit()->setText("");  // an empty new password removes it
        form.accept();
        QCOMPARE(form.result(), int(QDialog::Accepted));
        QCOMPARE(form.Change().oldPassword, std::string("old"));
        QCOMPARE(form.Change().newPassword, std::string());

        form.Prepare("KV8M", "");
        form.show();
        QVERIFY(!form.oldEdit()->isVisible());
        form.newEdit()->setText("abc");
        form.accept();
        QCOMPARE(form.result(), int(QDialog::Accepted));
        QCOMPARE(form.Change().newPassword, std::string("abc"));
    }

    void commSetupChecksEveryFieldInOrder() {
        TCommSetupForm form(texts, ui);
        TConnectionSettings s;
        s.ConnectionType = TConnectionSettings::Com;
        s.ComNumber = 3;
        s.ComSpeed = 19200;
        s.DumpRead = true;
        TSerialPortInfo one, three;
        one.number = 1;
        one.path = "/dev/ttyS0";
        three.number = 3;
        three.path = "/dev/ttyUSB0";
        three.description = "FTDI FT232R USB UART, serial A1";
        form.Prepare(s, {one, three});
        form.show();
        QCOMPARE(form.portCombo()->currentText(), QString("COM 3"));
        QCOMPARE(form.speedCombo()->currentText(), QString("19200"));
        QVERIFY(!form.addressEdit()->isVisible());

        form.portCombo()->setEditText("COM x");
        form.accept();
        form.portCombo()->setEditText("COM 12");
        form.speedCombo()->setEditText("96oo");
        form.accept();
        form.speedCombo()->setEditText("115200");
        form.addressEdit()->setText("10.0.0");
        form.accept();
        form.addressEdit()->setText("10.0.0.7");
        form.ipPortEdit()->setText("7");  // checked even while COM is selected
        form.accept();
        QVERIFY(form.isVisible());
        QCOMPARE(shown.size(), size_t(4));
        QCOMPARE(shown[0].textId, Text::BadPortNumber);
        QCOMPARE(shown[1].textId, Text::BadSpeed);
        QCOMPARE(shown[2].textId, Text::BadIpAddress);
        QCOMPARE(shown[3].textId, Text::BadIpPort);
        form.ipPortEdit()->setText("10001");
        form.accept();
        QCOMPARE(form.result(), int(QDialog::Accepted));
        QCOMPARE(form.Result().ComNumber, 12);
        QCOMPARE(form.Result().ComSpeed, 115200);
        QCOMPARE(form.Result().IPAddress, std::string("10.0.0.7"));
        QCOMPARE(form.Result().DumpRead, false);
        QCOMPARE(form.Result().ConnectionType, int(TConnectionSettings::Com));

        form.Prepare(s, {});
        form.show();
        form.tcpRadio()->setChecked(true);
        QVERIFY(form.addressEdit()->isVisible());
        QVERIFY(!form.portCombo()->isVisible());

        // A stored port and speed the lists lack are shown, and OK on the unchanged window
        // keeps them (also with TCP chosen, which hides both fields).
        s.ComNumber = 5;
        s.ComSpeed = 250000;
        s.ConnectionType = TConnectionSettings::Tcp;
        shown.clear();
        form.Prepare(s, {one, three});
        form.show();
        QCOMPARE(form.portCombo()->currentText(), QString("COM 5"));
        QCOMPARE(form.speedCombo()->currentText(), QString("250000"));
        form.accept();
        QCOMPARE(shown.size(), size_t(0));
        QCOMPARE(form.result(), int(QDialog::Accepted));
        QCOMPARE(form.Result().ComNumber, 5);
        QCOMPARE(form.Result().ComSpeed, 250000);
        QCOMPARE(form.Result().ConnectionType, int(TConnectionSettings::Tcp));
    }

    // The same for the application set-up's monitor font.
    void appSetupKeepsAStoredFontTheSystemLacks() {
        TAppSetupForm form(texts, ui);
        TAppSetupValues v;
        v.language = "US";
        v.monitorFont = "No Such Font 8x";
        for (size_t i = 0; i < v.titles.size(); ++i) v.titles[i] = "Title " + std::to_string(i);
        TAppSetupChoices c;
        c.languages = {"US"};
        c.sortColumns = {"Position"};
        form.Prepare(v, c);
        form.show();
        QCOMPARE(form.fontCombo()->currentText(), QString("No Such Font 8x"));
        form.accept();
        QCOMPARE(form.result(), int(QDialog::Accepted));
        QCOMPARE(form.Values().monitorFont, std::string("No Such Font 8x"));
    }

    void portListHoldsOnlyExistingDevices() {
        for (const TSerialPortInfo& p : ListSerialPorts()) {
            QCOMPARE(p.path, SerialDevicePath(p.number));
            QVERIFY(QFile::exists(QString::fromStdString(p.path)));
        }
    }

    void newFileChoosesByListOrTypedText() {
        TNewForm form(texts, ui);
        form.Prepare({{"KV1", "One relay", 0}, {"KV8M", "Eight relays", 1}, {"KV2", "Two", 2}});
        form.show();
        QCOMPARE(form.combo()->count(), 3);
        QCOMPARE(form.combo()->currentIndex(), 0);
        form.combo()->setEditText("eight RELAYS");
        form.accept();
        QCOMPARE(form.result(), int(QDialog::Accepted));
        QCOMPARE(form.ChosenName(), std::string("KV8M"));

        form.Prepare({{"KV1", "One relay", 0}});
        form.show();
        form.combo()->setEditText("Nine relays");
        form.accept();
        QVERIFY(form.isVisible());
        QCOMPARE(shown.size(), size_t(1));
        QCOMPARE(shown[0].textId, Text::SelectReceiverType);
    }

    void progressWindowCancelKeepsItOpen() {
        TCommForm form(texts, ui);
        bool cancelled = false;
        connect(&form, &TCommForm::cancelRequested, [&] { cancelled = true; });
        ui.ClearCancel();
        form.Prepare("T76");
        form.show();
        QCOMPARE(form.windowTitle(), QString("T2"));
        QTest::mouseClick(form.cancelButton(), Qt::LeftButton);
        QVERIFY(ui.CancelRequested());
        QVERIFY(cancelled);
        QVERIFY(form.isVisible());  // only the end of the job closes it
        form.close();
        QVERIFY(form.isVisible());
        form.Finish();
        QVERIFY(!form.isVisible());
    }

    void questionsOfferTheirDefaultButton() {
        // The real box: Enter takes the default button.
        ui.setResponder(nullptr);
        struct Case {
            TButtons buttons;
            TAnswer defaultButton;
        };
        for (const Case& c :
             {Case{TButtons::YesNo, TAnswer::No}, Case{TButtons::YesNo, TAnswer::Yes},
              Case{TButtons::YesNoCancel, TAnswer::Cancel}}) {
            QMessageBox::StandardButton seen = QMessageBox::NoButton;
            auto done = test::OnNextModal<QMessageBox>([&](QMessageBox* box) {
                seen = box->standardButton(box->defaultButton());
                QTest::keyClick(box, Qt::Key_Return);
            });
            const TAnswer answer =
                ui.Ask(TMessage::Lang(texts, Text::ImportComments), c.buttons, c.defaultButton);
            QVERIFY(*done);
            QCOMPARE(answer, c.defaultButton);
            QCOMPARE(seen, c.defaultButton == TAnswer::No    ? QMessageBox::No
                           : c.defaultButton == TAnswer::Yes ? QMessageBox::Yes
                                                             : QMessageBox::Cancel);
            QCOMPARE(ui.LastDefaultButton(), c.defaultButton);
        }
        // Without a default the question keeps Yes.
        auto done = test::OnNextModal<QMessageBox>(
            [&](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Return); });
        QCOMPARE(ui.Ask(TMessage::Lang(texts, Text::OverwriteReceiver), TButtons::YesNo),
                 TAnswer::Yes);
        QVERIFY(*done);
    }

    void messagesFromAWorkerWaitForTheAnswer() {
        TAnswer answer = TAnswer::Cancel;
        std::atomic<bool> done{false};
        std::thread t([&] {
            answer = ui.Ask(TMessage::Lang(texts, Text::OverwriteReceiver), TButtons::YesNo);
            done.store(true);
        });
        QTRY_VERIFY(done.load());
        t.join();
        QCOMPARE(answer, TAnswer::Yes);
        QCOMPARE(shown.size(), size_t(1));
        QCOMPARE(shown[0].textId, Text::OverwriteReceiver);
    }
};

QTEST_MAIN(DialogsTest)
#include "dialogs.moc"
