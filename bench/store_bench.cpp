#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <memory>
#include <string>

#include "settings/aacconfig.h"

namespace corvane {
namespace {

class Controls : public SettingsControls {
public:
    std::string HomeDirCaption() const override { return homeDir_; }
    void SetHomeDirCaption(const std::string& caption) override { homeDir_ = caption; }
    std::string QuarDirCaption() const override { return quarDir_; }
    void SetQuarDirCaption(const std::string& caption) override { quarDir_ = caption; }
    std::string OutputDirCaption() const override { return outputDir_; }
    void SetOutputDirCaption(const std::string& caption) override { outputDir_ = caption; }
    bool CheckMinimizeChecked() const override { return minimize_; }
    void SetCheckMinimizeChecked(bool checked) override { minimize_ = checked; }
    bool CheckBeepChecked() const override { return beep_; }
    void SetCheckBeepChecked(bool checked) override { beep_ = checked; }
    bool CheckHideEncChecked() const override { return hideEnc_; }
    void SetCheckHideEncChecked(bool checked) override { hideEnc_ = checked; }

private:
    std::string homeDir_ = "None";
    std::string quarDir_ = "None";
    std::string outputDir_ = "Default";
    bool minimize_ = false;
    bool beep_ = true;
    bool hideEnc_ = true;
};

class Display : public ErrorDisplay {
public:
    void ShowError(const Exception&) override {}
};

// A store in a fresh folder under the system's temporary folder, holding the
// settings of one first start.
class Store {
public:
    Store() {
        std::string pattern = (std::filesystem::temp_directory_path() / "corvane-bench-XXXXXX");
        folder_ = ::mkdtemp(pattern.data());
        path_ = folder_ + "/registry.sqlite3";
        Controls controls;
        Display display;
        TAacCfg first(controls, display, std::make_unique<TRegistry>(path_));
    }
    ~Store() { std::filesystem::remove_all(folder_); }
    const std::string& Path() const { return path_; }

private:
    std::string folder_;
    std::string path_;
};

// A start with stored settings: the record's construction reads all twelve values.
void BM_LoadAtStart(benchmark::State& state) {
    Store store;
    Controls controls;
    Display display;
    for (auto _ : state) {
        TAacCfg cfg(controls, display, std::make_unique<TRegistry>(store.Path()));
        benchmark::DoNotOptimize(cfg.Encoder);
    }
}
BENCHMARK(BM_LoadAtStart)->Unit(benchmark::kMillisecond);

// The save at closing: twelve writes, each committed to disk at once.
void BM_SaveAtClosing(benchmark::State& state) {
    Store store;
    Controls controls;
    Display display;
    TAacCfg cfg(controls, display, std::make_unique<TRegistry>(store.Path()));
    for (auto _ : state) {
        cfg.Save();
    }
}
BENCHMARK(BM_SaveAtClosing)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace corvane

BENCHMARK_MAIN();
