#include "platform/volumes.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "platform/exception.h"
#include "platform/paths.h"
#include "support/testsupport.h"

namespace corvane {
namespace {

using test::TempDir;

TEST(UnescapeMountField, UndoesOctalAndHexEscapes) {
    const struct {
        const char* field;
        const char* plain;
    } cases[] = {
        {"/media/user/MY\\040STICK", "/media/user/MY STICK"},
        {"/mnt/tab\\011and\\012line", "/mnt/tab\tand\nline"},
        {"/mnt/back\\134slash", "/mnt/back\\slash"},
        {"My\\x20Disk", "My Disk"},
        {"/mnt/high\\377", "/mnt/high\xff"},
        {"/mnt/short\\04", "/mnt/short\\04"},
        {"/mnt/not\\999octal", "/mnt/not\\999octal"},
        {"/mnt/plain", "/mnt/plain"},
        {"", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(UnescapeMountField(c.field), c.plain) << c.field;
    }
}

TEST(ParseMountInfo, KeepsUserVolumesOnePerMountPoint) {
    const std::string text =
        "21 27 0:20 / /proc rw,relatime - proc proc rw\n"
        "22 27 0:21 / /sys rw,relatime - sysfs sysfs rw\n"
        "23 27 0:6 / /dev rw,relatime - devtmpfs devtmpfs rw,mode=755\n"
        "25 23 0:23 / /dev/shm rw,relatime - tmpfs tmpfs rw\n"
        "26 23 0:24 / /dev/pts rw,relatime - devpts devpts rw\n"
        "27 1 254:0 / / rw,relatime shared:1 - ext4 /dev/vda rw,discard\n"
        "31 22 0:28 / /sys/fs/cgroup rw,relatime - tmpfs tmpfs rw,mode=755\n"
        "41 31 0:38 / /sys/fs/cgroup/unified rw - cgroup2 cgroup2 rw\n"
        "50 27 0:40 / /run rw,nosuid shared:5 - tmpfs tmpfs rw\n"
        "51 50 0:41 / /run/user/1000 rw - tmpfs tmpfs rw\n"
        "52 50 8:33 / /run/media/ann/DISC ro - iso9660 /dev/sr0 ro\n"
        "53 27 0:42 / /tmp rw shared:9 master:2 - tmpfs tmpfs rw\n"
        "54 27 8:17 / /media/ann/MY\\040STICK rw - vfat /dev/sdb1 rw\n"
        "55 27 0:43 / /mnt/nas rw - nfs4 nas:/music rw\n"
        "56 27 7:1 / /snap/core/1 ro - squashfs /dev/loop1 ro\n"
        "57 27 0:44 / /proc/sys/fs/binfmt_misc rw - binfmt_misc binfmt_misc rw\n"
        "58 27 8:18 / /mnt/data rw - ext4 /dev/sdb2 rw\n"
        "59 27 8:19 / /mnt/data rw - xfs /dev/sdb3 rw\n"
        "60 27 0:45 / /home/ann/.cache/doc rw - fuse.portal portal rw\n"
        "not a mountinfo line\n"
        "61 27 8:20 / /mnt/broken rw ext4 /dev/sdb4 rw\n"
        "62 27 0:46 / relative rw - ext4 /dev/sdb5 rw\n";
    const std::vector<Volume> expected = {
        {"/", "/dev/vda", "ext4", ""},
        {"/media/ann/MY STICK", "/dev/sdb1", "vfat", ""},
        {"/mnt/data", "/dev/sdb3", "xfs", ""},
        {"/mnt/nas", "nas:/music", "nfs4", ""},
        {"/run/media/ann/DISC", "/dev/sr0", "iso9660", ""},
        {"/tmp", "tmpfs", "tmpfs", ""},
    };
    EXPECT_EQ(ParseMountInfo(text), expected);
}

TEST(ParseMountInfo, ContainerRootOverlayAndMissingRoot) {
    EXPECT_EQ(ParseMountInfo("300 250 0:50 / / rw - overlay overlay rw,lowerdir=/a\n"),
              (std::vector<Volume>{{"/", "overlay", "overlay", ""}}));
    EXPECT_EQ(ParseMountInfo("21 27 0:20 / /proc rw - proc proc rw\n"),
              (std::vector<Volume>{{"/", "", "", ""}}));
}

TEST(MountPointOf, LongestMountPointAtAComponentBoundary) {
    const std::vector<std::string> mounts = {"/", "/mnt/a", "/mnt/a/b", "/media/x y"};
    const struct {
        const char* path;
        const char* drive;
    } cases[] = {
        {"/mnt/a", "/mnt/a"},
        {"/mnt/ab", "/"},
        {"/mnt/a/", "/mnt/a"},
        {"/mnt/a/b/c", "/mnt/a/b"},
        {"/mnt/a/bc", "/mnt/a"},
        {"/mnt", "/"},
        {"/", "/"},
        {"/media/x y/z", "/media/x y"},
        {"/media/x", "/"},
        {"relative/mnt/a", ""},
        {"", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(MountPointOf(mounts, c.path), c.drive) << c.path;
    }
    EXPECT_EQ(MountPointOf({"/mnt/a"}, "/other"), "");
}

TEST(VolumeText, MountPointAndBracketedLabel) {
    EXPECT_EQ(VolumeText({"/media/ann/stick", "/dev/sdb1", "vfat", "MUSIC"}),
              "/media/ann/stick [MUSIC]");
    EXPECT_EQ(VolumeText({"/", "/dev/vda", "ext4", ""}), "/");
}

TEST(ReadMountedVolumes, LabelsFromLinksAndOnlyFolderMountPoints) {
    TempDir temp;
    namespace fs = std::filesystem;
    fs::create_directories(temp.Child("dev/disk/by-label"));
    test::WriteFile(temp.Child("dev/sdb1"), "");
    test::WriteFile(temp.Child("dev/sdc1"), "");
    fs::create_symlink("../../sdb1", temp.Child("dev/disk/by-label/MUSIC"));
    fs::create_symlink(temp.Child("dev/sdc1"), temp.Child("dev/disk/by-label/My\\x20Disk"));
    fs::create_directory(temp.Child("stick"));
    fs::create_directory(temp.Child("disk"));
    fs::create_directory(temp.Child("plain"));
    test::WriteFile(temp.Child("hosts"), "");
    const std::string text =
        "1 0 8:1 / / rw - ext4 /dev/root rw\n"
        "2 1 8:17 / " +
        temp.Child("stick") + " rw - vfat " + temp.Child("dev/sdb1") +
        " rw\n"
        "3 1 8:33 / " +
        temp.Child("disk") + " rw - ext4 " + temp.Child("dev/sdc1") +
        " rw\n"
        "4 1 8:49 / " +
        temp.Child("plain") + " rw - ext4 " + temp.Child("dev/none") +
        " rw\n"
        "5 1 8:1 /etc/hosts " +
        temp.Child("hosts") + " rw - ext4 /dev/root rw\n";
    test::WriteFile(temp.Child("mountinfo"), text);

    const std::vector<Volume> volumes =
        ReadMountedVolumes(temp.Child("mountinfo"), temp.Child("dev/disk/by-label"));
    ASSERT_EQ(volumes.size(), 4u);
    EXPECT_EQ(volumes[0].mountPoint, "/");
    EXPECT_EQ(VolumeText(volumes[1]), temp.Child("disk") + " [My Disk]");
    EXPECT_EQ(VolumeText(volumes[2]), temp.Child("plain"));
    EXPECT_EQ(VolumeText(volumes[3]), temp.Child("stick") + " [MUSIC]");
}

TEST(ReadMountedVolumes, ThisMachineHasARoot) {
    const std::vector<Volume> volumes = ReadMountedVolumes();
    ASSERT_FALSE(volumes.empty());
    EXPECT_EQ(volumes.front().mountPoint, "/");
    for (const Volume& volume : volumes) {
        EXPECT_TRUE(IsUserVolume(volume.fileSystem, volume.mountPoint)) << volume.mountPoint;
    }
}

class VolumeStateTest : public ::testing::Test {
protected:
    VolumeStateTest() {
        std::filesystem::create_directories(temp_.Child("vol/a/b"));
        std::filesystem::create_directories(temp_.Child("other"));
    }

    test::ScopedCurrentDirectory restore_;
    TempDir temp_;
};

TEST_F(VolumeStateTest, CurrentFolderIsTheLastEnteredOnEachVolume) {
    const std::string vol = temp_.Child("vol");
    VolumeState state({{"/", "", "ext4", ""}, {vol, "", "ext4", ""}});
    EXPECT_EQ(state.DriveOf(vol + "/a"), vol);
    EXPECT_EQ(state.DriveOf(temp_.Child("other")), "/");
    EXPECT_EQ(state.CurrentFolderOn(vol), vol);

    EXPECT_EQ(state.Enter(vol + "/a/b"), vol + "/a/b");
    EXPECT_EQ(CurrentDirectory(), vol + "/a/b");
    EXPECT_EQ(state.Enter(temp_.Child("other")), temp_.Child("other"));
    EXPECT_EQ(state.CurrentFolderOn(vol), vol + "/a/b");
    EXPECT_EQ(state.CurrentFolderOn("/"), temp_.Child("other"));
    EXPECT_EQ(state.Enter(vol + "/a/b/.."), vol + "/a");
    EXPECT_EQ(state.CurrentFolderOn(vol), vol + "/a");
}

TEST_F(VolumeStateTest, StartingFolderCountsAsEnteredOnItsVolume) {
    ASSERT_EQ(ChangeDirectory(temp_.Child("vol/a")), 0);
    const std::string vol = temp_.Child("vol");
    VolumeState state({{"/", "", "ext4", ""}, {vol, "", "ext4", ""}});
    EXPECT_EQ(state.CurrentFolderOn(vol), vol + "/a");
    EXPECT_EQ(state.CurrentFolderOn("/"), "/");
}

TEST_F(VolumeStateTest, FolderThatCannotBeEnteredLeavesTheCurrentDirectory) {
    test::WriteFile(temp_.Child("file.wav"), "");
    ASSERT_EQ(ChangeDirectory(temp_.Child("other")), 0);
    VolumeState state({{"/", "", "ext4", ""}});
    const struct {
        std::string path;
        const char* message;
    } cases[] = {
        {temp_.Child("missing"), "File not found"},
        {temp_.Child("file.wav"), "Invalid filename"},
        {temp_.Child("file.wav/below"), "Invalid filename"},
        {temp_.Child(std::string(300, 'x')), "Invalid filename"},
        {"", "File not found"},
    };
    for (const auto& c : cases) {
        try {
            state.Enter(c.path);
            ADD_FAILURE() << "entered " << c.path;
        } catch (const EInOutError& error) {
            EXPECT_EQ(error.Message(), c.message) << c.path;
        }
        EXPECT_EQ(CurrentDirectory(), temp_.Child("other"));
        EXPECT_EQ(state.CurrentFolderOn("/"), temp_.Child("other"));
    }
}

TEST_F(VolumeStateTest, OfferedWavFilesAreTakenOnceForTheirFolderWhileTheOfferStands) {
    VolumeState state({{"/", "", "ext4", ""}});
    {
        const auto offer = state.OfferWavFiles("/music", {"a.wav"});
        EXPECT_EQ(state.TakeWavFiles("/other"), std::nullopt);
        EXPECT_EQ(state.TakeWavFiles("/music"), (std::vector<std::string>{"a.wav"}));
        EXPECT_EQ(state.TakeWavFiles("/music"), std::nullopt);
    }
    { const auto offer = state.OfferWavFiles("/music", {"b.wav"}); }
    EXPECT_EQ(state.TakeWavFiles("/music"), std::nullopt);
}

}  // namespace
}  // namespace corvane
