#include "platform/exception.h"

#include <cerrno>

namespace corvane {

EInOutError::EInOutError(int errorCode) : Exception(MessageFor(errorCode)), errorCode_(errorCode) {}

std::string EInOutError::MessageFor(int errorCode) {
    switch (errorCode) {
        case 2:
            return "File not found";
        case 3:
            return "Invalid filename";
        case 4:
            return "Too many open files";
        case 5:
            return "File access denied";
        default:
            return "I/O error " + std::to_string(errorCode);
    }
}

int EInOutError::CodeFromErrno(int errnoValue) {
    switch (errnoValue) {
        case ENOENT:
            return 2;  // ERROR_FILE_NOT_FOUND
        case ENOTDIR:
        case ENAMETOOLONG:
        case ELOOP:
            return 3;  // ERROR_PATH_NOT_FOUND
        case EMFILE:
        case ENFILE:
            return 4;  // ERROR_TOO_MANY_OPEN_FILES
        case EACCES:
        case EPERM:
            return 5;  // ERROR_ACCESS_DENIED
        case ENOMEDIUM:
            return 21;  // ERROR_NOT_READY
        case EIO:
            return 1117;  // ERROR_IO_DEVICE; errno 5 would otherwise read as access denied
        default:
            return errnoValue;
    }
}

std::string ErrorDisplayText(const std::string& message) {
    if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') {
        return message + '.';
    }
    return message;
}

}  // namespace corvane
