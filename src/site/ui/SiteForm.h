#pragma once
// The Site window: the receivers of a site book with their state and, while an operation
// runs, a progress row each; the operations' controls; the report of the last operation.
// TSiteController (SiteController.h) runs what the buttons ask for.

#include <QAbstractTableModel>
#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QWidget>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "site/SiteOperations.h"

namespace ravlin {

// What the window knows of a receiver beyond the book: its last contact, its data file.
struct TSiteKnown {
    std::optional<bool> reached;
    std::string type;             // the receiver's own, once reached
    std::optional<int> records;   // used records: the last contact's, else the data file's
    std::optional<bool> differs;  // the data file against the receiver (a check)
    std::string result;           // the last operation's outcome
};

// One row a receiver: Receiver, Connection, Type, Reached, Records, Last download, Data
// file, Progress, Result.
class TSiteModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    enum TColumn {
        Name,
        Connection,
        Type,
        Reached,
        Records,
        LastDownload,
        DataFile,
        Progress,
        Result,
        Count
    };
    // The progress column's percentage while its receiver works (for the bar).
    static constexpr int PercentRole = Qt::UserRole + 1;
    using QAbstractTableModel::QAbstractTableModel;

    void SetBook(const TSiteBook& book, std::map<std::string, TSiteKnown> known);
    // The progress of an operation that runs on `names` (the book's receivers it works on).
    void SetProgress(TSiteOperation operation, const std::vector<std::string>& names,
                     const std::vector<TSiteReceiverProgress>& progress);
    void ClearProgress();
    const TSiteBook& Book() const { return book_; }
    std::map<std::string, TSiteKnown>& Known() { return known_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  private:
    TSiteBook book_;
    std::map<std::string, TSiteKnown> known_;
    std::map<std::string, TSiteReceiverProgress> progress_;
    TSiteReport running_;  // the operation that runs, for the finished receivers' results
};

// A transmitter to add to the receivers chosen in the list.
class TSiteAddForm : public QDialog {
    Q_OBJECT
  public:
    explicit TSiteAddForm(QWidget* parent = nullptr);
    QLineEdit *code, *button, *function, *userId;
    QLineEdit* user[4];
    QLabel* to;  // the receivers it goes to
};

class TSiteForm : public QWidget {
    Q_OBJECT
  public:
    explicit TSiteForm(QWidget* parent = nullptr);

    TSiteModel model;
    QLabel* bookLabel;
    QPushButton* openBook;
    QTableView* table;
    QSpinBox* jobs;
    QPushButton *check, *download, *openReceiver;
    QLineEdit* code;
    QCheckBox* dryRun;
    QPushButton* revoke;
    QPushButton* add;
    QLineEdit* findText;
    QPushButton* find;
    QPushButton* cancel;
    QPushButton* print;
    QLabel* status;
    QPlainTextEdit* report;
    TSiteAddForm* addForm;

    // The names of the receivers selected in the list, in the book's order.
    std::vector<std::string> SelectedNames() const;
    // Operation controls off and Cancel on while one runs.
    void SetRunning(bool running);
};

}  // namespace ravlin
