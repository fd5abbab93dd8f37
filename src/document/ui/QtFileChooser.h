#pragma once
// File dialogs of the document commands (QFileDialog) and the New file window.

#include <QPointer>
#include <QWidget>
#include <functional>

#include "document/Document.h"

namespace ravlin {

class TNewForm;

class TQtFileChooser : public TFileChooser {
  public:
    // Answers a dialog instead of showing it (tests): `save` tells Save from Open.
    using TFileResponder =
        std::function<std::optional<std::string>(bool save, const TFileDialog& dialog)>;
    using TTypeResponder = std::function<std::optional<std::string>(const std::string& rxDef)>;

    TQtFileChooser(QWidget* parent, TNewForm& newForm);

    std::optional<std::string> OpenFile(const TFileDialog& dialog) override;
    std::optional<std::string> SaveFile(const TFileDialog& dialog) override;
    std::optional<std::string> ChooseReceiverType(const std::string& rxDefPath) override;

    TFileResponder fileResponder;
    TTypeResponder typeResponder;

    // "Ravlin files (*.rvl)|*.rvl|All files (*.*)|*.*" -> Qt's "Ravlin files (*.rvl);;...".
    static QString QtFilter(const std::string& filter);
    // The file window itself, on the calling (window) thread: an open or save window for
    // `dialog`; nullopt when cancelled. Other file choosers of the program use it too.
    static std::optional<std::string> RunDialog(QWidget* parent, bool save,
                                                const TFileDialog& dialog);

  private:
    std::optional<std::string> Run(bool save, const TFileDialog& dialog);
    QPointer<QWidget> parent_;
    TNewForm& newForm_;
};

}  // namespace ravlin
