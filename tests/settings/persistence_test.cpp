#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <vector>

#include "platform/storefile.h"
#include "settings/aacconfig.h"
#include "settings/recordingdoubles.h"
#include "support/testsupport.h"

namespace fs = std::filesystem;

namespace corvane {
namespace {

using test::DwordData;
using test::RecordingControls;
using test::StoreFile;
using test::SzData;
using Value = StoreFile::Value;

constexpr const char* kExecutable = "/opt/corvane/bin/corvane";
const std::string kKey = "Software\\Corvane";
const std::string kAllNames =
    "BeepDone,Bitrate,BitrateIndex,Encoder,HomeBoyDir,LastDir,Minimize,OutputDir,Priority,"
    "PriorityIndex,QuartexDir,Visibility";
const std::vector<std::string> kAllControls = {"HomeDir",       "QuarDir",   "OutputDir",
                                               "CheckMinimize", "CheckBeep", "CheckHideEnc"};

class PersistenceTest : public ::testing::Test {
protected:
    std::string ConfigFolder() const { return dir_.Child("corvane"); }
    std::string StorePath() const { return ConfigFolder() + "/registry.sqlite3"; }

    std::unique_ptr<TAacCfg> Start(RecordingControls& controls) {
        return std::make_unique<TAacCfg>(controls, display_,
                                         std::make_unique<TRegistry>(StorePath()), kExecutable);
    }

    // The message of what the constructor raised, or "" when a record came into being.
    std::string StartFails(RecordingControls& controls) {
        try {
            Start(controls);
        } catch (const Exception& error) {
            return error.Message();
        }
        return "";
    }

    void FirstStart() {
        RecordingControls controls;
        Start(controls);
    }

    Value Stored(const std::string& name) {
        return StoreFile(StorePath()).Get(kKey, name).value_or(Value{-1, "missing"});
    }

    test::TempDir dir_;
    test::RecordingErrorDisplay display_;
};

void ExpectFirstRunFields(const TAacCfg& cfg) {
    EXPECT_EQ(cfg.BitrateIndex, 8);
    EXPECT_EQ(cfg.PriorityIndex, 1);
    EXPECT_EQ(cfg.Bitrate, "128000 ");
    EXPECT_EQ(cfg.Priority, 32);
    EXPECT_EQ(cfg.Encoder, 1);
    EXPECT_EQ(cfg.LastDir, "/opt/corvane/bin/");
    EXPECT_FALSE(cfg.AbortRequested);
}

TEST_F(PersistenceTest, FirstStartStoresTheTwelveDefaults) {
    RecordingControls controls;
    const auto cfg = Start(controls);
    ExpectFirstRunFields(*cfg);
    EXPECT_TRUE(display_.shown.empty());
    EXPECT_TRUE(controls.changes.empty());
    EXPECT_FALSE(cfg->Registry->CurrentKey().has_value());

    const struct {
        const char* name;
        Value value;
    } expected[] = {
        {"Bitrate", {1, SzData("128000 ")}},   {"LastDir", {1, SzData("/opt/corvane/bin/")}},
        {"HomeBoyDir", {1, SzData("None")}},   {"QuartexDir", {1, SzData("None")}},
        {"OutputDir", {1, SzData("Default")}}, {"Encoder", {4, DwordData(1)}},
        {"Priority", {4, DwordData(32)}},      {"Minimize", {4, DwordData(0)}},
        {"BeepDone", {4, DwordData(1)}},       {"Visibility", {4, DwordData(1)}},
        {"BitrateIndex", {4, DwordData(8)}},   {"PriorityIndex", {4, DwordData(1)}},
    };
    for (const auto& e : expected) {
        EXPECT_EQ(Stored(e.name), e.value) << e.name;
    }
    StoreFile store(StorePath());
    EXPECT_EQ(store.Names(kKey), kAllNames);
    EXPECT_EQ(store.Column0("SELECT path FROM keys ORDER BY path"), "Software,Software\\Corvane");
}

TEST_F(PersistenceTest, SecondStartLoadsWhatTheFirstStored) {
    FirstStart();
    RecordingControls controls;
    controls.homeDir = controls.quarDir = controls.outputDir = "changed";
    controls.minimize = true;
    controls.beep = controls.hideEnc = false;

    const auto cfg = Start(controls);
    ExpectFirstRunFields(*cfg);
    EXPECT_TRUE(display_.shown.empty());
    EXPECT_EQ(controls.changes, kAllControls);
    EXPECT_EQ(controls.homeDir, "None");
    EXPECT_EQ(controls.quarDir, "None");
    EXPECT_EQ(controls.outputDir, "Default");
    EXPECT_FALSE(controls.minimize);
    EXPECT_TRUE(controls.beep);
    EXPECT_TRUE(controls.hideEnc);
    EXPECT_EQ(cfg->Registry->CurrentKey(), kKey);
    EXPECT_EQ(cfg->Load(), 0);
}

TEST_F(PersistenceTest, StoredValuesAreTakenAsTheyAre) {
    FirstStart();
    {
        StoreFile store(StorePath());
        store.Put(kKey, "Encoder", 4, DwordData(0));
        store.Put(kKey, "Priority", 4, DwordData(128));
        store.Put(kKey, "PriorityIndex", 4, DwordData(1));
        store.Put(kKey, "BitrateIndex", 4, DwordData(77));
        store.Put(kKey, "Bitrate", 1, SzData("128000  "));
        store.Put(kKey, "LastDir", 1, SzData("/music"));
    }
    RecordingControls controls;
    const auto cfg = Start(controls);
    EXPECT_EQ(cfg->Encoder, 0);
    EXPECT_EQ(cfg->Priority, 128);
    EXPECT_EQ(cfg->PriorityIndex, 1);
    EXPECT_EQ(cfg->BitrateIndex, 77);
    EXPECT_EQ(cfg->Bitrate, "128000  ");
    EXPECT_EQ(cfg->LastDir, "/music");
    EXPECT_FALSE(cfg->AbortRequested);
    EXPECT_EQ(Stored("Encoder"), (Value{4, DwordData(0)}));

    cfg->Save();
    EXPECT_EQ(Stored("Bitrate"), (Value{1, SzData("128000  ")}));
    EXPECT_EQ(Stored("BitrateIndex"), (Value{4, DwordData(77)}));
}

TEST_F(PersistenceTest, AMissingLastDirLoadsAsEmptyText) {
    FirstStart();
    StoreFile(StorePath()).Delete(kKey, "LastDir");
    RecordingControls controls;
    const auto cfg = Start(controls);
    EXPECT_EQ(cfg->LastDir, "");
    EXPECT_EQ(cfg->PriorityIndex, 1);
    EXPECT_TRUE(display_.shown.empty());
    EXPECT_EQ(controls.changes, kAllControls);
}

TEST_F(PersistenceTest, ADamagedValueStopsLoadingThere) {
    FirstStart();
    // `applied`: how many of the six controls were set before the failing value.
    const struct {
        const char* name;
        int type;  // 0: the value is deleted
        std::string data;
        std::string message;
        size_t applied;
        int32_t encoderAfter;
    } cases[] = {
        {"Encoder", 0, "", "Failed to get data for 'Encoder'", 3, 77},
        {"Encoder", 1, SzData("1"), "Invalid data type for 'Encoder'", 3, 77},
        {"Encoder", 1, SzData("Tavrin/Quartex"), "Failed to get data for 'Encoder'", 3, 77},
        {"QuartexDir", 4, DwordData(3), "Invalid data type for 'QuartexDir'", 1, 77},
        {"BeepDone", 0, "", "Failed to get data for 'BeepDone'", 4, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        {
            StoreFile store(StorePath());
            store.Put(kKey, "Bitrate", 1, SzData("192000 "));
            store.Put(kKey, "LastDir", 1, SzData("/music"));
            store.Put(kKey, "HomeBoyDir", 1, SzData("/hb"));
            store.Put(kKey, "Encoder", 4, DwordData(0));
            store.Put(kKey, "QuartexDir", 1, SzData("/qx"));
            store.Put(kKey, "BeepDone", 4, DwordData(0));
        }
        RecordingControls loaded;
        auto cfg = Start(loaded);
        cfg->Bitrate = cfg->LastDir = "before";
        cfg->Encoder = cfg->Priority = cfg->BitrateIndex = cfg->PriorityIndex = 77;

        {
            StoreFile store(StorePath());
            if (c.type == 0) {
                store.Delete(kKey, c.name);
            } else {
                store.Put(kKey, c.name, c.type, c.data);
            }
        }
        const std::string before = test::ReadFile(StorePath());
        display_.shown.clear();

        RecordingControls controls;
        EXPECT_EQ(StartFails(controls), c.message);
        EXPECT_EQ(display_.shown, std::vector<std::string>{c.message});
        EXPECT_EQ(controls.changes,
                  std::vector<std::string>(kAllControls.begin(), kAllControls.begin() + c.applied));
        EXPECT_EQ(controls.homeDir, "/hb");

        try {
            cfg->Load();
            ADD_FAILURE() << "Load succeeded";
        } catch (const ERegistryException& error) {
            EXPECT_EQ(error.Message(), c.message);
        }
        EXPECT_EQ(display_.shown.size(), 2u);
        EXPECT_EQ(cfg->Bitrate, "192000 ");
        EXPECT_EQ(cfg->LastDir, "/music");
        EXPECT_EQ(cfg->Encoder, c.encoderAfter);
        EXPECT_EQ(cfg->BitrateIndex, 77);
        EXPECT_EQ(test::ReadFile(StorePath()), before);
    }
}

TEST_F(PersistenceTest, MinimizeStoredAsFiveIsTickedAndSavedAsOne) {
    FirstStart();
    StoreFile(StorePath()).Put(kKey, "Minimize", 4, DwordData(5));
    RecordingControls controls;
    const auto cfg = Start(controls);
    EXPECT_TRUE(controls.minimize);
    cfg->Save();
    EXPECT_EQ(Stored("Minimize"), (Value{4, DwordData(1)}));
}

TEST_F(PersistenceTest, AnEncoderOfMinusOneRoundTrips) {
    FirstStart();
    {
        RecordingControls controls;
        const auto cfg = Start(controls);
        cfg->Encoder = -1;
        cfg->Save();
    }
    EXPECT_EQ(Stored("Encoder"), (Value{4, "\xFF\xFF\xFF\xFF"}));
    RecordingControls controls;
    EXPECT_EQ(Start(controls)->Encoder, -1);
}

TEST_F(PersistenceTest, AnExpandableBitrateIsLoadedLiterally) {
    FirstStart();
    StoreFile(StorePath()).Put(kKey, "Bitrate", 2, SzData("%BITRATE% 128000 "));
    RecordingControls controls;
    const auto cfg = Start(controls);
    EXPECT_EQ(cfg->Bitrate, "%BITRATE% 128000 ");
    cfg->Save();
    EXPECT_EQ(Stored("Bitrate"), (Value{1, SzData("%BITRATE% 128000 ")}));
}

TEST_F(PersistenceTest, ValuesBesidesTheTwelveSurviveASave) {
    FirstStart();
    const Value extra{3, std::string("\x01\x00\x02", 3)};
    const Value notes{1, SzData("kept")};
    {
        StoreFile store(StorePath());
        store.Put(kKey, "Extra", extra.type, extra.data);
        store.Put(kKey, "Notes", notes.type, notes.data);
        store.Put("Software\\Other", "Bitrate", 4, DwordData(9));
    }
    RecordingControls controls;
    const auto cfg = Start(controls);
    cfg->Bitrate = "320000 ";
    cfg->Save();

    StoreFile store(StorePath());
    EXPECT_EQ(store.Get(kKey, "Extra"), extra);
    EXPECT_EQ(store.Get(kKey, "Notes"), notes);
    EXPECT_EQ(store.Get("Software\\Other", "Bitrate"), (Value{4, DwordData(9)}));
    EXPECT_EQ(store.Get(kKey, "Bitrate"), (Value{1, SzData("320000 ")}));
    EXPECT_EQ(store.Names(kKey),
              "BeepDone,Bitrate,BitrateIndex,Encoder,Extra,HomeBoyDir,LastDir,"
              "Minimize,Notes,OutputDir,Priority,PriorityIndex,QuartexDir,"
              "Visibility");
}

TEST_F(PersistenceTest, KeyAndValueNamesIgnoreLetterCase) {
    FirstStart();
    {
        StoreFile store(StorePath());
        store.Exec("UPDATE keys SET path = upper(path)");
        store.Exec("UPDATE \"values\" SET key = upper(key), name = upper(name)");
        store.Put("SOFTWARE\\CORVANE", "ENCODER", 4, DwordData(0));
    }
    RecordingControls controls;
    const auto cfg = Start(controls);
    EXPECT_TRUE(display_.shown.empty());
    EXPECT_EQ(cfg->Encoder, 0);
    EXPECT_EQ(cfg->Bitrate, "128000 ");
    cfg->Encoder = 1;
    cfg->Save();

    StoreFile store(StorePath());
    EXPECT_EQ(store.Column0("SELECT path FROM keys ORDER BY path"), "SOFTWARE,SOFTWARE\\CORVANE");
    EXPECT_EQ(store.Column0("SELECT count(*) FROM \"values\""), "12");
    EXPECT_EQ(store.Get("SOFTWARE\\CORVANE", "ENCODER"), (Value{4, DwordData(1)}));
}

TEST_F(PersistenceTest, AStoreThatCannotBeWrittenFailsToCreateTheKey) {
    const auto attempt = [this] {
        RecordingControls controls;
        test::RecordingErrorDisplay display;
        try {
            TAacCfg cfg(controls, display, std::make_unique<TRegistry>(StorePath()), kExecutable);
            return std::string("constructed");
        } catch (const ERegistryException& error) {
            std::string seen = error.Message() + " | shown:";
            for (const auto& text : display.shown) {
                seen += " " + text;
            }
            return seen;
        }
    };
    const std::string refused =
        "Failed to create key \\Software\\Corvane | shown: Failed to create key "
        "\\Software\\Corvane.";

    FirstStart();
    const std::string before = test::ReadFile(StorePath());
    ::chmod(StorePath().c_str(), 0444);
    EXPECT_EQ(test::RunInChild(attempt, dir_.Path()), refused);
    EXPECT_EQ(test::ReadFile(StorePath()), before);

    ::chmod(ConfigFolder().c_str(), 0755);
    fs::remove_all(ConfigFolder());
    ::chmod(dir_.Path().c_str(), 0555);
    EXPECT_EQ(test::RunInChild(attempt, dir_.Path()), refused);
    EXPECT_FALSE(fs::exists(ConfigFolder()));
}

TEST_F(PersistenceTest, SaveRaisesItsFirstRefusalWithoutShowingIt) {
    FirstStart();
    RecordingControls controls;
    const auto cfg = Start(controls);
    StoreFile(StorePath())
        .Exec(
            "CREATE TRIGGER refuse BEFORE UPDATE ON \"values\" WHEN NEW.name = 'Encoder' "
            "BEGIN SELECT RAISE(ABORT, 'refused'); END");
    cfg->Bitrate = "320000 ";
    cfg->LastDir = "/new";
    controls.outputDir = "/aac";
    cfg->Encoder = 0;
    cfg->Priority = 64;
    cfg->BitrateIndex = 13;

    try {
        cfg->Save();
        FAIL() << "Save succeeded";
    } catch (const ERegistryWriteError& error) {
        EXPECT_EQ(error.Message(), "Failed to set data for 'Encoder'");
        EXPECT_NE(error.Detail().find(StorePath()), std::string::npos) << error.Detail();
    }
    EXPECT_TRUE(display_.shown.empty());
    EXPECT_EQ(cfg->Registry->CurrentKey(), kKey);
    EXPECT_EQ(Stored("Bitrate"), (Value{1, SzData("320000 ")}));
    EXPECT_EQ(Stored("LastDir"), (Value{1, SzData("/new")}));
    EXPECT_EQ(Stored("OutputDir"), (Value{1, SzData("/aac")}));
    EXPECT_EQ(Stored("Encoder"), (Value{4, DwordData(1)}));
    EXPECT_EQ(Stored("Priority"), (Value{4, DwordData(32)}));
    EXPECT_EQ(Stored("BitrateIndex"), (Value{4, DwordData(8)}));
}

TEST_F(PersistenceTest, ACorruptStoreIsReportedAndLeftAlone) {
    fs::create_directories(ConfigFolder());
    const std::string garbage(10000, '\x5A');
    test::WriteFile(StorePath(), garbage);

    RecordingControls controls;
    const std::string message = StartFails(controls);
    EXPECT_EQ(message, "The settings store " + StorePath() +
                           " is damaged or not a database: file is not a database");
    EXPECT_EQ(display_.shown, std::vector<std::string>{message + "."});
    EXPECT_TRUE(controls.changes.empty());
    EXPECT_EQ(test::ReadFile(StorePath()), garbage);
    EXPECT_EQ(std::distance(fs::directory_iterator(ConfigFolder()), fs::directory_iterator()), 1);
}

TEST_F(PersistenceTest, TwoCopiesSavingAtOnceLoseNothing) {
    constexpr int kSaves = 25;
    FirstStart();
    const auto copy = [this](int id) {
        return [this, id] {
            RecordingControls controls;
            test::RecordingErrorDisplay display;
            TAacCfg cfg(controls, display, std::make_unique<TRegistry>(StorePath()), kExecutable);
            for (int i = 0; i < kSaves; ++i) {
                cfg.Encoder = id * 1000 + i;
                cfg.Bitrate = std::to_string(id) + "/" + std::to_string(i);
                controls.homeDir = cfg.Bitrate;
                cfg.Save();
            }
            return std::string("saved");
        };
    };
    const test::Child first = test::StartChild(copy(1));
    const test::Child second = test::StartChild(copy(2));
    EXPECT_EQ(test::FinishChild(first), "saved");
    EXPECT_EQ(test::FinishChild(second), "saved");

    StoreFile store(StorePath());
    EXPECT_EQ(store.Column0("PRAGMA integrity_check"), "ok");
    EXPECT_EQ(store.Names(kKey), kAllNames);
    // Whichever copy wrote a value last, it wrote its own last save.
    const std::string last = std::to_string(kSaves - 1);
    const Value bitrate = Stored("Bitrate");
    EXPECT_TRUE(bitrate == (Value{1, SzData("1/" + last)}) ||
                bitrate == (Value{1, SzData("2/" + last)}))
        << bitrate.data;
    const Value encoder = Stored("Encoder");
    EXPECT_TRUE(encoder == (Value{4, DwordData(1000 + kSaves - 1)}) ||
                encoder == (Value{4, DwordData(2000 + kSaves - 1)}));

    RecordingControls controls;
    const auto cfg = Start(controls);
    EXPECT_EQ(cfg->PriorityIndex, 1);
    EXPECT_TRUE(display_.shown.empty());
}

}  // namespace
}  // namespace corvane
