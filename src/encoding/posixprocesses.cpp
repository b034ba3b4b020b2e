#include "encoding/posixprocesses.h"

#include <utility>

namespace corvane {

PosixEncoderProcesses::PosixEncoderProcesses(
    ConsoleFactory console, std::optional<std::vector<std::string>> fallbackFolders)
    : console_(std::move(console)), fallbackFolders_(std::move(fallbackFolders)) {}

PosixEncoderProcesses::~PosixEncoderProcesses() = default;

std::optional<ChildId> PosixEncoderProcesses::Start(const EncoderLaunch& launch) {
    ChildStart start;
    start.commandLine = launch.commandLine;
    start.showMode = launch.showMode;
    start.priorityClass = launch.priorityClass;
    start.searchCurrentDirectory = launch.searchCurrentDirectory;
    start.fallbackFolders = fallbackFolders_;
    start.console = console_;
    ChildStartResult started = ChildProcess::Start(start);
    if (!started.child) {
        lastStartError_ = started.error;
        return std::nullopt;
    }
    const ChildId id = nextId_++;
    children_.emplace(id, std::move(started.child));
    return id;
}

ChildProcess* PosixEncoderProcesses::Find(ChildId child) {
    const auto found = children_.find(child);
    return found == children_.end() ? nullptr : found->second.get();
}

bool PosixEncoderProcesses::WaitForEnd(ChildId child, std::chrono::milliseconds timeout) {
    ChildProcess* process = Find(child);
    return process == nullptr || process->WaitForEnd(timeout);
}

void PosixEncoderProcesses::Terminate(ChildId child) {
    if (ChildProcess* process = Find(child)) {
        process->Terminate();
    }
}

int PosixEncoderProcesses::Release(ChildId child) {
    const auto found = children_.find(child);
    if (found == children_.end()) {
        return -1;
    }
    const int exitCode = found->second->Release();
    children_.erase(found);
    return exitCode;
}

}  // namespace corvane
