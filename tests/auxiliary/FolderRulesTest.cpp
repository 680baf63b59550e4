#include "auxiliary/FolderRules.h"

#include <gtest/gtest.h>

using namespace orvel;

namespace {

constexpr const char* kMounts = "/dev/nvme0n1p2 / ext4 rw,relatime 0 0\n"
                                "proc /proc proc rw 0 0\n"
                                "/dev/sr0 /media/cdrom iso9660 ro 0 0\n"
                                "/dev/sdb1 /media/usb\\040stick vfat rw 0 0\n"
                                "/dev/loop3 /mnt/image udf ro 0 0\n"
                                "/dev/sr1 /mnt/disc2 auto ro 0 0\n"
                                "/dev/sdc1 /media/cdrom/over ext4 rw 0 0\n";

TEST(FolderRulesTest, OpticalDiscsAreFoundByTheMountThatHoldsTheFolder) {
    struct Case {
        const char* Path;
        bool Optical;
    };
    const Case cases[] = {
        {"/home/user/videos", false}, {"/media/cdrom", true},         {"/media/cdrom/VIDEO_TS", true},
        {"/media/cdromx", false},     {"/media/usb stick/a", false},  {"/mnt/image/x", true},
        {"/mnt/disc2", true},         {"/media/cdrom/over/x", false}, {"/media/cdrom/../usb stick", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsOnOpticalDisc(c.Path, kMounts), c.Optical) << c.Path;
    EXPECT_FALSE(IsOnOpticalDisc("/anything", ""));
}

TEST(FolderRulesTest, PseudoFileSystemsCannotHoldOutput) {
    for (const char* p : {"/proc", "/proc/1", "/sys/class", "/dev", "/run/user/1000", "/dev/../proc"})
        EXPECT_TRUE(IsPseudoFileSystemFolder(p)) << p;
    for (const char* p : {"/", "/home", "/devices", "/srv/run", "/tmp"})
        EXPECT_FALSE(IsPseudoFileSystemFolder(p)) << p;
}

} // namespace
