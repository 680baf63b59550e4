#include "app/AddFileFilters.h"

#include "formats/FormatCatalog.h"

#include <algorithm>
#include <filesystem>
#include <sstream>

namespace orvel {
namespace {

std::vector<std::string> SplitPatterns(const std::string& patterns) {
    std::vector<std::string> out;
    std::stringstream in(patterns);
    std::string p;
    while (std::getline(in, p, ';'))
        if (!p.empty()) out.push_back(p);
    return out;
}

} // namespace

const std::vector<TFileFilter>& AddFileFilters() {
    static const std::vector<TFileFilter> filters = {
        {"All Supported Video Formats",
         "*.AVI;*.AVM;*.ASF;*.WMV;*.AVS;*.FLV;*.MKV;*.MOV;*.3GP;*.3G2;*.M4V;*.MP4;*.MPG;"
         "*.MPEG;*.DAT;*.OGM;*.VOB;*.RM;*.RMVB;*.TS;*.TP;*.IFO;*.NSV;*.SWF;"},
        {"All Supported Audio Formats",
         "*.MP3;*.AAC;*.WAV;*.WMA;*.OGG;*.CDA;*.FLAC;*.M4A;*.MID;*.MKA;*.MP2;*.MPA;"
         "*.MPC;*.APE;*.OFR;*.OGG;*.RA;*.WV;*.TTA;*.AC3;*.DTS;"},
        {"AVI files (*.avi)", "*.avi"},
        {"MPEG4 files (*.mp4)", "*.mp4"},
        {"MPEG files (*.mpg,*.mpeg)", "*.mpg;*.mpeg"},
        {"3GP files (*.3gp,*.3g2)", "*.3gp;*.3g2"},
        {"Itunes Video files (*.m4v)", "*.m4v"},
        {"Windows Media files (*.wmv,*.asf)", "*.wmv;*.asf"},
        {"Real Media files (*.rm,*.rmvb)", "*.rm;*.rmvb"},
        {"Video CD files (*.dat)", "*.dat"},
        {"Quick Time files (*.mov)", "*.mov"},
        {"Flash Video files (*.flv)", "*.flv"},
        {"Matroska Video files (*.mkv)", "*.mkv"},
        {"MJPEG Video files (*.mjpg,*.mjpeg)", "*.mjpg;*.mjpeg"},
        {"Animated GIF files (*.gif)", "*.gif"},
        {"H.264/MPEG4 AVC Video files (*.mts,*.m2ts)", "*.mts;*.m2ts"},
        {"DVD video object files (*.vob)", "*.vob"},
        {"MPEG-1 Video files (*.mpv)", "*.mpv"},
        {"Video Transport Stream files (*.ts)", "*.ts"},
        {"TP Video files (*.tp)", "*.tp"},
        {"Maceomeida Flash files (*.swf)", "*.swf"},
        {"MP3 Audio files (*.mp3)", "*.mp3"},
        {"Advanced Audio Coding files (*.aac)", "*.aac"},
        {"Monkey's Audio files (*.ape)", "*.ape"},
        {"Ogg Vorbis Audio files (*.ogg)", "*.ogg"},
        {"Windows Media Audio files (*.wma)", "*.wma"},
        {"MusePack Audio files (*.mpc)", "*.mpc"},
        {"MPEG Audio files (*.mpa)", "*.mpa"},
        {"MPEG-4 Audio files (*.m4a)", "*.m4a"},
        {"Matroska Audio files (*.mka)", "*.mka"},
        {"DTS Audio files (*.dts)", "*.dts"},
        {"Audio Codec 3 files (*.ac3)", "*.ac3"},
        {"Speex Audio files (*.spx)", "*.spx"},
        {"Real Audio files (*.ra,*.ram)", "*.ra;*.ram"},
        {"MPEG Layer II Compressed Audio files (*.mp2)", "*.mp2"},
        {"All files (*.*)", "*.*"},
    };
    return filters;
}

bool IsSupportedMediaName(const std::string& fileName) {
    const std::string ext = LowerFormatText(std::filesystem::path(fileName).extension().string());
    if (ext.size() < 2) return false;
    for (const TFileFilter& filter : AddFileFilters())
        for (const std::string& p : SplitPatterns(filter.Patterns))
            if (p != "*.*" && LowerFormatText(p.substr(1)) == ext) return true;
    return false;
}

std::vector<std::string> MediaFilesIn(const std::vector<std::string>& paths) {
    namespace fs = std::filesystem;
    std::vector<std::string> out;
    for (const std::string& path : paths) {
        std::error_code ec;
        if (!fs::is_directory(path, ec)) {
            out.push_back(path);
            continue;
        }
        std::vector<std::string> inside;
        // An unreadable subfolder is passed over, not the whole drop.
        const auto options = fs::directory_options::skip_permission_denied;
        for (fs::recursive_directory_iterator it(path, options, ec), end; !ec && it != end; it.increment(ec))
            if (it->is_regular_file(ec) && IsSupportedMediaName(it->path().filename().string()))
                inside.push_back(it->path().string());
        std::sort(inside.begin(), inside.end());
        out.insert(out.end(), inside.begin(), inside.end());
    }
    return out;
}

} // namespace orvel
