#pragma once
// The format catalog drop-down: the read-only name box edt1, the arrow button imgbtn1 and the
// owner-drawn list lst1, which floats over the host window (the main window or the settings
// dialog). Handlers pass the user's action to the panel model; Render writes the widgets.
#include "formats/CatalogPanelModel.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QToolButton>
#include <QWidget>

namespace orvel {

class TCatalogPanel : public QWidget {
    Q_OBJECT
public:
    // listHost: the window the list is placed in; it must contain this panel. The main window
    // passes its catalog model; the settings dialog's panel keeps one of its own.
    TCatalogPanel(TFormatListModel& list, const std::string& settingsPath, TCatalogPanelOptions options,
                  QWidget* listHost, QWidget* parent = nullptr);
    TCatalogPanel(const std::string& settingsPath, TCatalogPanelOptions options, QWidget* listHost,
                  QWidget* parent = nullptr);
    ~TCatalogPanel() override;

    void Fill();
    void SaveState() const { model_.SaveState(); }
    // The settings dialog's own current format.
    void SetCurrent(const std::string& code, const std::string& name);
    int CurrentCode() const { return model_.CurrentCode(); }
    const std::string& CurrentCodeText() const { return model_.CurrentCodeText(); }
    const std::string& CurrentName() const { return model_.CurrentName(); }
    TCatalogPanelModel& Model() { return model_; }

    QLineEdit* edt1;
    QToolButton* imgbtn1;
    QListWidget* lst1;

signals:
    // The name box's text changed: the parameter selectors reload for the code.
    void FormatChanged(int code);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void edt1Click();
    void edt1DblClick();
    void imgbtn1Click();
    void lst1MouseDown(const QPoint& at);
    void lst1DblClick(const QPoint& at);
    void lst1MouseMove(const QPoint& at);
    bool IsPanelWidget(const QObject* object) const;
    bool ButtonKey(const QKeyEvent& key);
    bool ListKey(const QKeyEvent& key);
    int RowAt(const QPoint& at) const;
    void CreateControls();
    void PlaceEdges();
    bool Render(); // true when the name box changed (and FormatChanged went out)

    TCatalogPanelModel model_;
    QWidget* listHost_;
    std::vector<TCatalogRowView> shownRows_;
};

} // namespace orvel
