// Writes the program icon as a PNG file for the desktop entry, at build time.
#include <QGuiApplication>
#include <cstdio>
#include <cstdlib>

#include "window/images.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: makeicon OUTPUT.png\n");
        return 2;
    }
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication app(argc, argv);
    if (!corvane::ProgramIconImage().save(QString::fromLocal8Bit(argv[1]), "PNG")) {
        std::fprintf(stderr, "makeicon: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
