#pragma once
// The ten parameter selectors under the job list: what each shows for the current format, the
// key filters and checks of typed values, and the store of every accepted change in the
// settings file, so the option builder always reads the panel's latest state.
#include "app/store/MessageBoxes.h"
#include "formats/FormatParams.h"

#include <array>
#include <string>
#include <vector>

namespace orvel {

enum class TPanelSelector {
    VideoSize,
    VideoEncoder,
    VideoBitRate,
    FrameRate,
    Zoom,
    SampleRate,
    AudioEncoder,
    Channel,
    Volume,
    AudioBitRate,
};
inline constexpr int kPanelSelectorCount = 10;

// The store parameter behind a selector; the zoom selector has none.
bool HasFormatParam(TPanelSelector selector);
TFormatParam FormatParamOf(TPanelSelector selector);
// Selectors that accept typed text.
bool IsEditableSelector(TPanelSelector selector);

struct TSelectorView {
    std::vector<std::string> Items;
    int ItemIndex = -1;
    std::string Text; // the edit field, or the chosen item's text
    bool Enabled = true;
    bool Grey = false; // text in the system's grey instead of black
    int DropDownCount = 0;
    bool operator==(const TSelectorView&) const = default;
};

struct TParameterPanelView {
    std::array<TSelectorView, kPanelSelectorCount> Selectors;
    const TSelectorView& operator[](TPanelSelector s) const { return Selectors[static_cast<size_t>(s)]; }
    TSelectorView& operator[](TPanelSelector s) { return Selectors[static_cast<size_t>(s)]; }
    bool operator==(const TParameterPanelView&) const = default;
};

struct TKeyAnswer {
    bool Accepted = true;
    bool Beep = false;
};

inline constexpr char kBackspaceKey = '\b';
inline constexpr const char* kFrameSizeInvalidText = "Frame Size is not a valid value!";
inline constexpr const char* kFrameSizeCorrectionCaption = "Input Error!";
inline constexpr const char* kEnterNumericalText = "Please enter numerical.";
// The zoom items before the first load, and the ones every load puts in.
inline const std::vector<std::string> kDesignZoomItems = {"Full screen", "Letterbox", "Pan and Scan"};
inline const std::vector<std::string> kZoomItems = {"Full Screen", "Letter Box", "Pan and Scan"};

class TParameterPanelModel {
public:
    TParameterPanelModel(TFormatParamStore& store, IMessageBoxes& boxes);

    // Fills every selector for the format; stores nothing.
    void Load(int code);
    int Code() const { return code_; }

    // Key filters, asked before a typed character reaches the box.
    TKeyAnswer VideoSizeKeyPress(char key) const;
    TKeyAnswer NumberKeyPress(char key); // shows "Please enter numerical." for a refused key

    // Typed text of an editable selector. The bit rates and the sample rate are checked and
    // stored at once; the size only when the box is left.
    void TextChanged(TPanelSelector selector, const std::string& text);
    // An item chosen from a selector's list.
    void ItemChosen(TPanelSelector selector, int index);
    // Leaving the size box (also run by a conversion start): checks the size, corrects odd
    // values after telling the user, and stores it.
    void VideoSizeExit();
    // The definition's default choices, stored and shown.
    void Default();

    const TParameterPanelView& View() const { return view_; }

private:
    void CheckNumberAndStore(TPanelSelector selector);
    void RefuseWithItem1(TPanelSelector selector, const std::string& message);
    void Store(TPanelSelector selector, int index, const std::string& text);
    TSelectorView& Sel(TPanelSelector s) { return view_[s]; }

    TFormatParamStore& store_;
    IMessageBoxes& boxes_;
    int code_ = 0;
    TParameterPanelView view_;
};

// Selects the item at the index and shows its text; an index outside the list selects none and
// empties the text.
void SelectItem(TSelectorView& selector, int index);
// A group without encoders does not apply to the format: its selectors are disabled and grey,
// whatever their own lists said, and the selectors of a group with encoders enabled and black.
void ApplyEncoderGroups(TParameterPanelView& view);

// "640x480" -> the two numbers when both parts are whole numbers, split at the last "x".
struct TFrameSize {
    int Width = 0;
    int Height = 0;
};
std::optional<TFrameSize> ParseFrameSize(const std::string& text);
// Each side rounded down to an even number, 2 where that gives 0.
TFrameSize EvenFrameSize(TFrameSize size);

} // namespace orvel
