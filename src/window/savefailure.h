#pragma once

#include <functional>
#include <string>

namespace corvane {

enum class SaveFailureChoice { Retry, CloseWithoutSaving };

// Asked when the settings could not be stored while the window closes. `text`
// is the error as the standard error display words it, `caption` the
// application title.
using SaveFailurePrompt =
    std::function<SaveFailureChoice(const std::string& text, const std::string& caption)>;

// The application-modal box: the text and a line saying the settings were not
// stored, the stop icon, "Retry" (the default) and "Close without saving".
SaveFailureChoice AskAfterSaveFailure(const std::string& text, const std::string& caption);

inline constexpr const char* kNotStoredText = "The settings have not been stored.";

}  // namespace corvane
