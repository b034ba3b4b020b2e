// aacenc.exe: encodes one WAV file into an ADTS AAC file with ffmpeg's native
// AAC encoder, accepting the two command-line forms that Corvane gives its
// encoders. The encoding goes to a temporary file beside the output, renamed to
// the output name only when ffmpeg succeeded, so no file under the output name
// is ever a partial encoding.

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

extern char** environ;

namespace corvane {
namespace {

// Exit status: 0 encoded; 2 usage; 3 the input cannot be read or is not a WAV
// file; 4 the output cannot be written; 5 ffmpeg failed; 6 ffmpeg cannot be
// started; 128 + N stopped by signal N (SIGTERM, SIGINT or SIGHUP).
constexpr char kUsage[] =
    "usage: aacenc.exe [options] SOURCE -o OUTPUT\n"
    "       aacenc.exe SOURCE OUTPUT KBITS\n"
    "\n"
    "Encodes the WAV file SOURCE into the ADTS AAC file OUTPUT with ffmpeg.\n"
    "First form: -r BITS gives the bitrate in bits per second (128000 when -r has\n"
    "no number or is missing); -m, -eb and -eo take a value and are ignored; any\n"
    "other option is ignored and takes no value; -- ends the options.\n"
    "Second form: exactly three arguments, the bitrate last, in kbit/s.\n"
    "Bitrates from 8 to 512 kbit/s. Missing folders of OUTPUT are created.\n"
    "\n"
    "Exit status: 0 encoded, 2 usage, 3 input unreadable or not WAV,\n"
    "4 output not writable, 5 ffmpeg failed, 6 ffmpeg not found,\n"
    "128+N stopped by signal N.\n";

enum ExitCode : int {
    kEncoded = 0,
    kUsageError = 2,
    kBadInput = 3,
    kBadOutput = 4,
    kEncoderFailed = 5,
    kEncoderMissing = 6,
    kStoppedBase = 128,
};

constexpr long kDefaultBitrate = 128000;
constexpr long kMinBitrate = 8000;
constexpr long kMaxBitrate = 512000;
// Time ffmpeg gets to end after a forwarded stop signal before it is killed.
constexpr int kStopGraceSlices = 30;
constexpr long kSliceNanoseconds = 100'000'000;

struct Job {
    std::string source;
    std::string output;
    long bitrate = kDefaultBitrate;
};

struct Parsed {
    std::optional<Job> job;
    std::string error;
};

void Report(const std::string& message) {
    const std::string line = "aacenc.exe: " + message + "\n";
    std::fputs(line.c_str(), stderr);
}

std::string Quoted(const std::string& name) {
    return "'" + name + "'";
}

std::string ErrorText(int error) {
    return std::strerror(error);
}

bool IsDigits(std::string_view text) {
    if (text.empty()) {
        return false;
    }
    for (char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
    }
    return true;
}

Parsed Fail(std::string error) {
    return {std::nullopt, std::move(error)};
}

Parsed Finish(Job job, std::string_view rate, long unit) {
    if (!rate.empty()) {
        if (!IsDigits(rate)) {
            return Fail("invalid bitrate '" + std::string(rate) + "'");
        }
        long value = 0;
        for (char c : rate) {
            value = value * 10 + (c - '0');
            if (value * unit > kMaxBitrate) {
                break;
            }
        }
        job.bitrate = value * unit;
    }
    if (job.bitrate < kMinBitrate || job.bitrate > kMaxBitrate) {
        return Fail("bitrate " + std::string(rate) + " is out of range");
    }
    if (job.source.empty() || job.output.empty()) {
        return Fail("empty file name");
    }
    return {std::move(job), {}};
}

Parsed ParseHomeboy(const std::vector<std::string>& args) {
    std::vector<std::string> operands;
    std::optional<std::string> output;
    std::optional<std::string> rate;
    bool optionsEnded = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool hasNext = i + 1 < args.size();
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            operands.push_back(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "-o") {
            if (!hasNext) {
                return Fail("-o needs an output file name");
            }
            if (output) {
                return Fail("more than one -o given");
            }
            output = args[++i];
        } else if (arg == "-r") {
            // Corvane leaves the number out when no bitrate is selected, so
            // the next option follows directly.
            if (hasNext && !args[i + 1].starts_with('-')) {
                rate = args[++i];
                if (rate->empty()) {
                    return Fail("invalid bitrate ''");
                }
            }
        } else if (arg == "-m" || arg == "-eb" || arg == "-eo") {
            if (!hasNext) {
                return Fail(arg + " needs a value");
            }
            ++i;
        }
    }
    if (operands.size() != 1) {
        return Fail(operands.empty() ? "no source file given" : "more than one source file given");
    }
    if (!output) {
        return Fail("no output file given (-o OUTPUT)");
    }
    return Finish(Job{operands.front(), *output}, rate.value_or(""), 1);
}

Parsed ParseArguments(const std::vector<std::string>& args) {
    if (args.empty()) {
        return Fail("no arguments");
    }
    // "SOURCE -o 64" is the first form with an output named 64.
    if (args.size() == 3 && IsDigits(args[2]) && args[0] != "-o" && args[1] != "-o") {
        return Finish(Job{args[0], args[1]}, args[2], 1000);
    }
    return ParseHomeboy(args);
}

bool IsWavHeader(const char (&head)[12]) {
    const std::string_view riff(head, 4);
    return (riff == "RIFF" || riff == "RIFX" || riff == "RF64" || riff == "BW64") &&
           std::string_view(head + 8, 4) == "WAVE";
}

struct InputFile {
    dev_t device = 0;
    ino_t inode = 0;
};

// Opening without blocking keeps a FIFO given as input from hanging the check.
std::optional<std::string> CheckInput(const std::string& source, InputFile& input) {
    const int fd = ::open(source.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return "cannot read input " + Quoted(source) + ": " + ErrorText(errno);
    }
    struct stat info {};
    std::optional<std::string> error;
    char head[12] = {};
    if (::fstat(fd, &info) != 0) {
        error = "cannot read input " + Quoted(source) + ": " + ErrorText(errno);
    } else if (!S_ISREG(info.st_mode)) {
        error = "input " + Quoted(source) + " is not a regular file";
    } else {
        const ssize_t got = ::pread(fd, head, sizeof head, 0);
        if (got < 0) {
            error = "cannot read input " + Quoted(source) + ": " + ErrorText(errno);
        } else if (got < static_cast<ssize_t>(sizeof head) || !IsWavHeader(head)) {
            error = "input " + Quoted(source) + " is not a WAV file";
        }
    }
    ::close(fd);
    input.device = info.st_dev;
    input.inode = info.st_ino;
    return error;
}

// The temporary name starts with a dot and ends in ".partial-<pid>", so it is
// hidden, matches no "*.aac" pattern and shows that the encoding is unfinished.
std::string TempName(const std::filesystem::path& folder, const std::string& fileName) {
    const std::string suffix = ".partial-" + std::to_string(::getpid());
    std::string name = "." + fileName + suffix;
    if (name.size() > NAME_MAX) {
        name = ".aacenc" + suffix;
    }
    return folder.empty() ? name : (folder / name).string();
}

struct Failure {
    int code;
    std::string message;
};

std::optional<Failure> PrepareOutput(const std::string& output, const InputFile& input,
                                     std::string& temp) {
    namespace fs = std::filesystem;
    const fs::path outputPath(output);
    const std::string fileName = outputPath.filename().string();
    if (fileName.empty() || fileName == "." || fileName == "..") {
        return Failure{kBadOutput, "output " + Quoted(output) + " names a folder"};
    }
    const fs::path folder = outputPath.parent_path();
    if (!folder.empty()) {
        std::error_code ec;
        fs::create_directories(folder, ec);
        if (ec) {
            return Failure{kBadOutput,
                           "cannot create folder " + Quoted(folder.string()) + ": " + ec.message()};
        }
    }
    struct stat existing {};
    if (::stat(output.c_str(), &existing) == 0) {
        if (S_ISDIR(existing.st_mode)) {
            return Failure{kBadOutput, "output " + Quoted(output) + " is a folder"};
        }
        if (existing.st_dev == input.device && existing.st_ino == input.inode) {
            return Failure{kBadOutput, "output " + Quoted(output) + " is the input file"};
        }
    }
    temp = TempName(folder, fileName);
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno == EEXIST) {
        // Left by an earlier run with the same process id that was killed.
        ::unlink(temp.c_str());
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    }
    if (fd < 0) {
        const std::string where = folder.empty() ? std::string(".") : folder.string();
        return Failure{kBadOutput,
                       "cannot write in folder " + Quoted(where) + ": " + ErrorText(errno)};
    }
    ::close(fd);
    return std::nullopt;
}

struct Signals {
    sigset_t stop;     // the stop signals this program handles
    sigset_t waited;   // those and SIGCHLD
    sigset_t restore;  // reset to their defaults in ffmpeg
};

// The signals stay blocked and are taken with sigwaitinfo, so no handler runs
// and a signal that comes before ffmpeg starts is not lost. A stop signal that
// was ignored when this program started (nohup) stays ignored.
Signals BlockSignals() {
    Signals signals{};
    sigemptyset(&signals.stop);
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) {
        struct sigaction current {};
        if (::sigaction(sig, nullptr, &current) == 0 && current.sa_handler != SIG_IGN) {
            sigaddset(&signals.stop, sig);
        }
    }
    struct sigaction byDefault {};
    byDefault.sa_handler = SIG_DFL;
    ::sigaction(SIGCHLD, &byDefault, nullptr);
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    ::sigaction(SIGPIPE, &ignore, nullptr);

    signals.waited = signals.stop;
    sigaddset(&signals.waited, SIGCHLD);
    signals.restore = signals.waited;
    sigaddset(&signals.restore, SIGPIPE);
    ::sigprocmask(SIG_BLOCK, &signals.waited, nullptr);
    return signals;
}

int TakePendingStop(const Signals& signals) {
    const timespec now{0, 0};
    siginfo_t info{};
    const int sig = ::sigtimedwait(&signals.stop, &info, &now);
    return sig > 0 ? sig : 0;
}

// "file:" keeps ffmpeg from reading a name as an option ("-x.wav") or a
// protocol ("pipe:1.wav").
int StartFfmpeg(const Job& job, const std::string& temp, const Signals& signals, pid_t& child) {
    std::vector<std::string> args = {
        "ffmpeg", "-hide_banner", "-nostdin",    "-loglevel", "error",
        "-y",     "-f",           "wav",         "-i",        "file:" + job.source,
        "-vn",    "-c:a",         "aac",         "-b:a",      std::to_string(job.bitrate),
        "-f",     "adts",         "file:" + temp};
    std::vector<char*> argv;
    for (std::string& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &signals.restore);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    const int error = ::posix_spawnp(&child, "ffmpeg", &actions, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    return error;
}

struct Ending {
    std::optional<int> status;  // none when the child was lost
    int stopSignal = 0;
};

// Waits for ffmpeg; a stop signal is passed on to it, and an ffmpeg that does
// not end within the grace time after that is killed.
Ending WaitForFfmpeg(pid_t child, const Signals& signals) {
    Ending ending;
    int graceSlices = 0;
    for (;;) {
        int status = 0;
        const pid_t done = ::waitpid(child, &status, WNOHANG);
        if (done == child) {
            ending.status = status;
            return ending;
        }
        if (done < 0 && errno != EINTR) {
            return ending;
        }
        siginfo_t info{};
        int sig = 0;
        if (ending.stopSignal == 0) {
            sig = ::sigwaitinfo(&signals.waited, &info);
        } else {
            const timespec slice{0, kSliceNanoseconds};
            sig = ::sigtimedwait(&signals.waited, &info, &slice);
            if (sig < 0 && errno == EAGAIN && ++graceSlices == kStopGraceSlices) {
                ::kill(child, SIGKILL);
            }
        }
        if (sig > 0 && sig != SIGCHLD) {
            if (ending.stopSignal == 0) {
                ending.stopSignal = sig;
            }
            ::kill(child, sig);
        }
    }
}

int Encode(const Job& job, const Signals& signals) {
    InputFile input;
    if (auto error = CheckInput(job.source, input)) {
        Report(*error);
        return kBadInput;
    }
    std::string temp;
    if (auto failure = PrepareOutput(job.output, input, temp)) {
        Report(failure->message);
        return failure->code;
    }
    const auto stopped = [&](int sig) {
        ::unlink(temp.c_str());
        Report("stopped by signal " + std::to_string(sig) + "; " + Quoted(job.output) +
               " not written");
        return kStoppedBase + sig;
    };
    if (const int sig = TakePendingStop(signals)) {
        return stopped(sig);
    }
    pid_t child = 0;
    if (const int error = StartFfmpeg(job, temp, signals, child)) {
        ::unlink(temp.c_str());
        Report(error == ENOENT ? "ffmpeg not found on PATH"
                               : "cannot start ffmpeg: " + ErrorText(error));
        return kEncoderMissing;
    }
    const Ending ending = WaitForFfmpeg(child, signals);
    if (ending.stopSignal != 0) {
        return stopped(ending.stopSignal);
    }
    if (!ending.status || !WIFEXITED(*ending.status) || WEXITSTATUS(*ending.status) != 0) {
        ::unlink(temp.c_str());
        std::string how = "ended abnormally";
        if (ending.status && WIFEXITED(*ending.status)) {
            how = "failed with exit status " + std::to_string(WEXITSTATUS(*ending.status));
        } else if (ending.status && WIFSIGNALED(*ending.status)) {
            how = "was killed by signal " + std::to_string(WTERMSIG(*ending.status));
        }
        Report("ffmpeg " + how + " encoding " + Quoted(job.source));
        return kEncoderFailed;
    }
    if (::rename(temp.c_str(), job.output.c_str()) != 0) {
        const int error = errno;
        ::unlink(temp.c_str());
        Report("cannot write output " + Quoted(job.output) + ": " + ErrorText(error));
        return kBadOutput;
    }
    return kEncoded;
}

}  // namespace
}  // namespace corvane

int main(int argc, char** argv) {
    using namespace corvane;
    const Signals signals = BlockSignals();
    const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    const Parsed parsed = ParseArguments(args);
    if (!parsed.job) {
        Report(parsed.error);
        std::fputs(kUsage, stderr);
        return kUsageError;
    }
    return Encode(*parsed.job, signals);
}
