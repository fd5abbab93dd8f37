#pragma once
// The event editor: one transmitter event of a monitor message. Transmitter code and type,
// and the buttons as ticks on the type's button picture or, for input transmitters, the
// input; the user information of the matching record is shown, not edited.

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <array>
#include <string>
#include <vector>

#include "base/UserInterface.h"
#include "catalog/Device.h"
#include "monitoring/MonitorData.h"

namespace ravlin {

class TMonitorEventEditForm : public QDialog {
    Q_OBJECT
  public:
    // The catalogue is dataDir/txDefName, read afresh at every Prepare.
    TMonitorEventEditForm(const TTextTable& texts, TUserInterface& ui, std::string dataDir,
                          std::string txDefName, QWidget* parent = nullptr);

    // Titles of the user number and User 1 to User 4.
    void SetUserTitles(const std::array<std::string, 5>& titles) { titles_ = titles; }
    void Prepare(const TEvent& event);
    // The event as accepted (the one given to Prepare until then).
    const TEvent& Event() const { return event_; }
    void accept() override;

    // The serial check of the code field, as on leaving it; false when it was refused
    // (and the stored serial put back).
    bool CheckSerial();

    QLineEdit* codeEdit() const { return code_; }
    QComboBox* typCombo() const { return typ_; }
    QComboBox* btnCombo() const { return btn_; }
    QGroupBox* btnGroup() const { return btnGroup_; }
    QCheckBox* btnBox(int i) const { return boxes_[i]; }
    QFrame* btnPicture(int i) const { return buttons_[i]; }
    QGroupBox* inputRadio() const { return inputGroup_; }
    // The input choices shown for an input type, in catalogue order.
    QList<QAbstractButton*> inputButtons() const { return inputs_->buttons(); }
    QLineEdit* userEdit(int i) const { return users_[i]; }
    const std::vector<TTx>& types() const { return types_; }

  private:
    int ChosenType() const;
    // The chosen type, or the catalogue's first for the picture; nullptr without catalogue.
    const TTx* LayoutType() const;
    void FillTypes();
    void UpdateDisplay();
    void TicksChanged();
    void InputChosen();
    void ButtonTextChanged();
    void TypeChanged();
    void SetButtonText(const QString& text);
    bool CheckSerialOnce();

    const TTextTable& texts_;
    TUserInterface& ui_;
    std::string dataDir_, txDefName_;
    std::array<std::string, 5> titles_;
    std::vector<TTx> types_;
    TEvent event_;
    bool updating_ = false;
    bool checking_ = false;

    QLabel *serialLabel_, *typeLabel_, *buttonLabel_;
    QLineEdit* code_;
    QComboBox* typ_;
    QComboBox* btn_;
    QGroupBox* btnGroup_;
    QWidget* btnArea_;
    std::array<QFrame*, 4> buttons_;
    std::array<QCheckBox*, 4> boxes_;
    QGroupBox* inputGroup_;
    QButtonGroup* inputs_;
    QGroupBox* userGroup_;
    std::array<QLabel*, 5> userLabels_;
    std::array<QLineEdit*, 5> users_;
};

}  // namespace ravlin
