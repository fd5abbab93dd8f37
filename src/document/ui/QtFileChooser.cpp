#include "document/ui/QtFileChooser.h"

#include <QDir>
#include <QFileDialog>

#include "base/ui/Text.h"
#include "base/ui/WindowThread.h"
#include "records/ui/NewForm.h"

namespace ravlin {

TQtFileChooser::TQtFileChooser(QWidget* parent, TNewForm& newForm)
    : parent_(parent), newForm_(newForm) {}

QString TQtFileChooser::QtFilter(const std::string& filter) {
    const QStringList parts = QString::fromStdString(filter).split('|');
    QStringList out;
    // The pattern half of each pair is already part of the description.
    for (int i = 0; i + 1 < parts.size(); i += 2) out << parts[i];
    return out.join(";;");
}

std::optional<std::string> TQtFileChooser::OpenFile(const TFileDialog& dialog) {
    return Run(false, dialog);
}

std::optional<std::string> TQtFileChooser::SaveFile(const TFileDialog& dialog) {
    return Run(true, dialog);
}

std::optional<std::string> TQtFileChooser::RunDialog(QWidget* parent, bool save,
                                                     const TFileDialog& dialog) {
    QFileDialog fd(parent, QString(), QString(), QtFilter(dialog.filter));
    QString dir = dialog.initialDir.empty() ? QDir::currentPath() : QPath(dialog.initialDir);
    if (!dialog.fileName.empty()) {
        const QFileInfo fi(QPath(dialog.fileName));
        if (fi.isAbsolute()) dir = fi.absolutePath();
        fd.selectFile(fi.fileName());
    }
    fd.setDirectory(dir);
    if (save) {
        fd.setAcceptMode(QFileDialog::AcceptSave);
        fd.setFileMode(QFileDialog::AnyFile);
        if (!dialog.defaultExtension.empty())
            fd.setDefaultSuffix(QString::fromStdString(dialog.defaultExtension));
        if (!dialog.confirmOverwrite) fd.setOption(QFileDialog::DontConfirmOverwrite, true);
    } else {
        fd.setAcceptMode(QFileDialog::AcceptOpen);
        fd.setFileMode(QFileDialog::ExistingFile);
    }
    if (fd.exec() != QDialog::Accepted || fd.selectedFiles().isEmpty()) return std::nullopt;
    return CorePath(fd.selectedFiles().first());
}

std::optional<std::string> TQtFileChooser::Run(bool save, const TFileDialog& dialog) {
    return OnWindowThread([&]() -> std::optional<std::string> {
        if (fileResponder) return fileResponder(save, dialog);
        return RunDialog(parent_, save, dialog);
    });
}

std::optional<std::string> TQtFileChooser::ChooseReceiverType(const std::string& rxDefPath) {
    return OnWindowThread([&]() -> std::optional<std::string> {
        if (typeResponder) return typeResponder(rxDefPath);
        newForm_.PrepareFromCatalogue(rxDefPath);
        if (newForm_.exec() != QDialog::Accepted) return std::nullopt;
        return newForm_.ChosenName();
    });
}

}  // namespace ravlin
