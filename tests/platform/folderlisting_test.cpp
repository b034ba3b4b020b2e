#include "platform/folderlisting.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "platform/directorylistbox.h"
#include "support/testsupport.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;
using test::TempDir;
using test::WriteFile;

TEST(ListOrder, LetterCaseIgnoredThenRawBytes) {
    const std::vector<std::string> sorted = {"",
                                             "10.wav",
                                             "9.wav",
                                             "Alpha",
                                             "alpha",
                                             "alpha2",
                                             "B.wav",
                                             "b.wav",
                                             "beta",
                                             "Gamma",
                                             "take.WAV",
                                             "take.wav",
                                             "Take2.wav",
                                             "zeta",
                                             "\x7f",
                                             "\xc3\x89t\xc3\xa9.wav",
                                             "\xff\xfe.wav"};
    // Underscore sits between the upper- and lower-case ASCII letters; folding to
    // lower case puts it before every letter.
    EXPECT_LT(CompareListOrder("_x", "alpha"), 0);
    EXPECT_LT(CompareListOrder("_x", "Alpha"), 0);
    for (size_t i = 0; i < sorted.size(); ++i) {
        for (size_t j = 0; j < sorted.size(); ++j) {
            const int order = CompareListOrder(sorted[i], sorted[j]);
            EXPECT_EQ(order < 0, i < j) << sorted[i] << " / " << sorted[j];
            EXPECT_EQ(order == 0, i == j) << sorted[i] << " / " << sorted[j];
        }
    }
}

TEST(MatchesWavMask, ExtensionWithLetterCaseIgnored) {
    const struct {
        const char* name;
        bool matches;
    } cases[] = {
        {"a.wav", true},   {"B.WAV", true},        {"c.Wav", true}, {".wav", true},
        {"x.wave", false}, {"x.wav.bak", false},   {"wav", false},  {"xwav", false},
        {"x.wa", false},   {"\xff\xfe.wav", true}, {"", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(MatchesWavMask(c.name), c.matches) << c.name;
    }
}

TEST(WithoutTrailingSeparator, DropsSeparatorsButKeepsTheRoot) {
    EXPECT_EQ(WithoutTrailingSeparator("/music/wav/"), "/music/wav");
    EXPECT_EQ(WithoutTrailingSeparator("/music/wav//"), "/music/wav");
    EXPECT_EQ(WithoutTrailingSeparator("/music"), "/music");
    EXPECT_EQ(WithoutTrailingSeparator("/"), "/");
    EXPECT_EQ(WithoutTrailingSeparator("//"), "/");
    EXPECT_EQ(ChildPath("/", "music"), "/music");
    EXPECT_EQ(ChildPath("/music", "wav"), "/music/wav");
}

TEST(ReadWavFiles, MatchingRegularFilesAndLinksToThem) {
    TempDir temp;
    for (const char* name : {"a.wav", "B.WAV", "c.Wav", "x.wave", "x.wav.bak", ".hidden.wav",
                             "notes.txt", "\xff\xfe.wav"}) {
        WriteFile(temp.Child(name), "");
    }
    fs::create_directory(temp.Child("folder.wav"));
    fs::create_directory(temp.Child(".hiddendir"));
    WriteFile(temp.Child(".hiddendir/inside.wav"), "");
    fs::create_symlink("a.wav", temp.Child("link.wav"));
    fs::create_symlink("missing.wav", temp.Child("broken.wav"));
    fs::create_symlink("folder.wav", temp.Child("linkdir.wav"));

    EXPECT_EQ(ReadWavFiles(temp.Path()),
              (std::vector<std::string>{"a.wav", "B.WAV", "c.Wav", "link.wav", "\xff\xfe.wav"}));
    EXPECT_TRUE(ReadWavFiles(temp.Child("missing")).empty());
}

TEST(ReadSubfolders, VisibleFoldersInListOrder) {
    TempDir temp;
    for (const char* name : {"beta", "Alpha", "alpha", "Gamma", "_x", "Zeta", ".hidden"}) {
        fs::create_directory(temp.Child(name));
    }
    WriteFile(temp.Child("file"), "");
    fs::create_symlink("beta", temp.Child("link"));
    fs::create_symlink("missing", temp.Child("broken"));
    EXPECT_EQ(ReadSubfolders(temp.Path()),
              (std::vector<std::string>{"_x", "Alpha", "alpha", "beta", "Gamma", "link", "Zeta"}));
}

TEST(FolderListEntries, FromTheVolumeRootDownThenSubfolders) {
    using Kind = FolderEntry::Kind;
    EXPECT_EQ(FolderListEntries("/", "/home/ann", {"a", "b"}),
              (std::vector<FolderEntry>{{"/", "/", 0, Kind::Path},
                                        {"/home", "home", 1, Kind::Path},
                                        {"/home/ann", "ann", 2, Kind::Current},
                                        {"/home/ann/a", "a", 3, Kind::Subfolder},
                                        {"/home/ann/b", "b", 3, Kind::Subfolder}}));
    EXPECT_EQ(FolderListEntries("/media/x y", "/media/x y/wav", {}),
              (std::vector<FolderEntry>{{"/media/x y", "/media/x y", 0, Kind::Path},
                                        {"/media/x y/wav", "wav", 1, Kind::Current}}));
    EXPECT_EQ(FolderListEntries("/", "/", {"home"}),
              (std::vector<FolderEntry>{{"/", "/", 0, Kind::Current},
                                        {"/home", "home", 1, Kind::Subfolder}}));
    EXPECT_EQ(FolderListEntries("/mnt/a", "/mnt/a", {}),
              (std::vector<FolderEntry>{{"/mnt/a", "/mnt/a", 0, Kind::Current}}));
    EXPECT_TRUE(FolderListEntries("/", "", {}).empty());
}

}  // namespace
}  // namespace corvane
