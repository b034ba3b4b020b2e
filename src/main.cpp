#include "window/program.h"

int main(int argc, char** argv) {
    return corvane::ProgramEntry(argc, argv);
}
