#pragma once

#include "platform/exception.h"

namespace corvane {

// The application's standard error display: the error's message with the
// full-stop rule, the application title as caption, one OK button, the stop icon.
class ErrorDisplay {
public:
    virtual ~ErrorDisplay() = default;
    virtual void ShowError(const Exception& error) = 0;
};

}  // namespace corvane
