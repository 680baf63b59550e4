#include "formats/windows/FormatPanel.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace orvel {

TFormatPanel::TFormatPanel(const std::string& settingsPath, TFormatParamStore& store, IMessageBoxes& boxes,
                           QWidget* listHost, QWidget* parent)
    : QWidget(parent) {
    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    root->setSpacing(3);
    auto* row = new QHBoxLayout;
    auto* caption = new QLabel("Output Format:", this);
    caption->setObjectName("Label1");
    row->addWidget(caption);
    catalog = new TCatalogPanel(settingsPath, TCatalogPanelOptions::MainWindow(), listHost, this);
    row->addWidget(catalog, 1);
    root->addLayout(row);
    parameters = new TParameterPanel(store, boxes, this);
    root->addWidget(parameters);
    connect(catalog, &TCatalogPanel::FormatChanged, parameters, &TParameterPanel::Load);
}

} // namespace orvel
