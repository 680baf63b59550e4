#include "engine/foundation/CodecLock.h"

namespace orvel {

std::recursive_mutex& CodecLock() {
    static std::recursive_mutex lock;
    return lock;
}

} // namespace orvel
