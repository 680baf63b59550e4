#pragma once
#include <mutex>

namespace orvel {

// Process-wide lock held around every codec open and close and every stream-information
// search, in the engine, the player and the probe: the libraries' codec registries and some
// codec initialisers are not safe to run concurrently.
std::recursive_mutex& CodecLock();

} // namespace orvel
