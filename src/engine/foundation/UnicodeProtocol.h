#pragma once
// "unicode:utf8:" addresses: a file name carried in UTF-8 behind a fixed prefix, opened by our
// own byte I/O on a file descriptor instead of a libavformat protocol (today's libavformat no
// longer lets a program register one). Plain names go to the libraries unchanged; every place
// that opens a media file (engine, player, probe) goes through OpenInput / OpenOutputIO so both
// forms work everywhere.
#include <string>

struct AVFormatContext;
struct AVInputFormat;
struct AVDictionary;
struct AVIOContext;

namespace orvel {

constexpr const char* kUnicodeUrlPrefix = "unicode:utf8:";

// False for names whose scheme is one the libraries handle themselves (never wrapped); else true
// when the name holds characters outside 7-bit ASCII, the only text every library build takes
// unchanged as a file name.
bool NeedsUnicodeProtocol(const std::string& fileName);
// The address when the name needs it, else the name itself.
std::string LibraryUrl(const std::string& fileName);
// The address a media file is opened for reading with: the name itself whenever the libraries
// can open it (any local path, whatever its characters, and their own protocols), so formats
// that open files beside it (playlists, image sequences, references in MOV files) find them; the
// unicode address only for a name the libraries would take for an unknown protocol.
std::string InputUrl(const std::string& fileName);
bool IsUnicodeUrl(const std::string& text);
// The file name behind an address; any other text is returned as it is.
std::string FileNameOfUrl(const std::string& url);

// avformat_open_input for a plain name or an address. On failure *ctx is freed and set to null
// (as avformat_open_input does). Close with CloseInput (InputFormatContextPtr does), which
// also closes an address's file.
int OpenInput(AVFormatContext** ctx, const std::string& fileName, const AVInputFormat* format,
              AVDictionary** options);
void CloseInput(AVFormatContext** ctx);
// avio_open for a plain name or an address; flags are AVIO_FLAG_READ / AVIO_FLAG_WRITE. An
// address opened for writing creates or truncates the file. Close with CloseIO.
int OpenOutputIO(AVIOContext** pb, const std::string& fileName, int flags);
// Closes a context from OpenOutputIO (either kind) and sets it to null; answers a negative
// error code when buffered data could not be written.
int CloseIO(AVIOContext** pb);

// Files currently open through addresses (lets tests prove nothing leaks).
int OpenUnicodeFileCount();

} // namespace orvel
