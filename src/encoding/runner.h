#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace corvane {

// Run result of one file.
inline constexpr int kRunCompleted = 1;
inline constexpr int kRunStopped = 0;
inline constexpr int kRunNotStarted = -1;

// Show modes of the encoder's console.
inline constexpr uint16_t kShowHidden = 0;    // SW_HIDE
inline constexpr uint16_t kShowDefault = 10;  // SW_SHOWDEFAULT

inline constexpr std::chrono::milliseconds kWaitSlice{100};

struct EncoderLaunch {
    std::string commandLine;
    uint16_t showMode = kShowHidden;
    int32_t priorityClass = 32;
    // The current directory takes part in the program lookup only when the run
    // has entered the encoder folder.
    bool searchCurrentDirectory = false;
};

using ChildId = uint64_t;

// The platform's process operations that the runner needs.
class EncoderProcesses {
public:
    virtual ~EncoderProcesses() = default;
    // Starts the child; nothing when the start failed and nothing was started.
    virtual std::optional<ChildId> Start(const EncoderLaunch& launch) = 0;
    // Waits up to `timeout`; true as soon as the child has ended.
    virtual bool WaitForEnd(ChildId child, std::chrono::milliseconds timeout) = 0;
    // Ends the child without its cooperation; no effect on a child that has ended.
    virtual void Terminate(ChildId child) = 0;
    // Reaps the child and frees what it held; returns its exit code.
    virtual int Release(ChildId child) = 0;
};

// What the runner needs of the window while it waits.
class RunnerHost {
public:
    virtual ~RunnerHost() = default;
    virtual void ProcessMessages() = 0;
    virtual bool AbortRequested() const = 0;
};

struct RunOutcome {
    int result = kRunNotStarted;
    std::optional<int> exitCode;  // present when a child was started
};

// Runs one encoder to its end, dispatching the window's messages between
// 100 ms waits and terminating the child once a stop has been requested.
RunOutcome RunEncoderProcess(const EncoderLaunch& launch, EncoderProcesses& processes,
                             RunnerHost& host);

}  // namespace corvane
