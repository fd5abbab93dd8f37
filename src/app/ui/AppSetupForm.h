#pragma once
// The application set-up window: language, backup, sound, user column titles and
// visibility, File view sorting and the monitor font (Basic); the start-up options
// (Start-up); on-line mode's beep, find, history length and the history and battery
// levels (On-line mode); the site's broker (Broker). It edits a TAppSetupValues; applying them is
// the core's (app/AppSetup.h).

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFontComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <array>
#include <functional>

#include "app/AppSetup.h"
#include "base/UserInterface.h"

namespace ravlin {

class TAppSetupForm : public QDialog {
    Q_OBJECT
  public:
    TAppSetupForm(const TTextTable& texts, TUserInterface& ui, QWidget* parent = nullptr);
    ~TAppSetupForm() override;

    // Fills the window (texts, lists, values).
    void Prepare(const TAppSetupValues& values, const TAppSetupChoices& choices);
    // The values taken back by OK.
    const TAppSetupValues& Values() const { return values_; }
    void accept() override;
    void ApplyTexts();

    // The "Find ..." file dialog: the chosen file or an empty text. Tests replace it.
    std::function<QString(const QString& filter)> chooseFile;

    QTabWidget* pages() const { return pages_; }
    QComboBox* languageCombo() const { return language_; }
    QCheckBox* backupBox() const { return backup_; }
    QRadioButton* soundButton(TSoundOutput s) const { return sound_[static_cast<int>(s)]; }
    QLineEdit* titleEdit(int i) const { return titles_[i]; }
    QCheckBox* visibleBox(int i) const { return visible_[i]; }
    QComboBox* sortCombo() const { return sortColumn_; }
    QRadioButton* sortUp() const { return up_; }
    QRadioButton* sortDown() const { return down_; }
    QFontComboBox* fontCombo() const { return font_; }
    QCheckBox* welcomeBox() const { return welcome_; }
    QCheckBox* downloadBox() const { return download_; }
    QCheckBox* openDataBox() const { return openData_; }
    QLineEdit* dataEdit() const { return dataEdit_; }
    QPushButton* openDataButton() const { return dataButton_; }
    QCheckBox* onlineBox() const { return online_; }
    QCheckBox* monitorBox() const { return monitor_; }
    QCheckBox* openMonitorBox() const { return openMonitor_; }
    QLineEdit* monitorEdit() const { return monitorEdit_; }
    QCheckBox* beepBox() const { return beep_; }
    QCheckBox* findBox() const { return find_; }
    QSpinBox* historyEdit() const { return historyLength_; }
    QCheckBox* historyClearBox() const { return historyClear_; }
    QRadioButton* historyLevel(int i) const { return historyLevel_[i]; }
    QRadioButton* batteryLevel(int i) const { return batteryLevel_[i]; }
    QCheckBox* brokerBox() const { return brokerOn_; }
    QLineEdit* brokerUrlEdit() const { return brokerUrl_; }
    QLineEdit* brokerSiteEdit() const { return brokerSite_; }
    QLineEdit* brokerReceiverEdit() const { return brokerReceiver_; }
    QLineEdit* brokerUserEdit() const { return brokerUser_; }
    QLineEdit* brokerPasswordFileEdit() const { return brokerPasswordFile_; }
    QLineEdit* brokerCaFileEdit() const { return brokerCaFile_; }

  private:
    QWidget* BuildBasic();
    QWidget* BuildStartup();
    QWidget* BuildOnline();
    QWidget* BuildBroker();
    // The broker page's values; false (the page shown, a message given) when the broker
    // is on and its set-up cannot work.
    bool TakeBroker(TBrokerSetup& out);
    // Leaving a user title field: empty gives the default back; the sort list follows.
    void LeaveTitle(int i);
    // Checking the welcome box unchecks the start-up actions and the other way round.
    void StartupBoxChecked(QCheckBox* box);
    void EnableFileFields();

    const TTextTable& texts_;
    TUserInterface& ui_;
    TAppSetupValues values_;
    std::array<int, 5> titleColumn_{};
    QTabWidget* pages_;
    // Basic
    QLabel* languageLabel_;
    QComboBox* language_;
    QCheckBox* backup_;
    QGroupBox* soundGroup_;
    std::array<QRadioButton*, 3> sound_{};  // indexed by TSoundOutput
    QGroupBox* userGroup_;
    QLabel* visibleLabel_;
    std::array<QLabel*, 5> titleLabels_{};
    std::array<QLineEdit*, 5> titles_{};
    std::array<QCheckBox*, 5> visible_{};
    QGroupBox* sortGroup_;
    QLabel* columnLabel_;
    QComboBox* sortColumn_;
    QRadioButton *up_, *down_;
    QGroupBox* fontGroup_;
    QFontComboBox* font_;
    QLabel* sample_;
    // Start-up
    QCheckBox *welcome_, *download_, *openData_, *online_, *monitor_, *openMonitor_;
    QLineEdit *dataEdit_, *monitorEdit_;
    QPushButton *dataButton_, *monitorButton_;
    // On-line mode
    QCheckBox *beep_, *find_;
    QGroupBox* historyGroup_;
    QLabel *lengthLabel_, *recordsLabel_;
    QSpinBox* historyLength_;
    QCheckBox* historyClear_;
    QGroupBox *historyRange_, *batteryRange_;
    std::array<QRadioButton*, 5> historyLevel_{};
    std::array<QRadioButton*, 5> batteryLevel_{};
    // Broker
    QCheckBox* brokerOn_;
    QLineEdit *brokerUrl_, *brokerSite_, *brokerReceiver_, *brokerUser_, *brokerPasswordFile_,
        *brokerCaFile_;
};

}  // namespace ravlin
