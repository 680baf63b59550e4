#pragma once
// Replacing a file so that a reader or a crash never meets half of it: the bytes go to a
// temporary file beside the target, are flushed to disk, and the temporary file is renamed over
// the target.
#include <string>
#include <string_view>

namespace orvel {

// False when any step failed; the target is then as it was and no temporary file is left.
bool WriteFileAtomically(const std::string& path, std::string_view bytes);

} // namespace orvel
