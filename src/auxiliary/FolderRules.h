#pragma once
// Which folders may hold converted files: not a folder on an optical disc (read-only media),
// and not one of the kernel's pseudo file systems, which cannot hold files at all.
#include <string>

namespace orvel {

// mountsText: the mount table in the form of /proc/self/mounts ("source point type ...").
// True when the mount that holds path is an iso9660 or udf file system or an optical drive
// (/dev/sr*).
bool IsOnOpticalDisc(const std::string& path, const std::string& mountsText);
// The same against the running system's mount table.
bool IsOnOpticalDisc(const std::string& path);

// /proc, /sys, /dev and /run and everything under them.
bool IsPseudoFileSystemFolder(const std::string& path);

} // namespace orvel
