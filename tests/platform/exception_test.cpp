#include "platform/exception.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace corvane {
namespace {

TEST(ErrorDisplayText, AppendsFullStopOnlyAfterCharactersSortingAfterDot) {
    const struct {
        const char* message;
        const char* shown;
    } cases[] = {
        {"Failed to create key \\Software\\Corvane", "Failed to create key \\Software\\Corvane."},
        {"Failed to get data for 'Encoder'", "Failed to get data for 'Encoder'"},
        {"Invalid data type for 'Encoder'", "Invalid data type for 'Encoder'"},
        {"File not found", "File not found."},
        {"I/O error 21", "I/O error 21."},
        {"Done.", "Done."},
        {"Ends with a dash -", "Ends with a dash -"},
        {"Ends with a slash/", "Ends with a slash/."},
        {"", ""},
        {"high byte \xE9", "high byte \xE9."},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ErrorDisplayText(c.message), c.shown) << c.message;
    }
}

TEST(EInOutError, MessageFollowsTheSystemCode) {
    EXPECT_EQ(EInOutError(2).Message(), "File not found");
    EXPECT_EQ(EInOutError(3).Message(), "Invalid filename");
    EXPECT_EQ(EInOutError(4).Message(), "Too many open files");
    EXPECT_EQ(EInOutError(5).Message(), "File access denied");
    EXPECT_EQ(EInOutError(21).Message(), "I/O error 21");
    EXPECT_EQ(EInOutError(21).ErrorCode(), 21);
}

TEST(EInOutError, PosixErrorsMapToTheirWindowsMeaning) {
    EXPECT_EQ(EInOutError::CodeFromErrno(ENOENT), 2);
    EXPECT_EQ(EInOutError::CodeFromErrno(ENOTDIR), 3);
    EXPECT_EQ(EInOutError::CodeFromErrno(EMFILE), 4);
    EXPECT_EQ(EInOutError::CodeFromErrno(EACCES), 5);
    // errno 5 is EIO: it must not come out as "File access denied".
    EXPECT_NE(EInOutError(EInOutError::CodeFromErrno(EIO)).Message(), "File access denied");
}

TEST(ExceptionFamily, DescendantsAreCaughtAsException) {
    try {
        throw ERegistryException("Failed to set data for 'Bitrate'");
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Failed to set data for 'Bitrate'");
    }
}

}  // namespace
}  // namespace corvane
