#pragma once

namespace corvane {

// The program entry: application object, title, main window, message loop.
int ProgramEntry(int argc, char** argv);

}  // namespace corvane
