#pragma once
// The upload question with what the upload would change in the receiver, and the report of
// records the receiver does not hold as written. The lines are in a read-only text field
// the user can select and copy from (Copy puts all of them on the clipboard).

#include <QDialog>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <string>
#include <vector>

#include "catalog/Language.h"
#include "receiver/UploadCheck.h"

namespace ravlin {

class TTransferReviewForm : public QDialog {
    Q_OBJECT
  public:
    explicit TTransferReviewForm(const TTextTable& texts, QWidget* parent = nullptr);

    // The upload question (Text::OverwriteReceiver): Upload, Merge (only when the receiver's extra
    // records fit into the document) and Cancel. exec() then gives the choice through
    // Choice().
    void PrepareQuestion(const TUploadComparison& comparison);
    // The read-back report: the differences and Close.
    void PrepareReport(const std::vector<TReadBackDifference>& differences);
    TUploadChoice Choice() const { return choice_; }

    QPlainTextEdit* lines() const { return lines_; }
    QPushButton* uploadButton() const { return upload_; }
    QPushButton* mergeButton() const { return merge_; }
    QPushButton* cancelButton() const { return cancel_; }
    QPushButton* copyButton() const { return copy_; }

  private:
    void Show(const std::vector<std::string>& lines);
    void Choose(TUploadChoice choice);

    const TTextTable& texts_;
    TUploadChoice choice_ = TUploadChoice::Cancel;
    QLabel* heading_;
    QLabel* warning_;
    QPlainTextEdit* lines_;
    QPushButton *upload_, *merge_, *cancel_, *copy_;
};

}  // namespace ravlin
