#pragma once
// The main window's output format area: the catalog drop-down with its caption, and below it
// the parameter selectors of the chosen format, which reload whenever the format changes.
#include "formats/windows/CatalogPanel.h"
#include "formats/windows/ParameterPanel.h"

#include <QWidget>

namespace orvel {

class TFormatPanel : public QWidget {
    Q_OBJECT
public:
    // listHost: the window the catalog list floats in.
    TFormatPanel(const std::string& settingsPath, TFormatParamStore& store, IMessageBoxes& boxes,
                 QWidget* listHost, QWidget* parent = nullptr);

    // The first show and the settings dialog's Ok: refill the catalog, reload the selectors.
    void Fill() { catalog->Fill(); }
    // The main window's closing and the settings dialog's opening.
    void SaveState() const { catalog->SaveState(); }
    // A conversion start checks the typed frame size as leaving its box does.
    void CheckVideoSize() { parameters->cmbVideoSizeExit(); }

    TCatalogPanel* catalog;
    TParameterPanel* parameters;
};

} // namespace orvel
