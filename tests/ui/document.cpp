// The document commands' prompts and dialogs, answered through the injectable interfaces.

#include <QComboBox>
#include <QtTest>
#include <deque>

#include "GuiSupport.h"
#include "app/Core.h"
#include "app/ui/Desktop.h"
#include "app/ui/MainForm.h"
#include "app/ui/StatusController.h"
#include "document/ui/DocumentController.h"
#include "document/ui/QtFileChooser.h"
#include "records/ui/NewForm.h"
#include "views/ui/GridModel.h"
#include "views/ui/ViewsController.h"

using namespace ravlin;
using namespace ravlin::test;

class DocumentTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    std::unique_ptr<TDesktop> desktop;
    std::vector<TMessage> shown;
    std::deque<TAnswer> answers;
    int fileDialogs = 0;
    std::optional<std::string> fileAnswer;

    std::vector<Text> Ids() const {
        std::vector<Text> out;
        for (const auto& m : shown) out.push_back(m.textId);
        return out;
    }

  private slots:
    void init() {
        QVERIFY(dir.isValid());
        WriteSettings(dir.path() + "/home", 1);
        desktop = std::make_unique<TDesktop>(TStartOptions{DataDir(), dir.path() + "/home", {}});
        shown.clear();
        answers.clear();
        fileDialogs = 0;
        fileAnswer.reset();
        desktop->ui().setResponder([this](TQtUserInterface::Kind, const TMessage& m, TButtons) {
            shown.push_back(m);
            if (answers.empty()) return TAnswer::No;
            TAnswer a = answers.front();
            answers.pop_front();
            return a;
        });
        desktop->documents().chooser().fileResponder = [this](bool, const TFileDialog&) {
            ++fileDialogs;
            return fileAnswer;
        };
        QVERIFY(desktop->Start());
    }

    void cleanup() {
        desktop->ui().setResponder([](auto, auto, auto) { return TAnswer::No; });
        desktop->core().state.Saved = true;
        desktop->form().close();
        desktop.reset();
    }

    void newAsksForTheReceiverTypeInTheNewFileWindow() {
        TMainForm& f = desktop->form();
        TViewsController& v = desktop->views();
        auto done = OnNextModal<TNewForm>([](TNewForm* form) {
            QVERIFY(form->combo()->count() > 2);
            QCOMPARE(form->combo()->currentIndex(), 0);
            form->combo()->setCurrentIndex(2);
            form->accept();
        });
        QVERIFY(desktop->documents().MenuNewClick());
        QVERIFY(*done);
        const TCore& c = desktop->core();
        QVERIFY(c.state.DocumentOpen);
        QCOMPARE(c.device.Name, std::string("KV8R"));  // the third type of Rx.def
        QVERIFY(!c.table.empty());
        QCOMPARE(f.pages()->currentIndex(), int(TPage::File));
        QVERIFY(v.fileGrid()->isVisible());
        QCOMPARE(v.fileModel()->rowCount(), 0);  // every record is empty
        QVERIFY(v.fileModel()->columnCount() > 5);
        QVERIFY(shown.empty());
    }

    void relayTypeGetsTheMultiLayout() {
        desktop->documents().chooser().typeResponder = [](const std::string&) {
            return std::optional<std::string>("KV3S");
        };
        QVERIFY(desktop->documents().MenuNewClick());
        const TCore& c = desktop->core();
        QCOMPARE(c.functionTable.SingleRelay, 3);
        TGridModel* m = desktop->views().fileModel();
        // Multi layout: position, code, type, button, RS-232, a function and a time column
        // per relay, and the five user columns.
        QCOMPARE(m->columnCount(), 5 + 2 * 3 + 5);
        const QString function1 =
            QString::fromStdString(TextAt(c.texts(), Text::RelayFunctionColumn)) + "1";
        const QString time3 =
            QString::fromStdString(TextAt(c.texts(), Text::RelayTimeColumn)) + "3";
        QVERIFY(m->Headers().contains(function1));
        QVERIFY(m->Headers().contains(time3));
        QVERIFY(!m->Headers().contains(
            QString::fromStdString(TextAt(c.texts(), Text::FunctionColumn))));
        TMainForm& f = desktop->form();
        QVERIFY(WaitFor([&] { return f.Action("MenuAdd")->isEnabled(); }));
        QVERIFY(f.Action("MenuDelete")->isEnabled());
    }

    void newCancelledLeavesEverythingAsItWas() {
        auto done = OnNextModal<TNewForm>([](TNewForm* form) { form->reject(); });
        QVERIFY(!desktop->documents().MenuNewClick());
        QVERIFY(*done);
        QVERIFY(!desktop->core().state.DocumentOpen);
        QVERIFY(!desktop->views().fileGrid()->isVisible());
        // No document on the File view page: the record commands are off.
        TMainForm& f = desktop->form();
        f.ShowPage(TPage::File);
        QVERIFY(WaitFor([&] { return !f.Action("MenuAdd")->isEnabled(); }));
        QVERIFY(!f.Action("MenuEdit")->isEnabled());
        QVERIFY(!f.Action("MenuDelete")->isEnabled());
    }

    void closeAndOpenAskToSaveFirst() {
        desktop->documents().chooser().typeResponder = [](const std::string&) {
            return std::optional<std::string>("KV2R");
        };
        QVERIFY(desktop->documents().MenuNewClick());
        TCore& c = desktop->core();
        c.state.Saved = false;  // as after an edit

        answers = {TAnswer::Cancel};
        QVERIFY(!desktop->documents().MenuCloseClick());
        QCOMPARE(Ids(), std::vector<Text>({Text::SaveChanges}));
        QVERIFY(c.state.DocumentOpen);

        shown.clear();
        answers = {TAnswer::Cancel};
        QVERIFY(!desktop->documents().MenuOpenClick());
        QCOMPARE(Ids(), std::vector<Text>({Text::SaveBeforeOpen}));
        QCOMPARE(fileDialogs, 0);

        shown.clear();
        answers = {TAnswer::No};
        QVERIFY(desktop->documents().MenuCloseClick());
        QCOMPARE(Ids(), std::vector<Text>({Text::SaveChanges}));
        QVERIFY(!c.state.DocumentOpen);
        QVERIFY(!desktop->views().fileGrid()->isVisible());
        QVERIFY(!c.table.empty());  // the records stay
    }

    void importCommentsAnsweredNoShowsNoDialog() {
        desktop->documents().chooser().typeResponder = [](const std::string&) {
            return std::optional<std::string>("KV2R");
        };
        QVERIFY(desktop->documents().MenuNewClick());
        answers = {TAnswer::No};
        QVERIFY(!desktop->documents().MenuImportClick());
        QCOMPARE(Ids(), std::vector<Text>({Text::ImportComments}));
        QCOMPARE(desktop->ui().LastDefaultButton(), TAnswer::No);
        QCOMPARE(fileDialogs, 0);
    }

    void openReportsAFileOfWrongFormat() {
        const QString bad = dir.path() + "/bad.rvl";
        QFile f(bad);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("not a data file\r\n");
        f.close();
        fileAnswer = bad.toStdString();
        QVERIFY(!desktop->documents().MenuOpenClick());
        QCOMPARE(fileDialogs, 1);
        QVERIFY(!shown.empty());
        QVERIFY(shown.back().textId == Text::WrongFormat ||
                shown.back().textId == Text::UnknownType);
        QVERIFY(QString::fromStdString(shown.back().text).endsWith("bad.rvl"));
        QVERIFY(!desktop->core().state.DocumentOpen);
    }

    void saveAsWritesAndMarksSaved() {
        desktop->documents().chooser().typeResponder = [](const std::string&) {
            return std::optional<std::string>("KV2R");
        };
        QVERIFY(desktop->documents().MenuNewClick());
        desktop->core().state.Saved = false;
        const QString file = dir.path() + "/new.rvl";
        fileAnswer = file.toStdString();
        QVERIFY(desktop->documents().MenuSaveAsClick());
        QVERIFY(QFile::exists(file));
        QVERIFY(desktop->core().state.Saved);
        TMainForm& f = desktop->form();
        QVERIFY(WaitFor([&] { return f.Panel(4) == file; }));
        QVERIFY(!f.pages()->tabText(1).endsWith('*'));
        desktop->core().state.Saved = false;
        desktop->status().WakeStatus();
        QVERIFY(WaitFor([&] { return f.pages()->tabText(1).endsWith('*'); }));
        QVERIFY(f.Panel(3).isEmpty());
    }

    void exitWithUnsavedDocumentAnsweredCancelStaysOpen() {
        desktop->documents().chooser().typeResponder = [](const std::string&) {
            return std::optional<std::string>("KV2R");
        };
        QVERIFY(desktop->documents().MenuNewClick());
        desktop->core().state.Saved = false;
        answers = {TAnswer::Cancel};
        QVERIFY(!desktop->form().close());
        QVERIFY(desktop->form().isVisible());
        QCOMPARE(Ids(), std::vector<Text>({Text::SaveChanges}));
    }
};

QTEST_MAIN(DocumentTest)
#include "document.moc"
