#include "app/store/WindowPlacement.h"

#include "app/store/IniFile.h"

#include <charconv>

namespace orvel {
namespace {

// Whole numbers separated by commas; nothing for any other text.
std::optional<std::vector<int>> ParseNumbers(const std::string& text) {
    std::vector<int> numbers;
    const char* at = text.data();
    const char* const end = at + text.size();
    while (at < end) {
        int value = 0;
        const auto [next, error] = std::from_chars(at, end, value);
        if (error != std::errc()) return std::nullopt;
        numbers.push_back(value);
        at = next;
        if (at == end) break;
        if (*at != ',' || at + 1 == end) return std::nullopt;
        ++at;
    }
    if (numbers.empty()) return std::nullopt;
    return numbers;
}

std::string JoinNumbers(const std::vector<int>& numbers) {
    std::string text;
    for (int n : numbers) {
        if (!text.empty()) text += ',';
        text += std::to_string(n);
    }
    return text;
}

} // namespace

std::optional<TWindowPlacement> TWindowPlacementStore::Placement(const std::string& window) const {
    const auto numbers = ParseNumbers(TIniFile(path_).ReadString(kWindowsSection, window, ""));
    if (!numbers || numbers->size() != 5) return std::nullopt;
    const std::vector<int>& n = *numbers;
    if (n[2] <= 0 || n[3] <= 0 || (n[4] != 0 && n[4] != 1)) return std::nullopt;
    return TWindowPlacement{n[0], n[1], n[2], n[3], n[4] == 1};
}

bool TWindowPlacementStore::SetPlacement(const std::string& window, const TWindowPlacement& placement) {
    return TIniFile(path_).WriteString(kWindowsSection, window,
                                       JoinNumbers({placement.Left, placement.Top, placement.Width,
                                                    placement.Height, placement.Maximized ? 1 : 0}));
}

std::vector<int> TWindowPlacementStore::ColumnWidths(const std::string& list) const {
    const auto numbers = ParseNumbers(TIniFile(path_).ReadString(kWindowsSection, list, ""));
    if (!numbers) return {};
    for (int width : *numbers)
        if (width < 0) return {};
    return *numbers;
}

bool TWindowPlacementStore::SetColumnWidths(const std::string& list, const std::vector<int>& widths) {
    return TIniFile(path_).WriteString(kWindowsSection, list, JoinNumbers(widths));
}

} // namespace orvel
