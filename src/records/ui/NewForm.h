#pragma once
// New file dialog: the receiver type of a new document.

#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <vector>

#include "base/UserInterface.h"
#include "catalog/Device.h"

namespace ravlin {

class TNewForm : public QDialog {
    Q_OBJECT
  public:
    TNewForm(const TTextTable& texts, TUserInterface& ui, QWidget* parent = nullptr);
    // Fills the list with the types in catalogue order; the first one is selected.
    void Prepare(const std::vector<TRxArray>& types);
    // Prepare with the types of the receiver catalogue at `rxDefPath` (an empty list
    // after the catalogue's own message when it cannot be read).
    void PrepareFromCatalogue(const std::string& rxDefPath);
    // Name of the chosen type (valid after accept()).
    const std::string& ChosenName() const { return chosen_; }
    QComboBox* combo() const { return combo_; }
    void accept() override;

  private:
    const TTextTable& texts_;
    TUserInterface& ui_;
    std::vector<TRxArray> types_;
    std::string chosen_;
    QLabel* label_;
    QComboBox* combo_;
};

}  // namespace ravlin
