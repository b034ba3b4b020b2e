// The source browser and encode list on one folder of N WAV files: entering the
// folder (folder list and file list read), Add All, Add Selected of every file
// into a list holding half of them, Remove Selected of every other entry and
// Remove All. Each step is timed together with the event processing it causes
// (layout and painting on the offscreen platform); the heap and RSS growth of
// each step are reported as counters.
//
//   build/default/bench/browser_bench --benchmark_counters_tabular=true

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <malloc.h>
#include <unistd.h>

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/directorylistbox.h"
#include "platform/drivecombobox.h"
#include "platform/filelistbox.h"
#include "platform/listbox.h"
#include "platform/volumes.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;

std::string g_root;

double HeapInUseMb() {
    return static_cast<double>(mallinfo2().uordblks) / (1024.0 * 1024.0);
}

double RssMb() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0;
    long resident = 0;
    statm >> pages >> resident;
    return static_cast<double>(resident) * static_cast<double>(::sysconf(_SC_PAGESIZE)) /
           (1024.0 * 1024.0);
}

// A folder of `count` empty WAV files, made once per count.
const std::string& WavFolder(int count) {
    static std::map<int, std::string> folders;
    auto found = folders.find(count);
    if (found != folders.end()) {
        return found->second;
    }
    const std::string folder = g_root + "/wav" + std::to_string(count);
    fs::create_directory(folder);
    char name[64];
    for (int i = 0; i < count; ++i) {
        std::snprintf(name, sizeof name, "/track %06d of the album.wav", i);
        const int fd = ::open((folder + name).c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
        if (fd >= 0) {
            ::close(fd);
        }
    }
    return folders.emplace(count, folder).first->second;
}

// The four browser controls wired as the main window wires them.
class Browser {
public:
    Browser() : drives(nullptr, volumes), folders(nullptr, volumes), files(nullptr, volumes) {
        folders.SetOnChange([this] {
            files.SetDrive(folders.Drive());
            lastDir = folders.Directory();
            files.ApplyFilePath(lastDir);
            encodeList.Clear();
        });
        drives.SetOnChange([this] { folders.SetDrive(drives.Drive()); });
        for (QWidget* widget :
             std::initializer_list<QWidget*>{&drives, &folders, &files, &encodeList}) {
            widget->resize(200, 400);
            widget->show();
        }
        Settle();
    }

    void AddSelected() {
        if (files.ItemIndex() == -1) {
            return;
        }
        std::vector<std::string> names;
        for (int i = 0; i < files.Count(); ++i) {
            if (files.Selected(i) && encodeList.IndexOf(files.Item(i)) == -1) {
                names.push_back(files.Item(i));
            }
        }
        encodeList.AddNames(std::move(names));
    }

    void AddAll() {
        encodeList.Clear();
        encodeList.AddNames(files.Items());
    }

    void RemoveSelected() {
        if (encodeList.ItemIndex() == -1) {
            return;
        }
        encodeList.DeleteSelected();
    }

    static void Settle() { QCoreApplication::processEvents(); }

    VolumeState volumes{{{"/", "", "ext4", ""}}};
    TDriveComboBox drives;
    TDirectoryListBox folders;
    TFileListBox files;
    TListBox encodeList;
    std::string lastDir;
};

std::vector<int> EveryOther(int count) {
    std::vector<int> rows;
    for (int i = 0; i < count; i += 2) {
        rows.push_back(i);
    }
    return rows;
}

// Runs `setup` untimed and `step` timed in each iteration, and records the heap
// and RSS growth of the first timed step.
template <typename Setup, typename Step>
void Measure(benchmark::State& state, Setup setup, Step step) {
    double heapGrowth = 0;
    double rssGrowth = 0;
    bool first = true;
    for (auto _ : state) {
        state.PauseTiming();
        setup();
        Browser::Settle();
        const double heapBefore = HeapInUseMb();
        const double rssBefore = RssMb();
        state.ResumeTiming();
        step();
        Browser::Settle();
        state.PauseTiming();
        if (first) {
            heapGrowth = HeapInUseMb() - heapBefore;
            rssGrowth = RssMb() - rssBefore;
            first = false;
        }
        state.ResumeTiming();
    }
    state.counters["heap_MB"] = heapGrowth;
    state.counters["rss_MB"] = rssGrowth;
    state.counters["heap_B_per_name"] =
        heapGrowth * 1024 * 1024 / static_cast<double>(state.range(0));
}

void EnterFolder(benchmark::State& state) {
    const std::string& folder = WavFolder(static_cast<int>(state.range(0)));
    Browser browser;
    Measure(
        state, [&] { browser.folders.SetDirectory(g_root + "/empty"); },
        [&] { browser.folders.SetDirectory(folder); });
    if (browser.files.Count() != state.range(0)) {
        state.SkipWithError("the file list does not show the folder");
    }
}

void AddAll(benchmark::State& state) {
    Browser browser;
    browser.folders.SetDirectory(WavFolder(static_cast<int>(state.range(0))));
    Measure(
        state, [&] { browser.encodeList.Clear(); }, [&] { browser.AddAll(); });
    if (browser.encodeList.Count() != state.range(0)) {
        state.SkipWithError("Add All missed names");
    }
}

void AddSelectedIntoHalf(benchmark::State& state) {
    Browser browser;
    browser.folders.SetDirectory(WavFolder(static_cast<int>(state.range(0))));
    browser.files.selectAll();
    std::vector<std::string> half;
    for (int i = 0; i < browser.files.Count(); i += 2) {
        half.push_back(browser.files.Item(i));
    }
    Measure(
        state,
        [&] {
            browser.encodeList.Clear();
            browser.encodeList.AddNames(half);
        },
        [&] { browser.AddSelected(); });
    if (browser.encodeList.Count() != state.range(0)) {
        state.SkipWithError("Add Selected missed names");
    }
}

void SelectEveryOther(benchmark::State& state) {
    Browser browser;
    browser.folders.SetDirectory(WavFolder(static_cast<int>(state.range(0))));
    browser.AddAll();
    const std::vector<int> rows = EveryOther(browser.encodeList.Count());
    Measure(
        state, [&] { browser.encodeList.clearSelection(); },
        [&] { browser.encodeList.SelectOnly(rows); });
}

void RemoveSelectedEveryOther(benchmark::State& state) {
    Browser browser;
    browser.folders.SetDirectory(WavFolder(static_cast<int>(state.range(0))));
    const std::vector<int> rows = EveryOther(static_cast<int>(state.range(0)));
    Measure(
        state,
        [&] {
            browser.AddAll();
            browser.encodeList.SelectOnly(rows);
        },
        [&] { browser.RemoveSelected(); });
    if (browser.encodeList.Count() != state.range(0) / 2) {
        state.SkipWithError("Remove Selected left the wrong entries");
    }
}

void RemoveAll(benchmark::State& state) {
    Browser browser;
    browser.folders.SetDirectory(WavFolder(static_cast<int>(state.range(0))));
    Measure(
        state, [&] { browser.AddAll(); }, [&] { browser.encodeList.Clear(); });
    if (browser.encodeList.Count() != 0) {
        state.SkipWithError("Remove All left entries");
    }
}

#define CORVANE_BROWSER_BENCH(step)                                             \
    BENCHMARK(step)->Arg(25000)->Arg(50000)->Arg(100000)->Iterations(10)->Unit( \
        benchmark::kMillisecond)

CORVANE_BROWSER_BENCH(EnterFolder);
CORVANE_BROWSER_BENCH(AddAll);
CORVANE_BROWSER_BENCH(AddSelectedIntoHalf);
CORVANE_BROWSER_BENCH(SelectEveryOther);
CORVANE_BROWSER_BENCH(RemoveSelectedEveryOther);
CORVANE_BROWSER_BENCH(RemoveAll);

}  // namespace
}  // namespace corvane

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    benchmark::Initialize(&argc, argv);
    QApplication app(argc, argv);

    std::string pattern =
        (std::filesystem::temp_directory_path() / "corvane-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    corvane::g_root = pattern;
    std::filesystem::create_directory(corvane::g_root + "/empty");

    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    std::error_code ignored;
    std::filesystem::current_path(std::filesystem::temp_directory_path(), ignored);
    std::filesystem::remove_all(corvane::g_root, ignored);
    return 0;
}
