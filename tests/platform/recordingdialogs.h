#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "platform/dialogs.h"

namespace corvane::test {

// Records every box instead of showing it; the folder picker answers from a
// script (nothing, i.e. Cancel, once the script is used up).
class RecordingDialogs : public Dialogs {
public:
    struct Box {
        std::string text;
        std::string caption;
        bool operator==(const Box&) const = default;
    };
    struct FolderRequest {
        QWidget* owner;
        std::string title;
        std::string preselect;
    };

    void MessageBox(const std::string& text, const std::string& caption) override {
        messageBoxes.push_back({text, caption});
    }
    void ErrorBox(const std::string& text, const std::string& caption) override {
        errorBoxes.push_back({text, caption});
    }
    std::optional<std::string> ChooseFolder(QWidget* owner, const std::string& title,
                                            const std::string& preselect) override {
        folderRequests.push_back({owner, title, preselect});
        if (folderAnswers.empty()) {
            return std::nullopt;
        }
        auto answer = folderAnswers.front();
        folderAnswers.pop_front();
        return answer;
    }

    std::vector<Box> messageBoxes;
    std::vector<Box> errorBoxes;
    std::vector<FolderRequest> folderRequests;
    std::deque<std::optional<std::string>> folderAnswers;
};

}  // namespace corvane::test
