#include "window/program.h"

#include <QApplication>

#include "platform/application.h"
#include "window/images.h"
#include "window/mainaac.h"

namespace corvane {

int ProgramEntry(int argc, char** argv) {
    QApplication app(argc, argv);
    TApplication application;
    try {
        application.SetTitle(kApplicationTitle);
        QApplication::setWindowIcon(ProgramIcon());
        TAacMain window(application);
        window.show();
        QApplication::exec();
    } catch (const Exception& error) {
        application.ShowError(error);
    }
    return 0;
}

}  // namespace corvane
