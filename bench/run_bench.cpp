// Runs with: build/default/bench/run_bench [--rounds=N] [--encoder-folder=DIR]
// 200 WAV files of 0.5 s (stereo, 44.1 kHz) are encoded at 128 kbit/s, in each
// round once by the whole run through the real window offscreen (the bundled
// aacenc.exe, Tavrin/Quartex form, bitrate position 8) and once by a shell loop
// calling ffmpeg with the same settings; the order alternates between rounds.
// The encoder folder defaults to bin/ beside this program's folder.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "platform/application.h"
#include "platform/dialogs.h"
#include "platform/paths.h"
#include "settings/choices.h"
#include "support/wavfile.h"
#include "window/mainaac.h"

extern char** environ;

namespace corvane {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kFiles = 200;
constexpr int kSampleRate = 44100;
constexpr int kChannels = 2;
constexpr double kSeconds = 0.5;
constexpr int kQuartex128 = 8;

constexpr const char* kShellLoop =
    "for f in *.wav; do ffmpeg -hide_banner -nostdin -loglevel error -y -f wav -i \"$f\" -vn "
    "-c:a aac -b:a 128k -f adts \"out/${f%.wav}.aac\"; done";

// Boxes would wait for a person; the benchmark prints their texts instead.
class PrintedDialogs : public Dialogs {
public:
    void MessageBox(const std::string& text, const std::string& caption) override {
        std::fprintf(stderr, "[%s] %s\n", caption.c_str(), text.c_str());
        ++boxes;
    }
    void ErrorBox(const std::string& text, const std::string& caption) override {
        MessageBox(text, caption);
    }
    std::optional<std::string> ChooseFolder(QWidget*, const std::string&,
                                            const std::string&) override {
        return std::nullopt;
    }
    int boxes = 0;
};

int CountAac(const fs::path& folder) {
    int count = 0;
    for (const auto& entry : fs::directory_iterator(folder)) {
        count += entry.path().extension() == ".aac" && fs::file_size(entry.path()) > 0 ? 1 : 0;
    }
    return count;
}

void FreshFolder(const fs::path& folder) {
    fs::remove_all(folder);
    fs::create_directories(folder);
}

// The loop's exit status, or -1.
int RunShellLoop(const fs::path& folder) {
    std::string sh = "sh";
    std::string dashC = "-c";
    std::string script = kShellLoop;
    char* argv[] = {sh.data(), dashC.data(), script.data(), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    pid_t pid = -1;
    const int error = ::posix_spawnp(&pid, "sh", &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) {
        return -1;
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

double Seconds(Clock::duration elapsed) {
    return std::chrono::duration<double>(elapsed).count();
}

double Median(std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

int Main(int argc, char** argv) {
    int rounds = 3;
    std::string encoderFolder =
        (fs::path(ExecutablePath()).parent_path().parent_path() / "bin").string();
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.rfind("--rounds=", 0) == 0) {
            rounds = std::max(1, std::atoi(arg.c_str() + 9));
        } else if (arg.rfind("--encoder-folder=", 0) == 0) {
            encoderFolder = arg.substr(17);
        } else {
            std::fprintf(stderr, "usage: run_bench [--rounds=N] [--encoder-folder=DIR]\n");
            return 2;
        }
    }
    if (!fs::is_regular_file(fs::path(encoderFolder) / kEncoderProgram)) {
        std::fprintf(stderr, "run_bench: no %s in %s\n", kEncoderProgram.data(),
                     encoderFolder.c_str());
        return 1;
    }

    // The settings store and every file live in a folder of the benchmark's own.
    std::string rootTemplate = (fs::temp_directory_path() / "run_bench.XXXXXX").string();
    if (::mkdtemp(rootTemplate.data()) == nullptr) {
        std::perror("run_bench: mkdtemp");
        return 1;
    }
    const fs::path root = rootTemplate;
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    ::setenv("HOME", root.c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (root / "config").c_str(), 1);
    const fs::path wavFolder = root / "wav";
    const fs::path corvaneOut = root / "corvane-out";
    const fs::path loopOut = wavFolder / "out";
    fs::create_directories(wavFolder);
    const std::string wav = test::WavBytes({kSampleRate, kChannels, kSeconds});
    for (int i = 0; i < kFiles; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "track%03d.wav", i);
        std::ofstream(wavFolder / name, std::ios::binary) << wav;
    }

    int failures = 0;
    std::vector<double> windowTimes;
    std::vector<double> loopTimes;
    {
        QApplication app(argc, argv);
        PrintedDialogs dialogs;
        TApplication application(dialogs);
        TAacMain window(application, [](const std::string& text, const std::string&) {
            std::fprintf(stderr, "run_bench: settings not stored: %s\n", text.c_str());
            return SaveFailureChoice::CloseWithoutSaving;
        });
        window.show();
        QApplication::processEvents();
        window.SetQuarDirCaption(encoderFolder);
        window.SetOutputDirCaption(corvaneOut.string());
        window.SetCheckHideEncChecked(true);
        window.SetCheckBeepChecked(false);
        window.SetCheckMinimizeChecked(false);
        window.EncoderBox->SetItemIndex(kQuartexEncoder);
        window.EncoderBoxChange();
        window.BitrateBox->SetItemIndex(kQuartex128);
        window.BitrateBoxChange();
        window.DirectoryListBox->SetDirectory(wavFolder.string());
        window.AddAllBtn->click();
        if (window.DestList->Count() != kFiles) {
            std::fprintf(stderr, "run_bench: the encode list holds %d files\n",
                         window.DestList->Count());
            return 1;
        }

        const auto throughWindow = [&] {
            FreshFolder(corvaneOut);
            const auto start = Clock::now();
            window.EncodeBtn->click();
            windowTimes.push_back(Seconds(Clock::now() - start));
            const std::string status = window.StatusBar->currentMessage().toStdString();
            if (status != "Done Encoding" || CountAac(corvaneOut) != kFiles) {
                std::fprintf(stderr, "run_bench: window run: \"%s\", %d AAC files\n",
                             status.c_str(), CountAac(corvaneOut));
                ++failures;
            }
        };
        const auto throughLoop = [&] {
            FreshFolder(loopOut);
            const auto start = Clock::now();
            const int status = RunShellLoop(wavFolder);
            loopTimes.push_back(Seconds(Clock::now() - start));
            if (status != 0 || CountAac(loopOut) != kFiles) {
                std::fprintf(stderr, "run_bench: shell loop: status %d, %d AAC files\n", status,
                             CountAac(loopOut));
                ++failures;
            }
        };
        for (int round = 0; round < rounds; ++round) {
            if (round % 2 == 0) {
                throughWindow();
                throughLoop();
            } else {
                throughLoop();
                throughWindow();
            }
            std::printf("round %d: window %.3f s, shell loop %.3f s, ratio %.3f\n", round + 1,
                        windowTimes.back(), loopTimes.back(),
                        windowTimes.back() / loopTimes.back());
            std::fflush(stdout);
        }
        window.close();
        failures += dialogs.boxes;
    }
    fs::remove_all(root);

    const double windowMedian = Median(windowTimes);
    const double loopMedian = Median(loopTimes);
    std::printf("%d files of %.1f s, %d rounds, wall time medians:\n", kFiles, kSeconds, rounds);
    std::printf("  whole run through the window: %.3f s (%.1f ms a file)\n", windowMedian,
                windowMedian * 1000 / kFiles);
    std::printf("  shell loop calling ffmpeg:    %.3f s (%.1f ms a file)\n", loopMedian,
                loopMedian * 1000 / kFiles);
    std::printf("ratio: %.3f (goal at most 1.05)\n", windowMedian / loopMedian);
    return failures == 0 ? 0 : 1;
}

}  // namespace
}  // namespace corvane

int main(int argc, char** argv) {
    return corvane::Main(argc, argv);
}
