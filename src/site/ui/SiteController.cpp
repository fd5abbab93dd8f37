#include "site/ui/SiteController.h"

#include <QFileDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QTextDocument>

#include "base/ui/QtUserInterface.h"
#include "base/ui/Text.h"
#include "base/ui/WindowThread.h"
#include "site/ui/SiteForm.h"

namespace ravlin {

TSiteController::TSiteController(const TSiteWindowContext& context, TWindowFrame& frame,
                                 QObject* parent)
    : QObject(parent),
      ctx_(context),
      frame_(frame),
      // A window of its own that closes with the main window.
      form_(std::make_unique<TSiteForm>(frame.Window())) {
    if (QAction* a = frame.Action("MenuSite"))
        connect(a, &QAction::triggered, this, &TSiteController::MenuSiteClick);
    TSiteForm& f = *form_;
    connect(f.openBook, &QPushButton::clicked, this, [this] {
        const QString file =
            QFileDialog::getOpenFileName(form_.get(), QStringLiteral("Open a site book"), QString(),
                                         QStringLiteral("Site books (*.rvs);;All files (*)"));
        if (!file.isEmpty()) OpenBook(CorePath(file));
    });
    connect(f.check, &QPushButton::clicked, this, &TSiteController::CheckClick);
    connect(f.download, &QPushButton::clicked, this, &TSiteController::DownloadClick);
    connect(f.revoke, &QPushButton::clicked, this, &TSiteController::RevokeClick);
    connect(f.code, &QLineEdit::returnPressed, this, &TSiteController::RevokeClick);
    connect(f.add, &QPushButton::clicked, this, &TSiteController::AddClick);
    connect(f.find, &QPushButton::clicked, this, &TSiteController::FindClick);
    connect(f.findText, &QLineEdit::returnPressed, this, &TSiteController::FindClick);
    connect(f.cancel, &QPushButton::clicked, this, &TSiteController::CancelClick);
    connect(f.print, &QPushButton::clicked, this, &TSiteController::PrintClick);
    connect(f.openReceiver, &QPushButton::clicked, this, [this] {
        const QModelIndex current = form_->table->currentIndex();
        if (current.isValid()) OpenReceiver(current.row());
    });
    connect(f.table, &QTableView::doubleClicked, this,
            [this](const QModelIndex& index) { OpenReceiver(index.row()); });
    poll_.setInterval(100);
    connect(&poll_, &QTimer::timeout, this, &TSiteController::Poll);
}

TSiteController::~TSiteController() = default;

void TSiteController::MenuSiteClick() {
    form_->show();
    form_->raise();
    form_->activateWindow();
}

TSiteEnv TSiteController::Env() const {
    TSiteEnv env{ctx_.language, ctx_.folders, bookPath_};
    env.linkByteMs = linkByteMs_;
    env.linkPausePercent = linkPausePercent_;
    return env;
}

void TSiteController::ShowBook(const TSiteBook& book) {
    std::map<std::string, TSiteKnown> known = form_->model.Known();
    const TSiteEnv env = Env();
    for (const TSiteReceiver& r : book.receivers) {
        TSiteKnown& k = known[r.name];
        // The data file is what the receiver held at its last download.
        if (const std::optional<int> records = RecordsInDataFile(env, r)) k.records = records;
    }
    form_->model.SetBook(book, std::move(known));
    form_->bookLabel->setText(QStringLiteral("Site %1 — %2 receivers — %3")
                                  .arg(Q(book.site))
                                  .arg(book.receivers.size())
                                  .arg(QPath(bookPath_)));
    form_->SetRunning(running_);
}

bool TSiteController::OpenBook(const std::string& path) {
    TSiteBook book;
    std::string why;
    if (!LoadSiteBook(path, book, why)) {
        ctx_.ui.Error(TMessage::Fixed(why));
        return false;
    }
    const bool other = path != bookPath_;
    bookPath_ = path;
    if (other) form_->model.Known().clear();
    ShowBook(book);
    form_->setWindowTitle(QStringLiteral("Site %1").arg(Q(book.site)));
    return true;
}

void TSiteController::Poll() {
    if (!progress_) return;
    const std::vector<TSiteReceiverProgress> now = progress_->Snapshot();
    form_->model.SetProgress(runningOperation_, runningNames_, now);
    size_t done = 0;
    for (const TSiteReceiverProgress& p : now) done += p.state == TSiteReceiverProgress::Finished;
    form_->status->setText(
        QStringLiteral("%1 of %2 receivers done%3")
            .arg(done)
            .arg(now.size())
            .arg(progress_->CancelRequested() ? QStringLiteral(", cancelling") : QString()));
}

bool TSiteController::Run(const TSiteRequest& request) {
    if (bookPath_.empty()) return false;
    bool ok = false;
    const bool ran = ctx_.busy.Run([&] {
        // The book as it is now: another program may have changed it.
        TSiteBook book;
        std::string why;
        if (!LoadSiteBook(bookPath_, book, why)) {
            ctx_.ui.Error(TMessage::Fixed(why));
            return false;
        }
        ShowBook(book);
        std::vector<const TSiteReceiver*> chosen;
        if (!SelectReceivers(book, request.receivers, chosen, why)) {
            ctx_.ui.Error(TMessage::Fixed(why));
            return false;
        }
        runningNames_.clear();
        for (const TSiteReceiver* r : chosen) runningNames_.push_back(r->name);
        progress_ = std::make_unique<TSiteProgress>();
        for (auto& [name, known] : form_->model.Known()) known.result.clear();
        form_->model.ClearProgress();
        form_->report->clear();
        running_ = true;
        runningOperation_ = request.operation;
        form_->SetRunning(true);
        poll_.start();
        TSiteReport report;
        const TSiteEnv env = Env();
        TSiteProgress& progress = *progress_;
        RunInWorker([&] {
            report = RunSiteOperation(env, book, request, progress);
            return true;
        });
        poll_.stop();
        Poll();
        running_ = false;
        TakeReport(report);
        ok = report.Succeeded();
        return true;
    });
    return ran && ok;
}

void TSiteController::TakeReport(const TSiteReport& report) {
    report_ = report;
    std::map<std::string, TSiteKnown>& known = form_->model.Known();
    for (const TSiteOutcome& o : report.outcomes) {
        TSiteKnown& k = known[o.name];
        k.result = OutcomeText(report, o);
        if (o.result == TSiteResult::Cancelled) continue;
        k.reached = o.reached;
        if (!o.reached) continue;
        k.type = o.type;
        if (o.records) k.records = o.records;
        if (report.operation == TSiteOperation::Check && o.result == TSiteResult::Done) {
            if (o.dataFile)
                k.differs = o.dataDiffers;
            else
                k.differs.reset();
        } else if ((o.result == TSiteResult::Done && !report.dryRun) || o.dataFromReceiver)
            k.differs = false;  // the data file was written from the receiver
    }
    TSiteBook book;
    std::string why;
    if (LoadSiteBook(bookPath_, book, why)) ShowBook(book);
    QString text;
    for (const std::string& line : ReportLines(report)) text += Q(line) + "\n";
    if (!report.logProblem.empty())
        text +=
            QStringLiteral("The report is not in the site's log: %1\n").arg(Q(report.logProblem));
    form_->report->setPlainText(text);
    form_->print->setEnabled(true);
    int failed = 0;
    for (const TSiteOutcome& o : report.outcomes)
        failed += o.result == TSiteResult::Failed || o.result == TSiteResult::Cancelled;
    form_->status->setText(
        failed ? QStringLiteral("%1 of %2 receivers failed").arg(failed).arg(report.outcomes.size())
               : QStringLiteral("All %1 receivers done").arg(report.outcomes.size()));
    form_->SetRunning(false);
}

bool TSiteController::CheckClick() {
    TSiteRequest request;
    request.operation = TSiteOperation::Check;
    request.jobs = form_->jobs->value();
    return Run(request);
}

bool TSiteController::DownloadClick() {
    TSiteRequest request;
    request.operation = TSiteOperation::Download;
    request.jobs = form_->jobs->value();
    return Run(request);
}

bool TSiteController::RevokeClick() {
    if (running_ || ctx_.busy.Busy()) return false;
    TSiteRequest request;
    request.operation = TSiteOperation::Revoke;
    request.code = ToCoreLossy(form_->code->text().trimmed());
    request.dryRun = form_->dryRun->isChecked();
    request.jobs = form_->jobs->value();
    if (!SerialKeyOf(request.code)) {
        ctx_.ui.Error(TMessage::Fixed("Not a transmitter code: " + request.code +
                                      " (5 hex digits, x and 6, or 7 hex digits)"));
        form_->code->setFocus();
        return false;
    }
    if (!request.dryRun &&
        ctx_.ui.Ask(TMessage::Fixed("Remove transmitter " + request.code +
                                    " from every receiver of the site that holds it?"),
                    TButtons::YesNo, TAnswer::No) != TAnswer::Yes)
        return false;
    return Run(request);
}

bool TSiteController::AddClick() {
    if (running_ || ctx_.busy.Busy()) return false;
    TSiteRequest request;
    request.operation = TSiteOperation::Add;
    request.jobs = form_->jobs->value();
    request.receivers = form_->SelectedNames();
    if (request.receivers.empty()) {
        ctx_.ui.Error(TMessage::Fixed("Select the receivers to add the transmitter to first."));
        return false;
    }
    TSiteAddForm& a = *form_->addForm;
    QString names;
    for (const std::string& n : request.receivers) names += (names.isEmpty() ? "" : ", ") + Q(n);
    a.to->setText(names);
    for (;;) {
        if (a.exec() != QDialog::Accepted) return false;
        const std::string code = ToCoreLossy(a.code->text().trimmed());
        if (!SerialKeyOf(code)) {
            ctx_.ui.Error(TMessage::Fixed("Not a transmitter code: " + code));
            continue;
        }
        request.code = code;
        request.add.code = code;
        request.add.button = ToCoreLossy(a.button->text().trimmed());
        const std::optional<std::string> function = TypedText(
            a.function->text().trimmed(), QStringLiteral("The function"), ctx_.ui, a.function);
        if (!function) continue;
        request.add.function = *function;
        bool typed = true;
        if (!a.userId->text().trimmed().isEmpty()) {
            bool number = false;
            const int id = a.userId->text().trimmed().toInt(&number);
            if (!number) {
                ctx_.ui.Error(TMessage::Fixed("The user number must be a whole number."));
                continue;
            }
            request.add.userId = id;
        }
        for (int i = 0; i < 4 && typed; ++i) {
            if (a.user[i]->text().isEmpty()) continue;
            const std::optional<std::string> text = TypedText(
                a.user[i]->text(), QStringLiteral("User %1").arg(i + 1), ctx_.ui, a.user[i]);
            if (!text)
                typed = false;
            else
                request.add.user[static_cast<size_t>(i)] = *text;
        }
        if (typed) break;
    }
    return Run(request);
}

bool TSiteController::FindClick() {
    if (bookPath_.empty() || running_) return false;
    const std::optional<std::string> text =
        TypedText(form_->findText->text().trimmed(), QStringLiteral("The text to find"), ctx_.ui,
                  form_->findText);
    if (!text || text->empty()) return false;
    TSiteBook book;
    std::string why;
    if (!LoadSiteBook(bookPath_, book, why)) {
        ctx_.ui.Error(TMessage::Fixed(why));
        return false;
    }
    std::vector<std::string> problems;
    const std::vector<TSiteHit> hits = FindInSite(Env(), book, *text, problems);
    QString out = QStringLiteral("== Find %1: %2 records\n").arg(Q(*text)).arg(hits.size());
    for (const TSiteHit& h : hits) {
        out += QStringLiteral("%1  position %2  %3  button %4")
                   .arg(Q(h.receiver))
                   .arg(h.position)
                   .arg(Q(h.code), Q(h.button));
        for (const std::string& u : h.user)
            if (!u.empty()) out += "  " + Q(u);
        out += "\n";
    }
    for (const std::string& p : problems) out += Q(p) + "\n";
    form_->report->setPlainText(out);
    form_->status->setText(QStringLiteral("%1 records found").arg(hits.size()));
    return !hits.empty();
}

void TSiteController::CancelClick() {
    if (progress_) progress_->Cancel();
    Poll();
}

void TSiteController::PrintClick() {
    QPrinter printer;
    QPrintDialog dialog(&printer, form_.get());
    if (dialog.exec() != QDialog::Accepted) return;
    QTextDocument document(form_->report->toPlainText());
    document.setDefaultFont(form_->report->font());
    document.print(&printer);
}

bool TSiteController::OpenReceiver(int row) {
    if (running_ || row < 0 || row >= form_->model.rowCount()) return false;
    const TSiteReceiver& r = form_->model.Book().receivers[static_cast<size_t>(row)];
    const std::string path = SitePath(bookPath_, r.dataFile);
    if (!form_->model.Known()[r.name].records) {
        ctx_.ui.Error(TMessage::Fixed(r.name + " has no data file yet (" + path +
                                      "): download the site first."));
        return false;
    }
    if (!ctx_.opener.OpenDataFile(path)) return false;
    if (QWidget* w = frame_.Window()) {
        w->raise();
        w->activateWindow();
    }
    return true;
}

}  // namespace ravlin
