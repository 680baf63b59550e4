#include "editing/windows/frmWaterMark.h"

#include "app/store/AppSettings.h"
#include "editing/effects/WatermarkQtFont.h"
#include "editing/windows/DialogControls.h"
#include "ui/VideoPanel.h"
#include "ui/WindowGeometry.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QGroupBox>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QTabWidget>

#include <algorithm>
#include <cmath>
#include <string>

namespace orvel {

using namespace dialog_controls;

namespace {

const QSize kWaterMarkSize(786, 605);

QSlider* NewSlider(QWidget* parent, const char* name, int minimum, int maximum, QRect geometry) {
    auto* slider = Named(new QSlider(Qt::Horizontal, parent), name, geometry);
    slider->setRange(minimum, maximum);
    return slider;
}

QLineEdit* NewReadOnlyEdit(QWidget* parent, const char* name, QRect geometry) {
    auto* edit = Named(new QLineEdit(parent), name, geometry);
    edit->setReadOnly(true);
    return edit;
}

// A labelled 0..100 position slider with its read-only edit and "%", from row y down; layer names
// the text or the picture for the accessible names.
void NewPositionRow(QWidget* page, const char* label, const char* sliderName, const char* editName, int y,
                    QSlider*& slider, QLineEdit*& edit, const QString& accessibleName) {
    NewLabel(page, (std::string("lbl") + sliderName).c_str(), label, {12, y, 200, 20});
    slider = NewSlider(page, sliderName, 0, 100, {12, y + 22, 300, 24});
    edit = NewReadOnlyEdit(page, editName, {318, y + 20, 42, 26});
    slider->setAccessibleName(accessibleName);
    edit->setAccessibleName(accessibleName + ", percent");
    NewLabel(page, (std::string("lblPct") + sliderName).c_str(), "%", {364, y + 24, 16, 20});
}

QCheckBox* NewCheck(QWidget* parent, const char* name, const char* text, QRect geometry) {
    return Named(new QCheckBox(QString::fromLatin1(text), parent), name, geometry);
}

QIcon ColorSwatch(uint32_t bgr) {
    QPixmap swatch(16, 12);
    swatch.fill(WatermarkQColor(bgr));
    QPainter(&swatch).drawRect(0, 0, 15, 11);
    return QIcon(swatch);
}

template <class W, class F> void Quietly(W* widget, F&& write) {
    const QSignalBlocker block(widget);
    write(widget);
}

} // namespace

TfrmWaterMark::TfrmWaterMark(IPlayerFactory& players, IOpenFileDialog& fileDialog, QWidget* parent)
    : TJobPreviewDialog(parent), FFPlayer(players.CreatePlayer()), fileDialog_(fileDialog) {
    setObjectName("frmWaterMark");
    setWindowTitle("Watermark");

    pageControl = Named(new QTabWidget(this), "pageControl", {8, 8, 392, 545});
    pageControl->setAccessibleName("Watermark and effects");
    suiTabSheet1 = new QWidget;
    suiTabSheet1->setObjectName("suiTabSheet1");
    suiTabSheet2 = new QWidget;
    suiTabSheet2->setObjectName("suiTabSheet2");
    suiTabSheet3 = new QWidget;
    suiTabSheet3->setObjectName("suiTabSheet3");
    pageControl->addTab(suiTabSheet1, "Add &Text");
    pageControl->addTab(suiTabSheet2, "Add &Image");
    pageControl->addTab(suiTabSheet3, "&Effect");
    pageControl->setCurrentWidget(suiTabSheet2);
    BuildTextPage();
    BuildImagePage();
    BuildEffectPage();
    BuildPreview();
    btnOk = NewButton(this, "btnOk", "&Ok", {600, 565, 86, 30});
    btnCancel = NewButton(this, "btnCancel", "&Cancel", {692, 565, 86, 30});
    ConnectOkCancel(btnOk, btnCancel);
    LayOut();
    resize(kWaterMarkSize);
    RememberWindowGeometry(*this, TAppSettings::Current().Ini().FileName(), kWaterMarkSize);

    AttachPlayer(*FFPlayer);
    WatchPreviewKeys(*FFPlayer, spdBtnPlay, spdBtnPause, [this] { return model_.Duration(); },
                     {imgPreview, trcPreview, spdBtnPlay, spdBtnPause});
}

TfrmWaterMark::~TfrmWaterMark() {
    FFPlayer->SetHook(false);
    FFPlayer->Stop(true);
}

void TfrmWaterMark::BuildTextPage() {
    QWidget* page = suiTabSheet1;
    NewLabel(page, "lblFont", "&Font:", {12, 14, 84, 20});
    suiFontCmb = Named(new QComboBox(page), "suiFontCmb", {100, 10, 276, 26});
    NewLabel(page, "lblFontSize", "Font &Size:", {12, 48, 84, 20});
    suiFontSizeCmb = Named(new QComboBox(page), "suiFontSizeCmb", {100, 44, 80, 26});
    NewLabel(page, "lblFontColor", "Font Co&lor:", {12, 82, 84, 20});
    suiColorBoxcmb = Named(new QComboBox(page), "suiColorBoxcmb", {100, 78, 160, 26});
    const std::pair<const char*, QWidget*> buddies[] = {
        {"lblFont", suiFontCmb}, {"lblFontSize", suiFontSizeCmb}, {"lblFontColor", suiColorBoxcmb}};
    for (const auto& [label, buddy] : buddies)
        page->findChild<QLabel*>(label)->setBuddy(buddy);
    suiFontCmb->setAccessibleName("Font");
    suiFontSizeCmb->setAccessibleName("Font size");
    suiColorBoxcmb->setAccessibleName("Font color");
    NewLabel(page, "lblFontStyle", "Font Style:", {12, 116, 84, 20});
    suiChkBold = NewCheck(page, "suiChkBold", "Bold", {100, 114, 90, 22});
    suiChkItalic = NewCheck(page, "suiChkItalic", "Italic", {200, 114, 90, 22});
    suiChkUnderline = NewCheck(page, "suiChkUnderline", "Underline", {100, 140, 100, 22});
    suiChkStrikeOut = NewCheck(page, "suiChkStrikeOut", "StrikeOut", {200, 140, 100, 22});
    edtFont = Named(new QLineEdit(page), "edtFont", {12, 174, 364, 96});
    edtFont->setAccessibleName("Watermark text");
    NewPositionRow(page, "Horizontal Position:", "trcTextHoriz", "edtTextHoriz", 284, trcTextHoriz,
                   edtTextHoriz, "Text horizontal position");
    NewPositionRow(page, "Vertical Position:", "trcTextVert", "edtTextVert", 342, trcTextVert, edtTextVert,
                   "Text vertical position");
    btnClearText = NewButton(page, "btnClearText", "Clear Text", {12, 410, 100, 30});

    connect(edtFont, &QLineEdit::textChanged, this, [this](const QString& t) { edtFontChange(t); });
    connect(suiFontCmb, &QComboBox::currentTextChanged, this,
            [this](const QString& t) { suiFontCmbChange(t); });
    connect(suiFontSizeCmb, &QComboBox::currentTextChanged, this,
            [this](const QString& t) { suiFontSizeCmbChange(t); });
    connect(suiColorBoxcmb, &QComboBox::currentIndexChanged, this,
            [this](int i) { suiColorBoxcmbChange(i); });
    using S = TWaterMarkModel::TStyle;
    const std::pair<QCheckBox*, S> styles[] = {{suiChkBold, S::Bold},
                                               {suiChkItalic, S::Italic},
                                               {suiChkUnderline, S::Underline},
                                               {suiChkStrikeOut, S::StrikeOut}};
    for (const auto& [box, style] : styles)
        connect(box, &QCheckBox::toggled, this,
                [this, style = style](bool on) { suiChkStyleClick(style, on); });
    connect(trcTextHoriz, &QSlider::valueChanged, this, [this](int v) { trcTextHorizChange(v); });
    connect(trcTextVert, &QSlider::valueChanged, this, [this](int v) { trcTextVertChange(v); });
    connect(btnClearText, &QPushButton::clicked, this, [this] { btnClearTextClick(); });
}

void TfrmWaterMark::BuildImagePage() {
    QWidget* page = suiTabSheet2;
    NewLabel(page, "lblImage", "Image:", {12, 14, 54, 20});
    edtAddImage = NewReadOnlyEdit(page, "edtAddImage", {68, 10, 220, 26});
    edtAddImage->setAccessibleName("Image");
    btnBrows = NewButton(page, "btnBrows", "&Brows", {294, 9, 82, 28});
    NewPositionRow(page, "Horizontal Position:", "trcImageHoriz", "edtImageHoriz", 56, trcImageHoriz,
                   edtImageHoriz, "Image horizontal position");
    NewPositionRow(page, "Vertical Position:", "trcImageVert", "edtImageVert", 114, trcImageVert,
                   edtImageVert, "Image vertical position");
    NewLabel(page, "lblImageAlpha", "Transparency:", {12, 172, 200, 20});
    trcImageAlpha = NewSlider(page, "trcImageAlpha", 0, 255, {12, 194, 300, 24});
    edtImageAlpha = NewReadOnlyEdit(page, "edtImageAlpha", {318, 192, 42, 26});
    trcImageAlpha->setAccessibleName("Image transparency");
    edtImageAlpha->setAccessibleName("Image transparency, value");
    rbTransparent1 =
        Named(new QRadioButton("Transparent style 1", page), "rbTransparent1", {12, 236, 220, 22});
    rbTransparent2 =
        Named(new QRadioButton("Transparent style 2", page), "rbTransparent2", {12, 262, 220, 22});
    btnClearImage = NewButton(page, "btnClearImage", "Clear Image", {12, 304, 100, 30});

    connect(btnBrows, &QPushButton::clicked, this, [this] { btnBrowsClick(); });
    connect(trcImageHoriz, &QSlider::valueChanged, this, [this](int v) { trcImageHorizChange(v); });
    connect(trcImageVert, &QSlider::valueChanged, this, [this](int v) { trcImageVertChange(v); });
    connect(trcImageAlpha, &QSlider::valueChanged, this, [this](int v) { trcImageAlphaChange(v); });
    connect(rbTransparent1, &QRadioButton::toggled, this, [this](bool on) {
        if (on) rbTransparentClick(1);
    });
    connect(rbTransparent2, &QRadioButton::toggled, this, [this](bool on) {
        if (on) rbTransparentClick(2);
    });
    connect(btnClearImage, &QPushButton::clicked, this, [this] { btnClearImageClick(); });
}

void TfrmWaterMark::BuildEffectPage() {
    QWidget* page = suiTabSheet3;
    struct TRow {
        const char *label, *labelName, *sliderName, *spinName;
        int minimum, maximum;
        QSlider** slider;
        QSpinBox** spin;
        void (TfrmWaterMark::*change)(int);
    };
    const TRow rows[] = {
        {"B&rightness:", "lblBrightness", "trcBrightness", "spedtBrightness", 0, 512, &trcBrightness,
         &spedtBrightness, &TfrmWaterMark::trcBrightnessChange},
        {"Co&ntrast:", "lblContrast", "trcContrast", "spedtContrast", -100, 100, &trcContrast, &spedtContrast,
         &TfrmWaterMark::trcContrastChange},
        {"Satur&ation:", "lblSaturation", "trcSaturation", "spedtSaturation", 0, 512, &trcSaturation,
         &spedtSaturation, &TfrmWaterMark::trcSaturationChange},
        {"E&xposure:", "lblExposure", "trcExposure", "spedtExposure", -255, 512, &trcExposure, &spedtExposure,
         &TfrmWaterMark::trcExposureChange},
    };
    int y = 14;
    for (const TRow& row : rows) {
        QLabel* label = NewLabel(page, row.labelName, row.label, {12, y, 200, 20});
        *row.slider = NewSlider(page, row.sliderName, row.minimum, row.maximum, {12, y + 24, 290, 24});
        *row.spin = NewArrowSpin(page, row.spinName, row.minimum, row.maximum, {308, y + 22, 70, 26});
        label->setBuddy(*row.slider);
        const QString name = QString::fromLatin1(row.labelName + 3); // "lblBrightness" -> "Brightness"
        (*row.slider)->setAccessibleName(name);
        (*row.spin)->setAccessibleName(name + ", value");
        // The slider and its spin edit mirror each other through the model.
        const auto change = row.change;
        connect(*row.slider, &QSlider::valueChanged, this, [this, change](int v) { (this->*change)(v); });
        connect(*row.spin, &QSpinBox::valueChanged, this, [this, change](int v) { (this->*change)(v); });
        y += 62;
    }
    chkProcessText = NewCheck(page, "chkProcessText", "Process  Added Text", {12, y + 8, 260, 22});
    chkProcessImage = NewCheck(page, "chkProcessImage", "Process  Added Image", {12, y + 36, 260, 22});
    btnReset = NewButton(page, "btnReset", "Reset", {12, y + 76, 90, 30});
    connect(chkProcessText, &QCheckBox::toggled, this, [this](bool on) { chkProcessTextClick(on); });
    connect(chkProcessImage, &QCheckBox::toggled, this, [this](bool on) { chkProcessImageClick(on); });
    connect(btnReset, &QPushButton::clicked, this, [this] { btnResetClick(); });
}

// The pages keep their width; a larger window gives its room to the preview. The gaps place every
// control where it is at the default size.
void TfrmWaterMark::LayOut() {
    pageControl->setFixedWidth(pageControl->width());
    pageControl->setMinimumHeight(pageControl->height());
    auto* inside = new QVBoxLayout(grpSourcePreview);
    // The group's frame and title are margins of its own; the layout adds what they lack.
    const QMargins frame = grpSourcePreview->contentsMargins();
    inside->setContentsMargins(std::max(5 - frame.left(), 0), std::max(24 - frame.top(), 0),
                               std::max(5 - frame.right(), 0), std::max(10 - frame.bottom(), 0));
    inside->setSpacing(0);
    inside->addWidget(Growing(imgPreview), 1);
    inside->addSpacing(6);
    trcPreview->setFixedHeight(trcPreview->height());
    inside->addWidget(trcPreview);
    inside->addSpacing(6);
    inside->addLayout(Row(
        {{0, Fixed(spdBtnPlay)}, {2, Fixed(spdBtnPause)}, {7, Elastic(lblPTS)}, {0, Elastic(lblLength)}}));
    Growing(grpSourcePreview);
    auto* right = new QVBoxLayout;
    right->setSpacing(0);
    right->addWidget(grpSourcePreview, 1);
    right->addSpacing(pageControl->height() - grpSourcePreview->height());
    auto* top = new QHBoxLayout;
    top->setSpacing(6);
    top->addWidget(pageControl);
    top->addLayout(right, 1);
    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(8, 8, 6, 10);
    root->setSpacing(0);
    root->addLayout(top, 1);
    root->addSpacing(12);
    root->addLayout(Row({{-1, nullptr}, {0, Fixed(btnOk)}, {6, Fixed(btnCancel)}}));
}

void TfrmWaterMark::BuildPreview() {
    grpSourcePreview = Named(new QGroupBox("Source Preview", this), "grpSourcePreview", {406, 8, 374, 330});
    imgPreview = Named(new TVideoPanel(grpSourcePreview), "imgPreview", {5, 24, 364, 236});
    imgPreview->setAccessibleName("Preview");
    imgPreview->setToolTip("Drag the text or the picture to place it");
    imgPreview->installEventFilter(this);
    trcPreview = NewSlider(grpSourcePreview, "trcPreview", 0, 0, {5, 266, 364, 22});
    trcPreview->installEventFilter(this);
    trcPreview->setAccessibleName("Position");
    spdBtnPlay = NewPlayButton(grpSourcePreview, "spdBtnPlay", true, {5, 294, 26, 26});
    spdBtnPause = NewPlayButton(grpSourcePreview, "spdBtnPause", false, {33, 294, 26, 26});
    lblPTS = NewLabel(grpSourcePreview, "lblPTS", "", {66, 298, 150, 20});
    lblLength = NewLabel(grpSourcePreview, "lblLength", "", {216, 298, 156, 20});
    connect(spdBtnPlay, &QToolButton::clicked, this, [this] { spdBtnPlayClick(); });
    connect(spdBtnPause, &QToolButton::clicked, this, [this] { spdBtnPauseClick(); });
    connect(trcPreview, &QSlider::valueChanged, this, [this](int v) { model_.SliderMoved(v); });
}

void TfrmWaterMark::Open(const TlvFilesRecord& job) {
    TakeJob(job);
    opened_ = false;
    std::vector<std::string> fonts;
    for (const QString& family : QFontDatabase::families())
        fonts.push_back(family.toStdString());
    model_.FormShow(job, std::move(fonts));
    FillLists();
    Change([] {});
    show();
    if (OpenSource(*FFPlayer, imgPreview)) {
        opened_ = true;
        model_.AfterOpen();
    }
    Change([] {});
}

void TfrmWaterMark::FillLists() {
    Quietly(suiFontCmb, [&](QComboBox* c) {
        c->clear();
        for (const std::string& name : model_.FontNames())
            c->addItem(QString::fromStdString(name));
    });
    Quietly(suiFontSizeCmb, [&](QComboBox* c) {
        c->clear();
        for (int size : model_.FontSizes())
            c->addItem(QString::number(size));
    });
    Quietly(suiColorBoxcmb, [&](QComboBox* c) {
        c->clear();
        for (const auto& [name, color] : model_.Colors())
            c->addItem(ColorSwatch(color), QString::fromStdString(name));
    });
}

template <class F> void TfrmWaterMark::Change(F&& change) {
    change();
    hook_.Publish(TPreviewSettings::WithEffects(job_, model_.Settings(), TCropOutline::Inset, opened_));
    Render(model_.View());
}

void TfrmWaterMark::FFPlayerFileOpen(int64_t duration, int frameWidth, int frameHeight, int& screenWidth,
                                     int& screenHeight) {
    screenWidth = imgPreview->width();
    screenHeight = imgPreview->height();
    FFPlayer->SetHook(true);
    opened_ = true; // the first frames may come before Open returns
    Change([&] { model_.FileOpen(duration, frameWidth, frameHeight, trcPreview->width()); });
}

void TfrmWaterMark::FFPlayerPosition(int64_t position) {
    model_.Position(position);
    Render(model_.View());
}

void TfrmWaterMark::FFPlayerState(TPlayState state) {
    if (state != psEnd) return;
    model_.Ended();
    FFPlayer->Seek(sfAny, false, 0);
    FFPlayer->Pause();
    Render(model_.View());
}

void TfrmWaterMark::FFPlayerHook(Bitmap24& frame) {
    hook_.Render(frame.View());
}

void TfrmWaterMark::spdBtnPlayClick() {
    FFPlayer->Resume();
    Change([&] { model_.Play(); });
}

void TfrmWaterMark::spdBtnPauseClick() {
    FFPlayer->Pause();
    Change([&] { model_.Pause(); });
}

void TfrmWaterMark::edtFontChange(const QString& text) {
    Change([&] { model_.SetText(text.toStdString()); });
}
void TfrmWaterMark::suiFontCmbChange(const QString& face) {
    Change([&] { model_.SetFontName(face.toStdString()); });
}
void TfrmWaterMark::suiFontSizeCmbChange(const QString& size) {
    Change([&] { model_.SetFontSize(size.toInt()); });
}
void TfrmWaterMark::suiColorBoxcmbChange(int index) {
    Change([&] { model_.SetColorIndex(index); });
}
void TfrmWaterMark::suiChkStyleClick(TWaterMarkModel::TStyle style, bool on) {
    Change([&] { model_.SetStyle(style, on); });
}
void TfrmWaterMark::trcTextHorizChange(int position) {
    Change([&] { model_.SetTextHoriz(position); });
}
void TfrmWaterMark::trcTextVertChange(int position) {
    Change([&] { model_.SetTextVert(position); });
}
void TfrmWaterMark::trcImageHorizChange(int position) {
    Change([&] { model_.SetImageHoriz(position); });
}
void TfrmWaterMark::trcImageVertChange(int position) {
    Change([&] { model_.SetImageVert(position); });
}
void TfrmWaterMark::trcImageAlphaChange(int position) {
    Change([&] { model_.SetImageAlpha(position); });
}
void TfrmWaterMark::rbTransparentClick(int style) {
    Change([&] { model_.SetTransparentStyle(style); });
}
void TfrmWaterMark::trcBrightnessChange(int position) {
    Change([&] { model_.SetBrightness(position); });
}
void TfrmWaterMark::trcContrastChange(int position) {
    Change([&] { model_.SetContrast(position); });
}
void TfrmWaterMark::trcSaturationChange(int position) {
    Change([&] { model_.SetSaturation(position); });
}
void TfrmWaterMark::trcExposureChange(int position) {
    Change([&] { model_.SetExposure(position); });
}
void TfrmWaterMark::chkProcessTextClick(bool on) {
    Change([&] { model_.SetProcessText(on); });
}
void TfrmWaterMark::chkProcessImageClick(bool on) {
    Change([&] { model_.SetProcessImage(on); });
}

void TfrmWaterMark::btnBrowsClick() {
    TOpenFileRequest request;
    // PNG pictures keep their transparency; BMP pictures are blended whole.
    request.Filters = {{"Pictures (*.bmp; *.png)", "*.bmp;*.png"},
                       {"Bitmap files (*.bmp)", "*.bmp"},
                       {"PNG pictures (*.png)", "*.png"}};
    const std::vector<std::string> chosen = fileDialog_.OpenFiles(request);
    if (chosen.empty()) return;
    Change([&] { model_.SetImagePath(chosen.front()); });
}

void TfrmWaterMark::btnClearImageClick() {
    Change([&] { model_.ClearImage(); });
}

void TfrmWaterMark::btnClearTextClick() {
    Change([&] { model_.ClearText(); });
}

void TfrmWaterMark::btnResetClick() {
    Change([&] { model_.Reset(); });
}

void TfrmWaterMark::ApplyEdits(TlvFilesRecord& job) const {
    model_.ApplyTo(job);
}

void TfrmWaterMark::StopPreview(bool accepted) {
    // Ok waits for the player's threads, as it is about to hand the job to a conversion.
    FFPlayer->SetHook(false);
    FFPlayer->Stop(accepted);
}

bool TfrmWaterMark::DragOnPreview(QEvent* event) {
    const auto type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseMove && type != QEvent::MouseButtonRelease)
        return false;
    const auto* mouse = static_cast<QMouseEvent*>(event);
    // Percentages of the picture shown; the whole panel before a picture is shown.
    QRect picture = imgPreview->PictureRect();
    if (picture.isEmpty()) picture = imgPreview->rect();
    if (picture.isEmpty()) return false;
    const QPointF at = mouse->position();
    if (type == QEvent::MouseButtonPress && mouse->button() == Qt::LeftButton) {
        const TWaterMarkLayer preferred = pageControl->currentWidget() == suiTabSheet1 ? TWaterMarkLayer::Text
                                          : pageControl->currentWidget() == suiTabSheet2
                                              ? TWaterMarkLayer::Picture
                                              : TWaterMarkLayer::None;
        const double x = (at.x() - picture.x()) * 100.0 / picture.width();
        const double y = (at.y() - picture.y()) * 100.0 / picture.height();
        drag_.Layer = model_.LayerToDrag(x, y, preferred);
        drag_.From = at;
        const TWaterMarkView& v = model_.View();
        const bool text = drag_.Layer == TWaterMarkLayer::Text;
        drag_.Horiz = text ? v.TextHoriz : v.ImageHoriz;
        drag_.Vert = text ? v.TextVert : v.ImageVert;
        return drag_.Layer != TWaterMarkLayer::None;
    }
    if (drag_.Layer == TWaterMarkLayer::None) return false;
    const QPointF moved = at - drag_.From;
    const int horiz = drag_.Horiz + static_cast<int>(std::lround(moved.x() * 100.0 / picture.width()));
    const int vert = drag_.Vert + static_cast<int>(std::lround(moved.y() * 100.0 / picture.height()));
    Change([&] { model_.PlaceLayer(drag_.Layer, horiz, vert); });
    if (type == QEvent::MouseButtonRelease) drag_.Layer = TWaterMarkLayer::None;
    return true;
}

bool TfrmWaterMark::eventFilter(QObject* watched, QEvent* event) {
    if (watched == imgPreview && DragOnPreview(event)) return true;
    if (SliderReleased(trcPreview, watched, event))
        FFPlayer->Seek(0, false, model_.SeekTarget(trcPreview->value()));
    return TJobPreviewDialog::eventFilter(watched, event);
}

void TfrmWaterMark::Render(const TWaterMarkView& v) {
    setWindowTitle(QString::fromStdString(v.Title));
    Quietly(edtFont, [&](QLineEdit* e) {
        if (e->text().toStdString() != v.Text) e->setText(QString::fromStdString(v.Text));
        e->setFont(WatermarkQFont(v.SampleFont));
        QPalette p = e->palette();
        p.setColor(QPalette::Text, WatermarkQColor(v.SampleFont.Color));
        e->setPalette(p);
    });
    Quietly(suiFontCmb, [&](QComboBox* c) { c->setCurrentText(QString::fromStdString(v.FontName)); });
    Quietly(suiFontSizeCmb, [&](QComboBox* c) { c->setCurrentText(QString::number(v.FontSize)); });
    Quietly(suiColorBoxcmb, [&](QComboBox* c) { c->setCurrentIndex(v.ColorIndex); });
    const std::pair<QCheckBox*, bool> boxes[] = {
        {suiChkBold, v.Bold},           {suiChkItalic, v.Italic},        {suiChkUnderline, v.Underline},
        {suiChkStrikeOut, v.StrikeOut}, {chkProcessText, v.ProcessText}, {chkProcessImage, v.ProcessImage}};
    for (const auto& [box, on] : boxes)
        Quietly(box, [on = on](QCheckBox* b) { b->setChecked(on); });
    struct TMirror {
        QSlider* slider;
        QLineEdit* edit;
        int value;
        bool enabled;
    };
    const TMirror mirrors[] = {{trcTextHoriz, edtTextHoriz, v.TextHoriz, v.TextSlidersEnabled},
                               {trcTextVert, edtTextVert, v.TextVert, v.TextSlidersEnabled},
                               {trcImageHoriz, edtImageHoriz, v.ImageHoriz, v.PictureSlidersEnabled},
                               {trcImageVert, edtImageVert, v.ImageVert, v.PictureSlidersEnabled},
                               {trcImageAlpha, edtImageAlpha, v.ImageAlpha, v.PictureSlidersEnabled}};
    for (const TMirror& m : mirrors) {
        Quietly(m.slider, [&](QSlider* s) { s->setValue(m.value); });
        m.slider->setEnabled(m.enabled);
        m.edit->setText(QString::number(m.value));
    }
    edtAddImage->setText(QString::fromStdString(v.ImagePath));
    Quietly(rbTransparent1, [&](QRadioButton* r) { r->setChecked(v.TransparentStyle == 1); });
    Quietly(rbTransparent2, [&](QRadioButton* r) { r->setChecked(v.TransparentStyle != 1); });
    const std::tuple<QSlider*, QSpinBox*, int> effects[] = {{trcBrightness, spedtBrightness, v.Brightness},
                                                            {trcContrast, spedtContrast, v.Contrast},
                                                            {trcSaturation, spedtSaturation, v.Saturation},
                                                            {trcExposure, spedtExposure, v.Exposure}};
    for (const auto& [slider, spin, value] : effects) {
        Quietly(slider, [value = value](QSlider* s) { s->setValue(value); });
        Quietly(spin, [value = value](QSpinBox* s) { s->setValue(value); });
    }
    lblPTS->setText(QString::fromStdString(v.PTS));
    lblLength->setText(QString::fromStdString(v.Length));
    spdBtnPlay->setEnabled(v.PlayEnabled);
    spdBtnPause->setEnabled(v.PauseEnabled);
    trcPreview->setEnabled(v.SliderEnabled);
    Quietly(trcPreview, [&](QSlider* s) {
        s->setMaximum(v.SliderMax);
        s->setValue(model_.SliderPos());
    });
}

} // namespace orvel
