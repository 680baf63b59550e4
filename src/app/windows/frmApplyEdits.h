#pragma once
// "Apply Edits To...": which rows take the selected job's edits, and whether its trim goes too.
#include <QCheckBox>
#include <QDialog>
#include <QRadioButton>

namespace orvel {

class TfrmApplyEdits : public QDialog {
    Q_OBJECT
public:
    explicit TfrmApplyEdits(QWidget* parent = nullptr);
    bool AllRows() const { return rbAll->isChecked(); }
    bool WithTrim() const { return ckTrim->isChecked(); }

    QRadioButton* rbSelected;
    QRadioButton* rbAll;
    QCheckBox* ckTrim;
};

} // namespace orvel
