#include "auxiliary/FolderRules.h"

#include <filesystem>
#include <fstream>
#include <sstream>

namespace orvel {
namespace {

// The mount table writes blanks and other awkward characters as \ooo.
std::string UnescapeMountField(const std::string& field) {
    std::string out;
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            const std::string digits = field.substr(i + 1, 3);
            if (digits.find_first_not_of("01234567") == std::string::npos) {
                out += static_cast<char>(std::stoi(digits, nullptr, 8));
                i += 3;
                continue;
            }
        }
        out += field[i];
    }
    return out;
}

bool IsUnder(const std::string& path, const std::string& folder) {
    if (folder == "/") return true;
    return path == folder || (path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
                              path[folder.size()] == '/');
}

std::string Normalised(const std::string& path) {
    std::error_code ec;
    std::filesystem::path p = std::filesystem::weakly_canonical(path, ec);
    if (ec) p = std::filesystem::path(path).lexically_normal();
    std::string s = p.string();
    while (s.size() > 1 && s.back() == '/')
        s.pop_back();
    return s;
}

} // namespace

bool IsOnOpticalDisc(const std::string& path, const std::string& mountsText) {
    const std::string target = Normalised(path);
    std::istringstream lines(mountsText);
    std::string line, best;
    bool bestOptical = false;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string source, point, type;
        if (!(fields >> source >> point >> type)) continue;
        point = UnescapeMountField(point);
        // The longest mount point that holds the path is the mount it lives on; a later line
        // for the same point mounts over the earlier one.
        if (!IsUnder(target, point) || point.size() < best.size()) continue;
        best = point;
        bestOptical = type == "iso9660" || type == "udf" || source.rfind("/dev/sr", 0) == 0;
    }
    return bestOptical;
}

bool IsOnOpticalDisc(const std::string& path) {
    std::ifstream in("/proc/self/mounts");
    std::stringstream text;
    text << in.rdbuf();
    return IsOnOpticalDisc(path, text.str());
}

bool IsPseudoFileSystemFolder(const std::string& path) {
    const std::string p = std::filesystem::path(path).lexically_normal().string();
    for (const char* root : {"/proc", "/sys", "/dev", "/run"})
        if (IsUnder(p, root)) return true;
    return false;
}

} // namespace orvel
