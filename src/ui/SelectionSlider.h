#pragma once
// A horizontal slider that also shows a selected range as a band along its groove, as the trim
// dialog shows the chosen part of the file.
#include <QSlider>

namespace orvel {

class TSelectionSlider : public QSlider {
    Q_OBJECT
public:
    explicit TSelectionSlider(QWidget* parent = nullptr);

    void SetSelection(int start, int end);
    int SelStart() const { return selStart_; }
    int SelEnd() const { return selEnd_; }
    // Hides the thumb (a file without duration has nothing to seek in).
    void SetThumbShown(bool shown);
    bool ThumbShown() const { return thumbShown_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int selStart_ = 0, selEnd_ = 0;
    bool thumbShown_ = true;
};

} // namespace orvel
