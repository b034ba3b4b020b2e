#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "encoding/runner.h"
#include "platform/childprocess.h"
#include "platform/consolesink.h"

namespace corvane {

// The runner's process operations over real child processes.
class PosixEncoderProcesses : public EncoderProcesses {
public:
    // `console` opens the console of a shown child; `fallbackFolders` replaces
    // the folder of Corvane's executable as the lookup's last step.
    explicit PosixEncoderProcesses(
        ConsoleFactory console = {},
        std::optional<std::vector<std::string>> fallbackFolders = std::nullopt);
    ~PosixEncoderProcesses() override;

    std::optional<ChildId> Start(const EncoderLaunch& launch) override;
    // An unknown child counts as ended; terminating it does nothing and
    // releasing it gives -1.
    bool WaitForEnd(ChildId child, std::chrono::milliseconds timeout) override;
    void Terminate(ChildId child) override;
    int Release(ChildId child) override;

    // The errno of the last failed start.
    int LastStartError() const { return lastStartError_; }
    size_t ActiveChildren() const { return children_.size(); }

private:
    ChildProcess* Find(ChildId child);

    ConsoleFactory console_;
    std::optional<std::vector<std::string>> fallbackFolders_;
    std::map<ChildId, std::unique_ptr<ChildProcess>> children_;
    ChildId nextId_ = 1;
    int lastStartError_ = 0;
};

}  // namespace corvane
