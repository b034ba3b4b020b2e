#include "encoding/runner.h"

namespace corvane {

RunOutcome RunEncoderProcess(const EncoderLaunch& launch, EncoderProcesses& processes,
                             RunnerHost& host) {
    const std::optional<ChildId> child = processes.Start(launch);
    if (!child) {
        return {};
    }
    RunOutcome outcome;
    outcome.result = kRunCompleted;
    while (!processes.WaitForEnd(*child, kWaitSlice)) {
        host.ProcessMessages();
        if (host.AbortRequested()) {
            processes.Terminate(*child);
            outcome.result = kRunStopped;
        }
    }
    outcome.exitCode = processes.Release(*child);
    return outcome;
}

}  // namespace corvane
