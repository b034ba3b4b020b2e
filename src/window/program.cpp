#include "window/program.h"

#include <QApplication>
#include <QWidget>

namespace corvane {

int ProgramEntry(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationDisplayName(QStringLiteral("Corvane 0.5"));
    QWidget window;
    window.setWindowTitle(
        QStringLiteral("Corvane v0.5 Frontend for AAC Encoder (Homboy & Tavrin/Quartex)"));
    window.setFixedSize(482, 396);
    window.show();
    QApplication::exec();
    return 0;
}

}  // namespace corvane
