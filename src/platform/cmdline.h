#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace corvane {

// Splits a command-line text into arguments by the rules of the Microsoft C
// run-time (CommandLineToArgvW): blanks and tabs separate arguments outside
// double quotes; 2n backslashes before a quote give n backslashes and the quote
// toggles quoting; 2n+1 give n backslashes and a literal quote; "" inside a
// quoted section is a literal quote; other backslashes are literal. The first
// argument (the program name) follows the simpler rule of that call: it ends
// at the first blank outside quotes and quotes in it are dropped.
std::vector<std::string> SplitCommandLine(std::string_view commandLine);

// Escapes text that will stand between two double quotes so that
// SplitCommandLine gives it back byte for byte: quotes become \" and
// backslashes before a quote or at the end are doubled. Text with neither
// comes back unchanged.
std::string EscapeQuoted(std::string_view text);

}  // namespace corvane
