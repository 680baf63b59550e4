#pragma once
// The remembered size and place of each window and the column widths of its lists, kept in
// section "windows" of the settings file under the window's name. A value someone edited into
// something that is not a placement reads as never stored, so the window takes its default.
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace orvel {

inline constexpr const char* kWindowsSection = "windows";

struct TWindowPlacement {
    int Left = 0;
    int Top = 0;
    int Width = 0; // the inside of the window, without the frame
    int Height = 0;
    bool Maximized = false; // Left..Height are then the size it returns to

    bool operator==(const TWindowPlacement& o) const {
        return Left == o.Left && Top == o.Top && Width == o.Width && Height == o.Height &&
               Maximized == o.Maximized;
    }
};

class TWindowPlacementStore {
public:
    explicit TWindowPlacementStore(std::string settingsIniPath) : path_(std::move(settingsIniPath)) {}

    // "window=left,top,width,height,maximized"; nothing unless the size is positive.
    std::optional<TWindowPlacement> Placement(const std::string& window) const;
    bool SetPlacement(const std::string& window, const TWindowPlacement& placement);

    // "list=w1,w2,..."; empty when any width is negative (0 is a hidden column).
    std::vector<int> ColumnWidths(const std::string& list) const;
    bool SetColumnWidths(const std::string& list, const std::vector<int>& widths);

private:
    std::string path_;
};

} // namespace orvel
