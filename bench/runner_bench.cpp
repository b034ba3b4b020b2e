// Runs with: build/default/bench/runner_bench
// (a) a child that exits at once, run through RunEncoderProcess with the real
//     processes and through a bare posix_spawn + waitpid loop; the medians and
//     their ratio are printed at the end.
// (b) the processor time this thread uses while RunEncoderProcess waits for a
//     child that sleeps two seconds.
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "encoding/posixprocesses.h"
#include "encoding/runner.h"
#include "platform/childprocess.h"

extern char** environ;

namespace corvane {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kRuns = 1000;

class IdleHost : public RunnerHost {
public:
    void ProcessMessages() override {}
    bool AbortRequested() const override { return false; }
};

std::vector<double> g_runnerMicros;
std::vector<double> g_spawnMicros;

double Micros(Clock::duration elapsed) {
    return std::chrono::duration<double, std::micro>(elapsed).count();
}

double Median(std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    return samples.empty() ? 0.0 : samples[samples.size() / 2];
}

// The two ways alternate, so that a change in the machine's load falls on both.
void BM_TrueThroughRunnerAndBareSpawn(benchmark::State& state) {
    PosixEncoderProcesses processes({}, std::vector<std::string>{});
    IdleHost host;
    EncoderLaunch launch;
    launch.commandLine = "true";
    const std::optional<std::string> path = FindProgram("true", false, std::getenv("PATH"), {});
    if (!path) {
        state.SkipWithError("true is not on PATH");
        return;
    }
    char name[] = "true";
    char* const argv[] = {name, nullptr};
    for (auto _ : state) {
        Clock::time_point start = Clock::now();
        const RunOutcome outcome = RunEncoderProcess(launch, processes, host);
        g_runnerMicros.push_back(Micros(Clock::now() - start));
        if (outcome.result != kRunCompleted || outcome.exitCode != 0) {
            state.SkipWithError("true did not run to its end");
            break;
        }
        start = Clock::now();
        pid_t pid = 0;
        int status = 0;
        if (::posix_spawn(&pid, path->c_str(), nullptr, nullptr, argv, environ) != 0 ||
            ::waitpid(pid, &status, 0) != pid) {
            state.SkipWithError("posix_spawn failed");
            break;
        }
        g_spawnMicros.push_back(Micros(Clock::now() - start));
    }
    state.counters["runner_median_us"] = Median(g_runnerMicros);
    state.counters["spawn_median_us"] = Median(g_spawnMicros);
    state.counters["ratio"] = Median(g_runnerMicros) / Median(g_spawnMicros);
}
BENCHMARK(BM_TrueThroughRunnerAndBareSpawn)->Iterations(kRuns)->UseRealTime();

double ThreadCpuMillis() {
    timespec now{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

double ProcessCpuMillis() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    const auto millis = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_usec) / 1e3;
    };
    return millis(usage.ru_utime) + millis(usage.ru_stime);
}

void BM_WaitForASleepingChild(benchmark::State& state) {
    PosixEncoderProcesses processes({}, std::vector<std::string>{});
    IdleHost host;
    EncoderLaunch launch;
    launch.commandLine = "sleep 2";
    for (auto _ : state) {
        const double thread = ThreadCpuMillis();
        const double process = ProcessCpuMillis();
        const Clock::time_point start = Clock::now();
        const RunOutcome outcome = RunEncoderProcess(launch, processes, host);
        state.counters["wall_ms"] = Micros(Clock::now() - start) / 1e3;
        state.counters["thread_cpu_ms"] = ThreadCpuMillis() - thread;
        state.counters["process_cpu_ms"] = ProcessCpuMillis() - process;
        if (outcome.result != kRunCompleted) {
            state.SkipWithError("sleep did not run to its end");
        }
    }
}
BENCHMARK(BM_WaitForASleepingChild)->Iterations(1)->Repetitions(3)->UseRealTime();

}  // namespace
}  // namespace corvane

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    using corvane::Median;
    if (!corvane::g_runnerMicros.empty() && !corvane::g_spawnMicros.empty()) {
        const double runner = Median(corvane::g_runnerMicros);
        const double spawn = Median(corvane::g_spawnMicros);
        std::printf("median of %zu runs through RunEncoderProcess: %.1f us\n",
                    corvane::g_runnerMicros.size(), runner);
        std::printf("median of %zu runs of posix_spawn + waitpid:  %.1f us\n",
                    corvane::g_spawnMicros.size(), spawn);
        std::printf("ratio: %.3f (goal at most 1.10)\n", runner / spawn);
    }
    return 0;
}
