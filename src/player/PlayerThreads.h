#pragma once
// How the player starts its threads. The default asks the system; tests put in a starter that
// refuses one kind, to see that refusal reported instead of ending the process.
#include <functional>
#include <thread>
#include <utility>

namespace orvel {

enum class PlayerThread { Play, Event, Read, Refresh, Video, Subtitle };

// Runs body on a new thread; throws std::system_error when no thread can be made.
using ThreadStarter = std::function<std::thread(PlayerThread kind, std::function<void()> body)>;

inline std::thread StartSystemThread(PlayerThread, std::function<void()> body) {
    return std::thread(std::move(body));
}

// What the player reports, as the stored error, when a thread cannot be started.
inline constexpr const char* kThreadStartFailed = "SDL_CreateThread() failed.";

} // namespace orvel
