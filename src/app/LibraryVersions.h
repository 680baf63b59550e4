#pragma once
// The versions of the libraries the running program uses, for the About window.
#include <string>
#include <utility>
#include <vector>

namespace orvel {

// (name, "major.minor.micro") in a fixed order: the six FFmpeg libraries, SDL, Qt.
std::vector<std::pair<std::string, std::string>> LibraryVersions();

} // namespace orvel
