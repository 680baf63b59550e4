#pragma once
// Typed access to section "settings" of the settings file. Each read opens and closes the
// file, so every reader sees the latest write. Some keys fall back to different defaults for
// different readers; those have one read per reader.
#include "app/store/IniFile.h"

#include <string>

namespace orvel {

inline constexpr const char* kSettingsSection = "settings";
inline constexpr int kSkinCount = 7;
inline constexpr int kMaxVolume = 128;

class TAppSettings {
public:
    explicit TAppSettings(std::string settingsIniPath) : ini_(std::move(settingsIniPath)) {}
    // The file of the current global object.
    static TAppSettings Current();

    TIniFile& Ini() { return ini_; }
    // Every setter answers false when the file could not be written.

    // "OutPutDir": output folder for converted files.
    std::string OutPutDir() const;
    bool SetOutPutDir(const std::string& dir);

    // "FormatCode": current output format.
    std::string FormatCodeAtShow() const; // main window show: "1"
    int FormatCodeForJobs() const;        // adding files, starting a conversion: 1
    int FormatCodeForCatalog() const;     // opening the format catalog: 0
    bool SetFormatCode(int code);

    // "FormatName": display name of the current output format.
    std::string FormatNameAtShow() const;     // "iPod Video MPEG-4"
    std::string FormatNameForCatalog() const; // "Apple iPod Video MPEG-4 Movie (*.mp4)"
    bool SetFormatName(const std::string& name);

    int OutPutFormat() const; // item of a hidden list; no other effect

    // "skinIndex": colour scheme.
    int SkinIndexAtStart() const; // 0
    int SkinIndexForMenu() const; // 1, only for the menu's check mark
    bool SetSkinIndex(int index);

    // "volume": the stored value, and what the volume slider shows (64 for a value outside
    // 0..128; the stored value stays until the slider writes a new one).
    int Volume() const;
    int VolumeForSlider() const;
    bool SetVolume(int volume);

    // "mute": 1 checks the mute box, 0 unchecks it. Other values leave the box as it is.
    int MuteValue() const;
    bool Mute() const { return MuteValue() == 1; }
    bool SetMute(bool mute);

    // "priority": 0 Idle, 1 Normal, 2 Lower, 3 Lowest.
    int Priority() const;
    bool SetPriority(int priority);

    // Snapshot folder and switches.
    std::string SnapOutPutDir() const;
    bool SetSnapOutPutDir(const std::string& dir);
    // The stored numbers of the four switches: the preferences window checks a box only for 1.
    int SnapFullSizeValue() const;
    int SnapSmallSizeValue() const;
    int SnapBmpValue() const;
    int SnapJpgValue() const;
    bool SnapFullSize() const;
    bool SetSnapFullSize(bool on);
    bool SnapSmallSize() const;
    bool SetSnapSmallSize(bool on);
    bool SnapBmp() const;
    bool SetSnapBmp(bool on);
    bool SnapJpg() const;
    bool SetSnapJpg(bool on);
    int JpgCmp() const; // JPEG quality of snapshots
    bool SetJpgCmp(int quality);

private:
    int ReadInt(const char* key, int def) const;
    bool WriteInt(const char* key, int value);

    TIniFile ini_;
};

} // namespace orvel
