#pragma once

#include <exception>
#include <string>

namespace corvane {

// Root of the application's exception family: every error that a handler may
// raise and that the standard error display shows derives from it.
class Exception : public std::exception {
public:
    explicit Exception(std::string message) : message_(std::move(message)) {}
    const std::string& Message() const noexcept { return message_; }
    const char* what() const noexcept override { return message_.c_str(); }

private:
    std::string message_;
};

// Errors of the per-user settings store with the registry's own messages.
class ERegistryException : public Exception {
public:
    using Exception::Exception;
};

// The store file itself is unusable (not a database, damaged, unwritable, busy).
class EStoreError : public ERegistryException {
public:
    using ERegistryException::ERegistryException;
};

// A folder or volume that cannot be entered; carries the system's error code.
class EInOutError : public Exception {
public:
    explicit EInOutError(int errorCode);
    int ErrorCode() const noexcept { return errorCode_; }

    // The message shown for a Windows-style error code (2, 3, 4, 5, others).
    static std::string MessageFor(int errorCode);
    // Maps a POSIX errno to the Windows-style code the messages are keyed on.
    static int CodeFromErrno(int errnoValue);

private:
    int errorCode_;
};

class ERangeError : public Exception {
public:
    using Exception::Exception;
};

// A list control that refuses a further entry.
class EStringListError : public Exception {
public:
    using Exception::Exception;
};

// The standard error display's text: a full stop is appended when the last
// character sorts after "." in byte order.
std::string ErrorDisplayText(const std::string& message);

}  // namespace corvane
