#include "platform/registry.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <functional>

#include "platform/storefile.h"
#include "support/testsupport.h"

namespace fs = std::filesystem;

namespace corvane {
namespace {

using test::DwordData;
using test::StoreFile;
using test::SzData;

// What an operation raised: "" when nothing, else the class and the message.
std::string Raised(const std::function<void()>& operation) {
    try {
        operation();
    } catch (const EStoreError& error) {
        return "EStoreError: " + error.Message();
    } catch (const ERegistryWriteError& error) {
        return "ERegistryWriteError: " + error.Message();
    } catch (const ERegistryException& error) {
        return "ERegistryException: " + error.Message();
    }
    return "";
}

class RegistryTest : public ::testing::Test {
protected:
    std::string Folder() const { return dir_.Child("corvane"); }
    std::string StorePath() const { return Folder() + "/registry.sqlite3"; }

    // A store holding the key "K", open in `registry_`, with one raw value "V".
    void PrepareValue(int type, const std::string& data) {
        registry_.CreateKey("\\K");
        ASSERT_TRUE(registry_.OpenKey("\\K"));
        StoreFile(StorePath()).Put("K", "V", type, data);
    }

    test::TempDir dir_;
    TRegistry registry_{StorePath()};
};

TEST_F(RegistryTest, NothingIsCreatedBeforeTheFirstKey) {
    EXPECT_FALSE(registry_.KeyExists("\\Software\\Corvane"));
    EXPECT_FALSE(registry_.OpenKey("\\Software\\Corvane"));
    EXPECT_EQ(registry_.ReadString("Bitrate"), "");
    EXPECT_EQ(Raised([&] { registry_.ReadInteger("Encoder"); }),
              "ERegistryException: Failed to get data for 'Encoder'");
    EXPECT_EQ(Raised([&] { registry_.WriteString("Bitrate", "x"); }),
              "ERegistryWriteError: Failed to set data for 'Bitrate'");
    EXPECT_FALSE(fs::exists(Folder()));

    registry_.CreateKey("\\Software\\Corvane");
    EXPECT_FALSE(registry_.CurrentKey().has_value());
    EXPECT_TRUE(registry_.KeyExists("\\Software\\Corvane"));
    EXPECT_TRUE(registry_.KeyExists("\\Software"));

    StoreFile store(StorePath());
    EXPECT_EQ(store.Column0("SELECT path FROM keys ORDER BY path"), "Software,Software\\Corvane");
    EXPECT_EQ(store.Column0("SELECT sql FROM sqlite_master WHERE type = 'table' ORDER BY name"),
              "CREATE TABLE keys   (path TEXT PRIMARY KEY COLLATE NOCASE),"
              "CREATE TABLE \"values\" (key  TEXT NOT NULL COLLATE NOCASE,\n"
              "                                     name TEXT NOT NULL COLLATE NOCASE,\n"
              "                                     type INTEGER NOT NULL,\n"
              "                                     data BLOB NOT NULL,\n"
              "                                     PRIMARY KEY (key, name))");
}

TEST_F(RegistryTest, DefaultStorePathFollowsTheEnvironment) {
    const struct {
        const char* configHome;  // nullptr: unset
        std::string expected;
    } cases[] = {
        {"/cfg", "/cfg/corvane/registry.sqlite3"},
        {"/cfg/", "/cfg/corvane/registry.sqlite3"},
        {"", test::TestHome() + "/.config/corvane/registry.sqlite3"},
        {nullptr, test::TestHome() + "/.config/corvane/registry.sqlite3"},
        {"relative/cfg", test::TestHome() + "/.config/corvane/registry.sqlite3"},
    };
    for (const auto& c : cases) {
        if (c.configHome == nullptr) {
            ::unsetenv("XDG_CONFIG_HOME");
        } else {
            ::setenv("XDG_CONFIG_HOME", c.configHome, 1);
        }
        EXPECT_EQ(DefaultStorePath(), c.expected) << (c.configHome ? c.configHome : "unset");
        EXPECT_EQ(TRegistry().StorePath(), c.expected);
    }
}

TEST_F(RegistryTest, WritesStoreTheRegistrysBytes) {
    registry_.CreateKey("\\Software\\Corvane");
    ASSERT_TRUE(registry_.OpenKey("\\Software\\Corvane"));
    registry_.WriteString("Text", "128000 ");
    registry_.WriteString("Empty", "");
    registry_.WriteInteger("Minus", -1);
    registry_.WriteInteger("Big", 0x12345678);
    registry_.WriteBool("Yes", true);
    registry_.WriteBool("No", false);

    StoreFile store(StorePath());
    const std::string key = "Software\\Corvane";
    EXPECT_EQ(store.Get(key, "Text"), (StoreFile::Value{1, SzData("128000 ")}));
    EXPECT_EQ(store.Get(key, "Empty"), (StoreFile::Value{1, std::string(1, '\0')}));
    EXPECT_EQ(store.Get(key, "Minus"), (StoreFile::Value{4, "\xFF\xFF\xFF\xFF"}));
    EXPECT_EQ(store.Get(key, "Big"), (StoreFile::Value{4, "\x78\x56\x34\x12"}));
    EXPECT_EQ(store.Get(key, "Yes"), (StoreFile::Value{4, DwordData(1)}));
    EXPECT_EQ(store.Get(key, "No"), (StoreFile::Value{4, DwordData(0)}));

    EXPECT_EQ(registry_.ReadString("Text"), "128000 ");
    EXPECT_EQ(registry_.ReadInteger("Minus"), -1);
    EXPECT_EQ(registry_.ReadInteger("Big"), 0x12345678);
    EXPECT_TRUE(registry_.ReadBool("Yes"));
    EXPECT_FALSE(registry_.ReadBool("No"));

    registry_.WriteInteger("Text", 7);
    EXPECT_EQ(store.Get(key, "Text"), (StoreFile::Value{4, DwordData(7)}));
}

TEST_F(RegistryTest, TextReadingRules) {
    const struct {
        int type;
        std::string data;
        std::string result;
    } cases[] = {
        {1, SzData("abc"), "abc"},
        {2, SzData("%HOME%/x"), "%HOME%/x"},
        {1, std::string("ab\0cd\0", 6), "ab"},
        {1, "no zero byte", "no zero byte"},
        {1, "", ""},
        {3, "", ""},
        {1, std::string(1, '\0'), ""},
        {3, "x", "ERegistryException: Invalid data type for 'V'"},
        {4, DwordData(5), "ERegistryException: Invalid data type for 'V'"},
        {7, SzData("multi"), "ERegistryException: Invalid data type for 'V'"},
    };
    for (const auto& c : cases) {
        PrepareValue(c.type, c.data);
        std::string result;
        const std::string raised = Raised([&] { result = registry_.ReadString("V"); });
        EXPECT_EQ(raised.empty() ? result : raised, c.result) << c.type << " " << c.data;
    }
    StoreFile(StorePath()).Delete("K", "V");
    EXPECT_EQ(registry_.ReadString("V"), "");
}

TEST_F(RegistryTest, IntegerReadingRules) {
    const std::string failed = "ERegistryException: Failed to get data for 'V'";
    const std::string invalid = "ERegistryException: Invalid data type for 'V'";
    const struct {
        int type;
        std::string data;
        std::string result;
    } cases[] = {
        {4, DwordData(7), "7"},
        {4, DwordData(0xFFFFFFFF), "-1"},
        {4, DwordData(0x80000000), "-2147483648"},
        {4, "\x05", "5"},
        {4, "", "0"},
        {4, DwordData(1) + DwordData(0), failed},
        {1, SzData("1"), invalid},
        {1, SzData("abc"), invalid},
        {1, SzData("Tavrin"), failed},
        {2, SzData("7"), invalid},
        {3, DwordData(7), invalid},
        {3, "12345", failed},
    };
    for (const auto& c : cases) {
        PrepareValue(c.type, c.data);
        std::string result;
        const std::string raised =
            Raised([&] { result = std::to_string(registry_.ReadInteger("V")); });
        EXPECT_EQ(raised.empty() ? result : raised, c.result) << c.type << " " << c.data.size();
    }
    StoreFile(StorePath()).Delete("K", "V");
    EXPECT_EQ(Raised([&] { registry_.ReadInteger("V"); }), failed);
    EXPECT_EQ(Raised([&] { registry_.ReadBool("V"); }), failed);
}

TEST_F(RegistryTest, BooleansAreTickedWhenNonzero) {
    const struct {
        uint32_t stored;
        bool ticked;
    } cases[] = {{0, false}, {1, true}, {5, true}, {0x80000000, true}, {0xFFFFFFFF, true}};
    for (const auto& c : cases) {
        PrepareValue(4, DwordData(c.stored));
        EXPECT_EQ(registry_.ReadBool("V"), c.ticked) << c.stored;
    }
    PrepareValue(1, SzData("1"));
    EXPECT_EQ(Raised([&] { registry_.ReadBool("V"); }),
              "ERegistryException: Invalid data type for 'V'");
}

TEST_F(RegistryTest, KeyPathsAndValueNamesIgnoreCase) {
    registry_.CreateKey("\\Software\\Corvane");
    registry_.CreateKey("\\SOFTWARE\\corvane\\Sub");
    ASSERT_TRUE(registry_.OpenKey("\\software\\CORVANE"));
    EXPECT_EQ(registry_.CurrentKey(), "Software\\Corvane");

    StoreFile store(StorePath());
    EXPECT_EQ(store.Column0("SELECT path FROM keys ORDER BY path"),
              "Software,Software\\Corvane,Software\\Corvane\\Sub");

    store.Put("Software\\Corvane", "Bitrate", 1, SzData("old"));
    registry_.WriteString("BITRATE", "new");
    EXPECT_EQ(store.Names("Software\\Corvane"), "Bitrate");
    EXPECT_EQ(registry_.ReadString("bitrate"), "new");
}

TEST_F(RegistryTest, RelativePathsStartAtTheCurrentKey) {
    registry_.CreateKey("\\Software");
    registry_.CreateKey("Top");
    EXPECT_TRUE(registry_.KeyExists("\\Top"));

    ASSERT_TRUE(registry_.OpenKey("\\Software"));
    registry_.CreateKey("Corvane");
    EXPECT_EQ(registry_.CurrentKey(), "Software");
    EXPECT_TRUE(registry_.KeyExists("\\Software\\Corvane"));
    EXPECT_FALSE(registry_.KeyExists("\\Corvane"));
    EXPECT_FALSE(registry_.KeyExists("Top"));
    EXPECT_TRUE(registry_.KeyExists("\\Top"));

    ASSERT_TRUE(registry_.OpenKey("Corvane"));
    EXPECT_EQ(registry_.CurrentKey(), "Software\\Corvane");

    EXPECT_FALSE(registry_.OpenKey("\\Missing"));
    EXPECT_EQ(registry_.CurrentKey(), "Software\\Corvane");
    ASSERT_TRUE(registry_.OpenKey("\\Made\\Here", true));
    EXPECT_EQ(registry_.CurrentKey(), "Made\\Here");

    registry_.CloseKey();
    EXPECT_FALSE(registry_.CurrentKey().has_value());
    EXPECT_TRUE(registry_.KeyExists("Software\\Corvane"));
    EXPECT_EQ(Raised([&] { registry_.WriteInteger("Encoder", 1); }),
              "ERegistryWriteError: Failed to set data for 'Encoder'");
}

TEST_F(RegistryTest, AFolderThatCannotBeMadeFailsToCreateTheKey) {
    test::WriteFile(Folder(), "a file where the store's folder belongs");
    try {
        registry_.CreateKey("\\Software\\Corvane");
        FAIL() << "CreateKey succeeded";
    } catch (const ERegistryWriteError& error) {
        EXPECT_EQ(error.Message(), "Failed to create key \\Software\\Corvane");
        EXPECT_NE(error.Detail().find(Folder()), std::string::npos) << error.Detail();
    }
    EXPECT_FALSE(registry_.KeyExists("\\Software\\Corvane"));
    EXPECT_FALSE(registry_.OpenKey("\\Software\\Corvane", true));
}

// Observations of a store that cannot be written, taken in a child process;
// "named" when the refusal's detail names `culprit`.
std::string UnwritableObservations(const std::string& storePath, const std::string& culprit) {
    TRegistry registry(storePath);
    std::string seen = "exists=" + std::to_string(registry.KeyExists("\\Software\\Corvane"));
    seen += " open=" + std::to_string(registry.OpenKey("\\Software\\Corvane"));
    seen += " openCreating=" + std::to_string(registry.OpenKey("\\Software\\Corvane", true));
    try {
        registry.CreateKey("\\Software\\Corvane");
        seen += " created";
    } catch (const ERegistryWriteError& error) {
        seen += " [" + error.Message() + "]";
        seen += error.Detail().find(culprit) != std::string::npos ? " named" : " unnamed";
    }
    return seen;
}

TEST_F(RegistryTest, AStoreThatCannotBeWrittenHasNoKeys) {
    const std::string refused =
        "exists=0 open=0 openCreating=0 [Failed to create key \\Software\\Corvane] named";
    const struct {
        const char* what;
        mode_t fileMode;
        mode_t folderMode;
    } cases[] = {{"read-only file", 0444, 0755}, {"read-only folder", 0644, 0555}};
    for (const auto& c : cases) {
        {
            TRegistry setup(StorePath());
            setup.CreateKey("\\Software\\Corvane");
            ASSERT_TRUE(setup.OpenKey("\\Software\\Corvane"));
            setup.WriteString("Bitrate", "128000 ");
        }
        const std::string before = test::ReadFile(StorePath());
        ::chmod(StorePath().c_str(), c.fileMode);
        ::chmod(Folder().c_str(), c.folderMode);

        EXPECT_EQ(test::RunInChild([&] { return UnwritableObservations(StorePath(), StorePath()); },
                                   dir_.Path()),
                  refused)
            << c.what;
        EXPECT_EQ(test::ReadFile(StorePath()), before) << c.what;
        EXPECT_FALSE(fs::exists(StorePath() + "-journal")) << c.what;

        ::chmod(Folder().c_str(), 0755);
        fs::remove(StorePath());
    }
}

TEST_F(RegistryTest, NoStoreUnderAReadOnlyConfigFolder) {
    ::chmod(dir_.Path().c_str(), 0555);
    EXPECT_EQ(test::RunInChild([&] { return UnwritableObservations(StorePath(), Folder()); },
                               dir_.Path()),
              "exists=0 open=0 openCreating=0 [Failed to create key \\Software\\Corvane] named");
    EXPECT_FALSE(fs::exists(Folder()));
}

TEST_F(RegistryTest, ADamagedStoreIsReportedAndLeftAsItIs) {
    std::string wholeStore;
    {
        TRegistry setup(StorePath());
        setup.CreateKey("\\Software\\Corvane");
        ASSERT_TRUE(setup.OpenKey("\\Software\\Corvane"));
        setup.WriteString("Bitrate", std::string(3000, 'b'));
    }
    wholeStore = test::ReadFile(StorePath());
    ASSERT_GT(wholeStore.size(), 8192u);

    const struct {
        const char* what;
        std::string content;
    } cases[] = {
        {"text", std::string(5000, 'x')},
        {"first page only", wholeStore.substr(0, 4096)},
        {"tables zeroed", wholeStore.substr(0, 4096) + std::string(wholeStore.size() - 4096, '\0')},
    };
    for (const auto& c : cases) {
        test::WriteFile(StorePath(), c.content);
        TRegistry registry(StorePath());
        const std::string damaged =
            "EStoreError: The settings store " + StorePath() + " is damaged or not a database: ";
        const std::string raised = Raised([&] { registry.KeyExists("\\Software\\Corvane"); });
        EXPECT_EQ(raised.substr(0, damaged.size()), damaged) << c.what << ": " << raised;
        EXPECT_EQ(Raised([&] { registry.CreateKey("\\Software\\Corvane"); }).substr(0, 13),
                  "EStoreError: ")
            << c.what;
        EXPECT_EQ(Raised([&] { registry.OpenKey("\\Software\\Corvane", true); }).substr(0, 13),
                  "EStoreError: ")
            << c.what;
        EXPECT_EQ(test::ReadFile(StorePath()), c.content) << c.what;
    }
}

TEST_F(RegistryTest, AFolderInPlaceOfTheStoreFileIsReported) {
    fs::create_directories(StorePath());
    EXPECT_EQ(Raised([&] { registry_.KeyExists("\\Software\\Corvane"); }),
              "EStoreError: The settings store " + StorePath() +
                  " is damaged or not a database: it is not a file");
    EXPECT_TRUE(fs::is_directory(StorePath()));
}

TEST_F(RegistryTest, AFullDiskRefusesTheWriteAndKeepsTheStoredValue) {
    {
        TRegistry setup(StorePath());
        setup.CreateKey("\\Software\\Corvane");
        ASSERT_TRUE(setup.OpenKey("\\Software\\Corvane"));
        setup.WriteString("Bitrate", "128000 ");
    }
    const std::string seen = test::RunInChild([&] {
        TRegistry registry(StorePath());
        if (!registry.OpenKey("\\Software\\Corvane")) {
            return std::string("not opened");
        }
        // No file may grow: the write's journal and pages cannot be written.
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{0, 0};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        try {
            registry.WriteString("Bitrate", "320000 ");
        } catch (const ERegistryWriteError& error) {
            return error.Message() + " | " + error.Detail();
        }
        return std::string("written");
    });
    const std::string expected = "Failed to set data for 'Bitrate' | The settings store " +
                                 StorePath() + " cannot be written: ";
    EXPECT_EQ(seen.substr(0, expected.size()), expected) << seen;

    StoreFile store(StorePath());
    EXPECT_EQ(store.Column0("PRAGMA integrity_check"), "ok");
    EXPECT_EQ(store.Get("Software\\Corvane", "Bitrate"), (StoreFile::Value{1, SzData("128000 ")}));
}

TEST_F(RegistryTest, TheSqliteProgramReadsTheStore) {
    registry_.CreateKey("\\Software\\Corvane");
    ASSERT_TRUE(registry_.OpenKey("\\Software\\Corvane"));
    registry_.WriteString("Bitrate", "128000 ");
    registry_.WriteInteger("Encoder", -1);
    registry_.CloseKey();

    const std::string output = dir_.Child("sqlite3.out");
    const std::string command = "sqlite3 '" + StorePath() +
                                "' \"select key, name, type, hex(data) from \\\"values\\\" "
                                "order by name\" > '" +
                                output + "' 2>&1";
    if (std::system("command -v sqlite3 > /dev/null") != 0) {
        GTEST_SKIP() << "the sqlite3 program is not installed";
    }
    ASSERT_EQ(std::system(command.c_str()), 0) << test::ReadFile(output);
    EXPECT_EQ(test::ReadFile(output),
              "Software\\Corvane|Bitrate|1|3132383030302000\n"
              "Software\\Corvane|Encoder|4|FFFFFFFF\n");
}

}  // namespace
}  // namespace corvane
