#pragma once
// The Find window: the text to look for with the history of earlier ones, and the column
// to look in. It keeps the search state for as long as the program runs; the commands
// "Find ..." and "Find next" below run the search on the page shown.

#include <QDialog>
#include <string>
#include <vector>

#include "base/UserInterface.h"
#include "views/Find.h"

class QButtonGroup;
class QComboBox;
class QGroupBox;
class QGridLayout;
class QLabel;
class QPushButton;

namespace ravlin {

class TFindForm : public QDialog {
    Q_OBJECT
  public:
    TFindForm(const TTextTable& texts, TUserInterface& ui, QWidget* parent = nullptr);

    TFindState& State() { return state_; }
    // The column choice: "All" and the page's columns, in two columns of radio buttons.
    void SetChoices(const std::vector<std::string>& items);
    int ChoiceCount() const;
    int CheckedChoice() const;
    void CheckChoice(int item);

    QComboBox* TextBox() const { return text_; }
    QGroupBox* ColumnGroup() const { return group_; }
    QPushButton* OkButton() const { return ok_; }
    QPushButton* CancelButton() const { return cancel_; }

    // OK (also Enter): an empty text box closes the window as cancelled; otherwise the
    // text and the column choice become the search and the text joins the history.
    void accept() override;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    const TTextTable& texts_;
    TUserInterface& ui_;
    TFindState state_;
    QLabel* label_;
    QComboBox* text_;
    QGroupBox* group_;
    QGridLayout* choices_;
    QButtonGroup* buttons_;
    QPushButton* ok_;
    QPushButton* cancel_;
};

// "Find ..." (Ctrl+F): the column choice of the page, every page from the top, the window,
// and the search when it was confirmed. Returns the matching row (1..RowCount()), else 0.
int MenuFindClick(TFindForm& form, const TViewRows& rows, TUserInterface& ui,
                  const TTextTable& texts);
// "Find next" (Ctrl+N, F3): the next match of the last search, or "Find ..." when there
// was none yet.
int FindNextClick(TFindForm& form, const TViewRows& rows, TUserInterface& ui,
                  const TTextTable& texts);

}  // namespace ravlin
