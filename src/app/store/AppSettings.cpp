#include "app/store/AppSettings.h"

#include "app/store/GlobalObject.h"

namespace orvel {

TAppSettings TAppSettings::Current() {
    const TGlobalObject* global = GlobalObject();
    return TAppSettings(global ? global->SettingsIniPath() : std::string());
}

int TAppSettings::ReadInt(const char* key, int def) const {
    return ini_.ReadInteger(kSettingsSection, key, def);
}
bool TAppSettings::WriteInt(const char* key, int value) {
    return ini_.WriteInteger(kSettingsSection, key, value);
}

std::string TAppSettings::OutPutDir() const {
    return ini_.ReadString(kSettingsSection, "OutPutDir", DefaultKestruneDir());
}
bool TAppSettings::SetOutPutDir(const std::string& dir) {
    return ini_.WriteString(kSettingsSection, "OutPutDir", dir);
}

std::string TAppSettings::FormatCodeAtShow() const {
    return ini_.ReadString(kSettingsSection, "FormatCode", "1");
}
int TAppSettings::FormatCodeForJobs() const {
    return ReadInt("FormatCode", 1);
}
int TAppSettings::FormatCodeForCatalog() const {
    return ReadInt("FormatCode", 0);
}
bool TAppSettings::SetFormatCode(int code) {
    return WriteInt("FormatCode", code);
}

std::string TAppSettings::FormatNameAtShow() const {
    return ini_.ReadString(kSettingsSection, "FormatName", "iPod Video MPEG-4");
}
std::string TAppSettings::FormatNameForCatalog() const {
    return ini_.ReadString(kSettingsSection, "FormatName", "Apple iPod Video MPEG-4 Movie (*.mp4)");
}
bool TAppSettings::SetFormatName(const std::string& name) {
    return ini_.WriteString(kSettingsSection, "FormatName", name);
}

int TAppSettings::OutPutFormat() const {
    return ReadInt("OutPutFormat", 0);
}

int TAppSettings::SkinIndexAtStart() const {
    return ReadInt("skinIndex", 0);
}
int TAppSettings::SkinIndexForMenu() const {
    return ReadInt("skinIndex", 1);
}
bool TAppSettings::SetSkinIndex(int index) {
    return WriteInt("skinIndex", index);
}

int TAppSettings::Volume() const {
    return ReadInt("volume", 0);
}
int TAppSettings::VolumeForSlider() const {
    const int volume = Volume();
    return volume < 0 || volume > kMaxVolume ? 64 : volume;
}
bool TAppSettings::SetVolume(int volume) {
    return WriteInt("volume", volume);
}

int TAppSettings::MuteValue() const {
    return ReadInt("mute", 0);
}
bool TAppSettings::SetMute(bool mute) {
    return WriteInt("mute", mute ? 1 : 0);
}

int TAppSettings::Priority() const {
    return ReadInt("priority", 1);
}
bool TAppSettings::SetPriority(int priority) {
    return WriteInt("priority", priority);
}

std::string TAppSettings::SnapOutPutDir() const {
    return ini_.ReadString(kSettingsSection, "SnapOutPutDir", DefaultKestruneDir());
}
bool TAppSettings::SetSnapOutPutDir(const std::string& dir) {
    return ini_.WriteString(kSettingsSection, "SnapOutPutDir", dir);
}

int TAppSettings::SnapFullSizeValue() const {
    return ReadInt("snapFullSize", 1);
}
int TAppSettings::SnapSmallSizeValue() const {
    return ReadInt("snapSmallSize", 1);
}
int TAppSettings::SnapBmpValue() const {
    return ReadInt("snapBmp", 1);
}
int TAppSettings::SnapJpgValue() const {
    return ReadInt("snapJpg", 1);
}

// The switches are stored as 0 or 1; any other number counts as on, as a true value would.
bool TAppSettings::SnapFullSize() const {
    return SnapFullSizeValue() != 0;
}
bool TAppSettings::SetSnapFullSize(bool on) {
    return WriteInt("snapFullSize", on ? 1 : 0);
}
bool TAppSettings::SnapSmallSize() const {
    return SnapSmallSizeValue() != 0;
}
bool TAppSettings::SetSnapSmallSize(bool on) {
    return WriteInt("snapSmallSize", on ? 1 : 0);
}
bool TAppSettings::SnapBmp() const {
    return SnapBmpValue() != 0;
}
bool TAppSettings::SetSnapBmp(bool on) {
    return WriteInt("snapBmp", on ? 1 : 0);
}
bool TAppSettings::SnapJpg() const {
    return SnapJpgValue() != 0;
}
bool TAppSettings::SetSnapJpg(bool on) {
    return WriteInt("snapJpg", on ? 1 : 0);
}

int TAppSettings::JpgCmp() const {
    return ReadInt("jpgCmp", 30);
}
bool TAppSettings::SetJpgCmp(int quality) {
    return WriteInt("jpgCmp", quality);
}

} // namespace orvel
