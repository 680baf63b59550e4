#pragma once
#include <stdexcept>
#include <string>

namespace orvel {

// Engine failures carry the exact user-facing text; the application shows them as warnings.
class FFmpegException : public std::runtime_error {
public:
    explicit FFmpegException(const std::string& message) : std::runtime_error(message) {}
};

} // namespace orvel
