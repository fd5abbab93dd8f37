#pragma once
// The record editor dialog: the "Projector Control" and "User Information" pages over the
// core editor (TRecordEditor). The dialog shows the editor's state, hands every user action
// to it, and accepts only when the editor's confirmation succeeded.

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimer>
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "base/UserInterface.h"
#include "catalog/Device.h"
#include "records/RecordEditor.h"

class QButtonGroup;
class QVBoxLayout;

namespace ravlin {

class TFunctionTable;

// Titles of the user number and User1..User4 (settings; the language's user titles by
// default).
using TEditorTitles = std::array<std::string, 5>;

class TEditForm : public QDialog {
    Q_OBJECT
  public:
    TEditForm(const TTextTable& texts, TUserInterface& ui, QWidget* parent = nullptr);
    ~TEditForm() override;

    // Fills the dialog for `record`: the transmitter types from txDir/Tx.def, the function
    // table and receiver type of the document, the user column titles.
    void Prepare(const TData& record, const TFunctionTable& functionTable, const TDevice& device,
                 const std::string& txDir, const TEditorTitles& titles);
    // The record as confirmed (valid after accept()).
    const TData& Result() const { return result_; }
    TRecordEditor& editor() { return *editor_; }

    // OK: the editor's confirmation; the dialog stays open when it refuses.
    void accept() override;

    // The pages, in order: Projector Control (0), User Information (1).
    QTabWidget* pages() const { return pages_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    struct TSlotControls {
        QLabel* label = nullptr;
        QLineEdit* command = nullptr;
        QCheckBox* direct = nullptr;
        QLabel* repeatLabel = nullptr;
        QSpinBox* repeat = nullptr;
        QLabel* delayLabel = nullptr;
        QSpinBox* delay = nullptr;
        QLabel* help = nullptr;
    };

    void BuildUserPage(QWidget* page);
    void BuildProjectorPage(QWidget* page);
    void ApplyCaptions();
    // The editor's state into the controls (signals blocked).
    void Show();
    void ShowPicture();
    void ShowProjector();
    // Controls whose text the editor takes only at events: user texts, command texts,
    // numbers. False after a message when a text cannot be stored.
    bool ReadTexts();
    bool ReadUserText(int i);
    bool ReadCommand(int n);
    void ApplyFocus();
    template <typename F>
    void Handle(F&& f);

    void CodeExit();
    void TimeExit();
    void TypeChosen(const QString& text);
    void FunctionChosen(const QString& text);
    void CompactLater();

    const TTextTable& texts_;
    TUserInterface& ui_;
    std::unique_ptr<TRecordEditor> editor_;
    TEditorTitles titles_;
    TData result_;
    bool showing_ = false;
    bool handling_ = false;

    QTabWidget* pages_ = nullptr;
    QWidget* projectorPage_ = nullptr;
    QWidget* userPage_ = nullptr;
    // User Information page.
    QLabel* idLabel_ = nullptr;
    QLabel* noteLabel_ = nullptr;  // what the rules changed besides the user's change
    QSpinBox* editId_ = nullptr;
    std::array<QLabel*, 4> userLabels_{};
    std::array<QLineEdit*, 4> userEdits_{};
    QLabel* positionLabel_ = nullptr;
    QLineEdit* positionEdit_ = nullptr;
    QLabel* codeLabel_ = nullptr;
    QLineEdit* codeEdit_ = nullptr;
    QLabel* typeLabel_ = nullptr;
    QComboBox* typCombo_ = nullptr;
    QLabel* buttonLabel_ = nullptr;
    QComboBox* btnCombo_ = nullptr;
    QLabel* relayLabel_ = nullptr;
    QComboBox* relayCombo_ = nullptr;
    QLabel* functionLabel_ = nullptr;
    QComboBox* functionCombo_ = nullptr;
    QGroupBox* timeGroup_ = nullptr;
    std::array<QLabel*, 3> timeLabels_{};
    QSpinBox* minEdit_ = nullptr;
    QSpinBox* secEdit_ = nullptr;
    QSpinBox* milEdit_ = nullptr;
    QGroupBox* channelGroup_ = nullptr;
    std::array<QCheckBox*, 8> channelBoxes_{};
    QGroupBox* btnGroup_ = nullptr;
    QWidget* picture_ = nullptr;
    std::array<QWidget*, 4> buttonPictures_{};
    std::array<QCheckBox*, 4> buttonBoxes_{};
    QGroupBox* inputGroup_ = nullptr;
    QVBoxLayout* inputLayout_ = nullptr;
    QButtonGroup* inputButtons_ = nullptr;
    std::vector<QRadioButton*> inputRadios_;
    // Projector Control page.
    std::array<TSlotControls, 4> slots_{};
    QLabel* speedLabel_ = nullptr;
    QComboBox* speedCombo_ = nullptr;
    QLabel* dataLabel_ = nullptr;
    QComboBox* dataCombo_ = nullptr;
    QLabel* parityLabel_ = nullptr;
    QComboBox* parityCombo_ = nullptr;
    QLabel* groupLabel_ = nullptr;
    QComboBox* groupCombo_ = nullptr;
    QTimer* inputTimer_ = nullptr;
    QPushButton* okButton_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
};

// Opens the record editor modally on `record`; true, with `record` replaced by the edited
// one, when the user confirmed a valid edit. Cancel or Escape leave `record` untouched.
bool EditRecord(QWidget* parent, const TTextTable& texts, const TFunctionTable& functionTable,
                const TDevice& device, const std::string& txDir, const TEditorTitles& titles,
                TUserInterface& ui, TData& record);

}  // namespace ravlin
