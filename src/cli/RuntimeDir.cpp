// Qt warns on every start of a program when the session names no XDG_RUNTIME_DIR (a terminal
// without a desktop session, a service), and then uses <temp>/runtime-<user>. The command-line
// tool hands Qt that same folder before it looks, made private as Qt requires, so that a run
// prints only the tool's own lines. A folder that is not ours is left alone (Qt then says why).
#include <cstdlib>
#include <filesystem>
#include <pwd.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace orvel::cli {

void ProvideRuntimeDir() {
    const char* current = std::getenv("XDG_RUNTIME_DIR");
    if (current && *current) return;
    std::error_code error;
    const std::filesystem::path temp = std::filesystem::temp_directory_path(error);
    if (error) return;
    const uid_t uid = geteuid();
    const passwd* user = getpwuid(uid);
    const std::string name = user && user->pw_name ? user->pw_name : std::to_string(uid);
    const std::string dir = (temp / ("runtime-" + name)).string();
    ::mkdir(dir.c_str(), 0700);
    struct stat st {};
    if (::lstat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != uid) return;
    if ((st.st_mode & 0777) != 0700 && ::chmod(dir.c_str(), 0700) != 0) return;
    ::setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);
}

} // namespace orvel::cli
