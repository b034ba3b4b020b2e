#pragma once

namespace corvane {

inline constexpr const char* kApplicationTitle = "Corvane 0.5";

// The program entry: the application object and its title, the one main
// window AacMain shown in its normal state, the message loop. An error of the
// exception family that leaves them is shown with the standard error display.
// Returns 0.
int ProgramEntry(int argc, char** argv);

}  // namespace corvane
