// The record editor dialog offscreen: both pages, the keys, refusals through an injected
// user interface, the commands that open it, and the clipboard.

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QtTest>

#include "GuiSupport.h"
#include "catalog/Catalog.h"
#include "catalog/FunctionTable.h"
#include "catalog/Language.h"
#include "records/Codec.h"
#include "records/RecordClipboard.h"
#include "records/RecordHistory.h"
#include "records/ui/EditForm.h"
#include "records/ui/RecordActions.h"

using namespace ravlin;

namespace {

class TRecordedUi : public TUserInterface {
  public:
    std::vector<TMessage> shown;
    void Error(const TMessage& m) override { shown.push_back(m); }
    TAnswer Ask(const TMessage& m, TButtons) override {
        shown.push_back(m);
        return TAnswer::No;
    }
    std::vector<Text> Ids() const {
        std::vector<Text> ids;
        for (const TMessage& m : shown) ids.push_back(m.textId);
        return ids;
    }
};

}  // namespace

class EditFormTest : public QObject {
    Q_OBJECT

    TTextTable texts;
    TRecordedUi ui;
    std::unique_ptr<TFunctionTable> functionTable;
    TDevice device;
    TEditorTitles titles{"Number", "Name", "Place", "Note", "Other"};
    std::string dataDir = RAVLIN_TEST_DATA_DIR;

    void Use(const std::string& type) {
        TSilentUi silent;
        device = TDevice{};
        QVERIFY(FindReceiverType(dataDir, type, false, device, texts, silent));
        device.Name = type;
        functionTable = std::make_unique<TFunctionTable>(dataDir, texts, ui);
        functionTable->SetFileName("RxFncUS.def");
        QVERIFY(functionTable->LoadFunctionTable(type));
        device.RecordCount = 8;
        device.UsedCount = 8;
    }

    TData Record(const std::string& code, const std::string& button, const std::string& output,
                 const std::string& type = "-") {
        TData r = MakeEmptyRecord(device, 3);
        r.Empty = false;
        r.CodePrefix = code.substr(0, 2);
        r.Serial = code.substr(2);
        r.Button = button;
        r.Output = output;
        r.TxType = type;
        return r;
    }

    template <typename T>
    static T* Find(QWidget* form, const char* name) {
        T* w = form->findChild<T*>(name);
        if (!w) qWarning("no control %s", name);
        return w;
    }

    static void Leave(QWidget* field) {
        // Leaving a field: what the user does by moving on.
        QMetaObject::invokeMethod(field, "editingFinished");
    }

  private slots:
    void init() {
        texts.assign(300, std::string());
        for (int i = 0; i < 300; ++i) texts[i] = "T" + std::to_string(i);
        SetText(texts, Text::ParityEven, "even");
        SetText(texts, Text::ParityOdd, "odd");
        ui.shown.clear();
    }

    void userPageOfAButtonType() {
        Use("KV8R");
        TEditForm form(texts, ui);
        TData record = Record("2412345", "6", "01", "TX4 Classic");
        record.Channels = "05";
        record.User1 = "Gate";
        record.UserID = 17;
        form.Prepare(record, *functionTable, device, dataDir, titles);
        form.show();
        QCOMPARE(form.windowTitle(), QString("T50"));
        QCOMPARE(form.pages()->tabText(1), QString("T51"));
        QCOMPARE(form.pages()->currentIndex(), 1);
        QVERIFY(!form.pages()->isTabVisible(0));  // no command slots for this type
        QCOMPARE(Find<QLineEdit>(&form, "MistoEdit")->text(), QString("3"));
        QCOMPARE(Find<QLineEdit>(&form, "KodEdit")->text(), QString("2412345"));
        QCOMPARE(Find<QComboBox>(&form, "TypCombo")->currentText(), QString("TX4 Classic"));
        QCOMPARE(Find<QComboBox>(&form, "FunkceCombo")->currentText(), QString("Monostable"));
        QCOMPARE(Find<QLineEdit>(&form, "Edit1")->text(), QString("Gate"));
        QCOMPARE(Find<QSpinBox>(&form, "EditID")->value(), 17);
        QVERIFY(Find<QGroupBox>(&form, "BtnGroup")->isVisible());
        QVERIFY(!Find<QGroupBox>(&form, "InputRadio")->isVisible());
        QVERIFY(!Find<QComboBox>(&form, "ReleCombo")->isEnabled());
        QVERIFY(Find<QCheckBox>(&form, "ChBox1")->isChecked());
        QVERIFY(Find<QCheckBox>(&form, "ChBox3")->isChecked());
        QVERIFY(!Find<QSpinBox>(&form, "MinEdit")->isEnabled());
        // Button code 6: boxes 2 and 3, placed where the catalogue says.
        for (int j = 1; j <= 4; ++j) {
            auto* box = Find<QCheckBox>(&form, QStringLiteral("BtnBox%1").arg(j).toLatin1());
            QVERIFY(box->isVisible());
            QCOMPARE(box->isChecked(), j == 2 || j == 3);
        }
        // The picture is drawn half as large again: top 10, left 50, tick box at + 8.
        QCOMPARE(Find<QWidget>(&form, "Btn2")->pos(), QPoint(75, 15));
        QCOMPARE(Find<QWidget>(&form, "BtnBox2")->pos(), QPoint(87, 27));
        // Ticking box 1 and unticking 2 and 3: 8.
        Find<QCheckBox>(&form, "BtnBox1")->click();
        Find<QCheckBox>(&form, "BtnBox2")->click();
        Find<QCheckBox>(&form, "BtnBox3")->click();
        QCOMPARE(Find<QComboBox>(&form, "BtnCombo")->currentText(), QString("8"));
        // The timer with a time.
        auto* function = Find<QComboBox>(&form, "FunkceCombo");
        function->setCurrentIndex(function->findText("Timer"));
        emit function->activated(function->currentIndex());
        QVERIFY(Find<QSpinBox>(&form, "MinEdit")->isEnabled());
        Find<QSpinBox>(&form, "MinEdit")->setValue(2);
        Find<QSpinBox>(&form, "MilEdit")->setValue(350);
        Leave(Find<QSpinBox>(&form, "MilEdit"));
        QCOMPARE(Find<QSpinBox>(&form, "MilEdit")->value(), 400);
        Find<QCheckBox>(&form, "ChBox8")->click();
        Find<QLineEdit>(&form, "Edit2")->setText("Hall");
        // Enter anywhere is OK.
        Find<QLineEdit>(&form, "Edit2")->setFocus();
        QTest::keyClick(Find<QLineEdit>(&form, "Edit2"), Qt::Key_Return);
        QCOMPARE(form.result(), int(QDialog::Accepted));
        const TData& r = form.Result();
        QCOMPARE(r.Button, std::string("8"));
        QCOMPARE(r.Output, std::string("03"));
        QCOMPARE(r.Time, std::string("04B4"));  // 2:00,400
        QCOMPARE(r.Channels, std::string("85"));
        QCOMPARE(r.User1, std::string("Gate"));
        QCOMPARE(r.User2, std::string("Hall"));
        QCOMPARE(r.Position, 3);
        QVERIFY(ui.shown.empty());
    }

    void userPageOfAnInputType() {
        Use("KV2R");
        TEditForm form(texts, ui);
        form.Prepare(Record("A012345", "F", "08", "RDI-2 Input"), *functionTable, device, dataDir,
                     titles);
        form.show();
        QVERIFY(!Find<QGroupBox>(&form, "BtnGroup")->isVisible());
        QVERIFY(Find<QGroupBox>(&form, "InputRadio")->isVisible());
        auto radios = Find<QGroupBox>(&form, "InputRadio")->findChildren<QRadioButton*>();
        QCOMPARE(radios.size(), 5);
        QVERIFY(radios[4]->isChecked());
        auto* function = Find<QComboBox>(&form, "FunkceCombo");
        QCOMPARE(function->count(), 3);
        QCOMPARE(function->currentText(), QString("Direct"));
        radios[1]->click();
        QCOMPARE(Find<QComboBox>(&form, "BtnCombo")->currentText(), QString("6"));
        // Direct wants the button F: the check rules refuse, the dialog stays open.
        form.accept();
        QCOMPARE(ui.Ids(), std::vector<Text>{Text::RecordBreaksRules});
        QVERIFY(form.isVisible());
        radios[4]->click();
        form.accept();
        QCOMPARE(form.result(), int(QDialog::Accepted));
        QCOMPARE(form.Result().Button, std::string("F"));
        QCOMPARE(form.Result().TxType, std::string("RDI-2 Input"));
    }

    void codeTypeAndButtonRules() {
        Use("KV2R");
        TEditForm form(texts, ui);
        form.Prepare(Record("x0ABCDE", "1", "01"), *functionTable, device, dataDir, titles);
        form.show();
        auto* code = Find<QLineEdit>(&form, "KodEdit");
        QCOMPARE(code->maxLength(), 7);
        auto* type = Find<QComboBox>(&form, "TypCombo");
        type->setCurrentIndex(type->findText("TX2 Mini"));
        emit type->activated(type->currentIndex());
        QCOMPARE(code->text(), QString("20ABCDE"));
        QVERIFY(Find<QCheckBox>(&form, "BtnBox2")->isVisible());
        QVERIFY(!Find<QCheckBox>(&form, "BtnBox3")->isVisible());
        code->setText("");
        QTest::keyClicks(code, "1a2b3");
        Leave(code);
        QCOMPARE(code->text(), QString("251A2B3"));
        code->setText("");
        QTest::keyClicks(code, "12345G");
        Leave(code);
        QCOMPARE(ui.Ids(), std::vector<Text>{Text::BadTxCode});
        QCOMPARE(code->text(), QString("x0ABCDE"));
        QCOMPARE(form.focusWidget(), code);
        // The button list takes one upper-case hex digit.
        auto* button = Find<QComboBox>(&form, "BtnCombo");
        button->lineEdit()->clear();
        QTest::keyClicks(button->lineEdit(), "c");
        QCOMPARE(button->currentText(), QString("C"));
        QVERIFY(Find<QCheckBox>(&form, "BtnBox1")->isChecked());
        // A text that is no hex digit counts as 0, which no button of the TX2 Mini gives.
        button->lineEdit()->clear();
        QTest::keyClicks(button->lineEdit(), "z");
        QCOMPARE(button->currentText(), QString("C"));
        QCOMPARE(QString::fromStdString(ui.shown.back().text),
                 QString("The transmitter type TX2 Mini has no button code 0; its codes are 4, 8, "
                         "C."));
        // Back to no type.
        type->setCurrentIndex(type->findText("-"));
        emit type->activated(type->currentIndex());
        QCOMPARE(code->text(), QString("x0ABCDE"));
    }

    // A record shown as stored is stored as it was; the rules' changes are shown in the
    // window; a mistyped function and a button the type lacks are refused.
    void whatTheUserDidNotTouchStays() {
        Use("KV2R");
        const TData contact = Record("A13C3C3", "3", "01", "RDI-1 Contact");
        {
            TEditForm form(texts, ui);
            form.Prepare(contact, *functionTable, device, dataDir, titles);
            form.show();
            QCOMPARE(Find<QComboBox>(&form, "FunkceCombo")->currentText(), QString("Monostable"));
            QCOMPARE(Find<QComboBox>(&form, "BtnCombo")->currentText(), QString("3"));
            QVERIFY(!Find<QLabel>(&form, "NoteLabel")->isVisible());
            form.accept();
            QCOMPARE(form.result(), int(QDialog::Accepted));
            QVERIFY(SameRecord(form.Result(), contact));
        }
        TEditForm form(texts, ui);
        form.Prepare(Record("241A2B3", "8", "01", "TX4 Classic"), *functionTable, device, dataDir,
                     titles);
        form.show();
        auto* code = Find<QLineEdit>(&form, "KodEdit");
        code->setFocus();
        code->selectAll();
        QTest::keyClicks(code, "A123456");
        Leave(code);
        QCOMPARE(code->text(), QString("A123456"));
        QCOMPARE(Find<QComboBox>(&form, "BtnCombo")->currentText(), QString("F"));
        auto* note = Find<QLabel>(&form, "NoteLabel");
        QVERIFY(note->isVisible());
        QVERIFY(note->text().contains("The button code becomes F"));
        QVERIFY(note->text().contains("The function becomes -"));
        test::Shot(&form, "edit-form-rule-notes");
        auto* function = Find<QComboBox>(&form, "FunkceCombo");
        function->lineEdit()->selectAll();
        QTest::keyClicks(function->lineEdit(), "Drect");
        QTest::keyClick(function->lineEdit(), Qt::Key_Enter);
        QCOMPARE(ui.Ids(), std::vector<Text>{Text::UnknownFunction});
        QVERIFY(form.isVisible());
        QCOMPARE(function->currentText(), QString("Drect"));
        function->setCurrentIndex(function->findText("Direct"));
        emit function->activated(function->currentIndex());
        form.accept();
        QCOMPARE(form.result(), int(QDialog::Accepted));
        QCOMPARE(form.Result().Output, std::string("08"));
        QCOMPARE(form.Result().CodePrefix + form.Result().Serial, std::string("A123456"));

        TEditForm key(texts, ui);
        key.Prepare(Record("2677777", "8", "04", "TX1 Key"), *functionTable, device, dataDir,
                    titles);
        key.show();
        auto* button = Find<QComboBox>(&key, "BtnCombo");
        button->lineEdit()->selectAll();
        QTest::keyClicks(button->lineEdit(), "3");
        QCOMPARE(QString::fromStdString(ui.shown.back().text),
                 QString("The transmitter type TX1 Key has no button code 3; its codes are 8."));
        QCOMPARE(button->currentText(), QString("8"));
    }

    void escapeCancelsAndTheRecordStays() {
        Use("KV2R");
        TData record = Record("x0ABCDE", "1", "01");
        const TData before = record;
        auto done = test::OnNextModal<TEditForm>([](TEditForm* form) {
            auto* edit = form->findChild<QLineEdit*>("Edit1");
            edit->setText("changed");
            QTest::keyClick(edit, Qt::Key_Escape);
        });
        QVERIFY(!EditRecord(nullptr, texts, *functionTable, device, dataDir, titles, ui, record));
        QVERIFY(*done);
        QVERIFY(SameRecord(record, before));

        done = test::OnNextModal<TEditForm>([](TEditForm* form) {
            auto* edit = form->findChild<QLineEdit*>("Edit1");
            edit->setText("changed");
            QTest::keyClick(form->findChild<QComboBox*>("FunkceCombo")->lineEdit(), Qt::Key_Enter);
        });
        QVERIFY(EditRecord(nullptr, texts, *functionTable, device, dataDir, titles, ui, record));
        QCOMPARE(record.User1, std::string("changed"));
    }

    void textsTheFileCannotCarryAreRefused() {
        Use("KV2R");
        TEditForm form(texts, ui);
        form.Prepare(Record("x0ABCDE", "1", "01"), *functionTable, device, dataDir, titles);
        form.show();
        auto* edit = Find<QLineEdit>(&form, "Edit3");
        edit->setText("a#b");
        Leave(edit);
        QCOMPARE(ui.shown.size(), size_t(1));
        QVERIFY(QString::fromStdString(ui.shown[0].text).startsWith("Note:"));
        form.accept();
        QVERIFY(form.isVisible());
        edit->setText(QString::fromUtf8("\u03A9 omega"));
        form.accept();
        QVERIFY(form.isVisible());
        QVERIFY(QString::fromStdString(ui.shown.back().text).contains("cannot be stored"));
        QCOMPARE(form.focusWidget(), edit);
        edit->setText(QString::fromUtf8("\u00E9t\u00E9"));
        form.accept();
        QCOMPARE(form.result(), int(QDialog::Accepted));
        QCOMPARE(form.Result().User3, std::string("\xE9t\xE9"));
    }

    void relayModeShowsTheRelayList() {
        Use("KV3S");
        TEditForm form(texts, ui);
        TData record = Record("x0ABCDE", "1", "03");
        record.Time = "003200640096";
        form.Prepare(record, *functionTable, device, dataDir, titles);
        form.show();
        auto* relays = Find<QComboBox>(&form, "ReleCombo");
        QVERIFY(relays->isEnabled());
        QCOMPARE(relays->count(), 3);
        QCOMPARE(relays->itemText(2), QString("RE 3"));
        QVERIFY(!Find<QGroupBox>(&form, "ChannelGroup")->isEnabled());
        QCOMPARE(Find<QSpinBox>(&form, "SecEdit")->value(), 5);
        Find<QSpinBox>(&form, "SecEdit")->setValue(7);
        relays->setCurrentIndex(1);
        emit relays->activated(1);
        QCOMPARE(Find<QSpinBox>(&form, "SecEdit")->value(), 10);
        form.accept();
        QCOMPARE(form.Result().Time, std::string("004600640096"));
    }

    void projectorPageOneSlot() {
        Use("KV1M");
        TEditForm form(texts, ui);
        TData record = Record("x0ABCDE", "1", "06");
        form.Prepare(record, *functionTable, device, dataDir, titles);
        form.show();
        QVERIFY(form.pages()->isTabVisible(0));
        QCOMPARE(form.pages()->tabText(0), QString("T49"));
        form.pages()->setCurrentIndex(0);
        QVERIFY(Find<QLineEdit>(&form, "CommandEdit1")->isVisible());
        QVERIFY(!Find<QLineEdit>(&form, "CommandEdit2")->isVisible());
        QVERIFY(!Find<QSpinBox>(&form, "ProjDelayEdit1")->isVisible());
        QVERIFY(!Find<QComboBox>(&form, "GroupCombo")->isVisible());
        QCOMPARE(Find<QComboBox>(&form, "ProjSpeedCombo")->currentText(), QString("9600"));
        QCOMPARE(Find<QComboBox>(&form, "ProjParityCombo")->count(), 3);
        QTest::keyClicks(Find<QLineEdit>(&form, "CommandEdit1"), "PWR ON$0D");
        Find<QSpinBox>(&form, "ProjRepeatEdit1")->setValue(2);
        form.accept();
        QCOMPARE(form.result(), int(QDialog::Accepted));
        std::string expected =
            "000"
            "07"
            "03"
            "02F0"
            "0"
            "8"
            "505752204F4E0D";
        expected.resize(100, '0');
        QCOMPARE(form.Result().Extra, expected);

        // Read back into the page; a command too long for the slot is refused.
        TEditForm again(texts, ui);
        again.Prepare(form.Result(), *functionTable, device, dataDir, titles);
        again.show();
        auto* command = Find<QLineEdit>(&again, "CommandEdit1");
        QCOMPARE(command->text(), QString("PWR ON$0D"));
        QCOMPARE(Find<QSpinBox>(&again, "ProjRepeatEdit1")->value(), 2);
        command->setText(QString(44, 'x'));
        again.accept();
        QVERIFY(again.isVisible());
        QCOMPARE(ui.Ids(), std::vector<Text>{Text::CommandTooLong});
        QCOMPARE(again.pages()->currentIndex(), 0);
        QCOMPARE(again.focusWidget(), command);
        QCOMPARE(command->selectedText().size(), 44);
        // Direct code disables the command box.
        Find<QCheckBox>(&again, "ProjCodeBox1")->click();
        QVERIFY(!command->isEnabled());
        again.accept();
        QCOMPARE(again.result(), int(QDialog::Accepted));
        QCOMPARE(again.Result().Extra.substr(3, 4), std::string("0003"));
    }

    void projectorPageFollowsTheChosenFunction() {
        Use("KV1W");
        TEditForm form(texts, ui);
        form.Prepare(Record("x0ABCDE", "1", "06"), *functionTable, device, dataDir, titles);
        form.show();
        auto* function = Find<QComboBox>(&form, "FunkceCombo");
        function->setCurrentIndex(function->findText("RS-232 Dual A"));
        emit function->activated(function->currentIndex());
        auto* button = Find<QComboBox>(&form, "BtnCombo");
        button->setCurrentIndex(button->findText("A"));
        emit button->activated(button->currentIndex());
        form.pages()->setCurrentIndex(0);
        QVERIFY(Find<QLineEdit>(&form, "CommandEdit2")->isVisible());
        QVERIFY(Find<QComboBox>(&form, "GroupCombo")->isVisible());
        Find<QComboBox>(&form, "GroupCombo")->setCurrentIndex(2);
        QTest::keyClicks(Find<QLineEdit>(&form, "CommandEdit1"), "ON");
        QTest::keyClicks(Find<QLineEdit>(&form, "CommandEdit2"), "OFF");
        form.accept();
        QCOMPARE(form.result(), int(QDialog::Accepted));
        const std::string& extra = form.Result().Extra;
        QCOMPARE(extra.substr(3, 2), std::string("82"));  // sequence 3, two bytes
        QCOMPARE(extra.substr(51, 2), std::string("03"));
        QCOMPARE(form.Result().Output, std::string("E0"));
    }

    void kv1m2CommandsMoveUpAfterTheInputPause() {
        Use("KV1M2");
        TEditForm form(texts, ui);
        form.Prepare(Record("x0ABCDE", "1", "06"), *functionTable, device, dataDir, titles);
        form.show();
        form.pages()->setCurrentIndex(0);
        for (int n = 1; n <= 4; ++n)
            QVERIFY(Find<QLineEdit>(&form, QStringLiteral("CommandEdit%1").arg(n).toLatin1())
                        ->isVisible());
        QTest::keyClicks(Find<QLineEdit>(&form, "CommandEdit1"), "one");
        QTest::keyClicks(Find<QLineEdit>(&form, "CommandEdit2"), "two");
        QTest::keyClicks(Find<QLineEdit>(&form, "CommandEdit3"), "three");
        Find<QSpinBox>(&form, "ProjRepeatEdit2")->setValue(5);
        auto* first = Find<QLineEdit>(&form, "CommandEdit1");
        first->selectAll();
        QTest::keyClick(first, Qt::Key_Backspace);
        QVERIFY(test::WaitFor(
            [&] { return Find<QLineEdit>(&form, "CommandEdit1")->text() == "two"; }, 3000));
        QCOMPARE(Find<QLineEdit>(&form, "CommandEdit2")->text(), QString("three"));
        QCOMPARE(Find<QLineEdit>(&form, "CommandEdit3")->text(), QString(""));
        QCOMPARE(Find<QSpinBox>(&form, "ProjRepeatEdit1")->value(), 5);
    }

    void addEditDeleteUndoThroughTheCommands() {
        Use("KV2R");
        TRecordTable table;
        for (int p = 1; p <= 8; ++p) table.push_back(MakeEmptyRecord(device, p));
        table[0] = Record("x011111", "1", "01");
        table[0].Position = 1;
        TRecordHistory history;
        history.Reset(true, true);
        TRecordContext ctx{texts, ui, *functionTable, device, table, history, dataDir, titles};

        auto done = test::OnNextModal<TEditForm>([](TEditForm* form) {
            auto* code = form->findChild<QLineEdit*>("KodEdit");
            code->setText("x022222");
            form->findChild<QLineEdit*>("Edit1")->setText("added");
            form->accept();
        });
        QCOMPARE(AddRecordCommand(nullptr, ctx, 1), TCommandResult::Changed);
        QVERIFY(*done);
        QCOMPARE(table[1].Serial, std::string("22222"));
        QCOMPARE(table[1].Button, std::string("0"));  // copied from row 1, button 0
        QCOMPARE(table[1].User1, std::string("added"));
        QVERIFY(!history.AtSaved());

        // Cancelled add: nothing changes.
        done = test::OnNextModal<TEditForm>([](TEditForm* form) { form->reject(); });
        QCOMPARE(AddRecordCommand(nullptr, ctx, kAddCleared), TCommandResult::Cancelled);
        QVERIFY(table[2].Empty);

        // Edit of two rows, the second cancelled: the first stays, one undo step.
        int opened = 0;
        std::function<void(TEditForm*)> edit = [&](TEditForm* form) {
            ++opened;
            if (opened == 1) {
                form->findChild<QLineEdit*>("Edit4")->setText("four");
                form->accept();
                test::OnNextModal<TEditForm>(edit);
            } else {
                form->reject();
            }
        };
        test::OnNextModal<TEditForm>(edit);
        QCOMPARE(EditRecordsCommand(nullptr, ctx, {1, 2}), TCommandResult::Changed);
        QCOMPARE(opened, 2);
        QCOMPARE(table[0].User4, std::string("four"));

        QCOMPARE(DeleteRecordsCommand(ctx, {1, 2}), TCommandResult::Changed);
        QVERIFY(table[0].Empty && table[1].Empty);
        QCOMPARE(UndoCommand(ctx), TCommandResult::Changed);
        QCOMPARE(table[0].User4, std::string("four"));
        QCOMPARE(UndoCommand(ctx), TCommandResult::Changed);
        QCOMPARE(table[0].User4, std::string(""));
        QCOMPARE(UndoCommand(ctx), TCommandResult::Changed);
        QVERIFY(table[1].Empty);
        QVERIFY(history.AtSaved());
        QCOMPARE(UndoCommand(ctx), TCommandResult::Unchanged);
        QCOMPARE(RedoCommand(ctx), TCommandResult::Changed);
        QCOMPARE(table[1].Serial, std::string("22222"));
    }

    void copyAndPasteThroughTheClipboard() {
        Use("KV2R");
        TRecordTable table;
        for (int p = 1; p <= 6; ++p) table.push_back(MakeEmptyRecord(device, p));
        table[0] = Record("x011111", "1", "01");
        table[0].Position = 1;
        table[0].User2 = "copied";
        TRecordHistory history;
        history.Reset(true, true);
        TRecordContext ctx{texts, ui, *functionTable, device, table, history, dataDir, titles};
        CopyRecordsToClipboard(ctx, "1\tx011111\r\n", {1});
        const QMimeData* data = QApplication::clipboard()->mimeData();
        QVERIFY(data);
        QCOMPARE(data->text(), QString("1\tx011111\r\n"));
        QVERIFY(RecordsOnClipboard().has_value());
        QCOMPARE(PasteFromClipboard(ctx), TCommandResult::Changed);
        QCOMPARE(table[1].Serial, std::string("11111"));
        QCOMPARE(table[1].User2, std::string("copied"));
        QApplication::clipboard()->setText("just text");
        QCOMPARE(PasteFromClipboard(ctx), TCommandResult::Unchanged);
    }

    // Pictures of the pages for the documentation (RAVLIN_SHOTS=folder).
    void screenshots() {
        const QString dir = qEnvironmentVariable("RAVLIN_SHOTS");
        if (dir.isEmpty()) QSKIP("RAVLIN_SHOTS not set");
        QDir().mkpath(dir);
        TSilentUi silent;
        TLanguage language(dataDir, silent);
        QVERIFY(language.LoadLanguage("US"));
        const TTextTable& us = language.Texts();
        TEditorTitles usTitles{us[153], us[154], us[155], us[156], us[157]};
        struct Shot {
            const char* type;
            const char* code;
            const char* button;
            const char* output;
            const char* txType;
            const char* file;
        };
        for (const Shot& s : {Shot{"KV8R", "2412345", "6", "03", "TX4 Classic", "button-type"},
                              Shot{"KV2R", "A012345", "F", "08", "RDI-2 Input", "input-type"},
                              Shot{"KV1M3", "3100A1F", "A", "E0", "WTX4 Wall", "projector"},
                              Shot{"KV3S", "2612345", "8", "03", "TX1 Key", "relay-mode"}}) {
            Use(s.type);
            functionTable = std::make_unique<TFunctionTable>(dataDir, us, ui);
            functionTable->SetFileName("RxFncUS.def");
            QVERIFY(functionTable->LoadFunctionTable(s.type));
            TData r = Record(s.code, s.button, s.output, s.txType);
            if (r.Time.size() >= 4) r.Time.replace(0, 4, "0032");
            r.Channels = r.Channels.empty() ? r.Channels : "03";
            r.User1 = "Main gate";
            r.User2 = "Building A";
            r.UserID = 12;
            if (std::string(s.type) == "KV1M3") {
                std::string extra =
                    "000"
                    "47"
                    "03"
                    "02F0"
                    "0"
                    "8"
                    "14"
                    "505752204F4E0D";
                extra.resize(51, '0');
                extra +=
                    "00"
                    "02"
                    "02F0"
                    "0"
                    "8"
                    "00";
                extra.resize(100, '0');
                r.Extra = extra;
            }
            TEditForm form(us, ui);
            form.Prepare(r, *functionTable, device, dataDir, usTitles);
            form.show();
            QVERIFY(form.grab().save(dir + "/" + s.file + "-user.png"));
            if (form.pages()->isTabVisible(0)) {
                form.pages()->setCurrentIndex(0);
                QVERIFY(form.grab().save(dir + "/" + s.file + "-commands.png"));
            }
        }
    }
};

QTEST_MAIN(EditFormTest)
#include "edit_form.moc"
