// corvane-screenshots DIR: draws the real main window offscreen, over a
// settings store of its own, with a folder of WAV files in its encode list,
// and saves each page as DIR/corvane.png, DIR/settings.png and DIR/about.png.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>

#include "platform/application.h"
#include "window/mainaac.h"
#include "window/program.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: corvane-screenshots DIR\n");
        return 2;
    }
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QTemporaryDir store;
    if (!store.isValid()) {
        std::fprintf(stderr, "corvane-screenshots: no temporary folder\n");
        return 1;
    }
    ::setenv("XDG_CONFIG_HOME", store.path().toLocal8Bit().constData(), 1);

    QApplication app(argc, argv);
    const QDir target(QString::fromLocal8Bit(argv[1]));
    if (!QDir().mkpath(target.path())) {
        std::fprintf(stderr, "corvane-screenshots: cannot create %s\n", argv[1]);
        return 1;
    }
    corvane::TApplication application;
    application.SetTitle(corvane::kApplicationTitle);
    corvane::TAacMain window(application);
    window.show();
    // A folder of a few WAV files, all of them in the encode list.
    QTemporaryDir music;
    for (const char* name : {"intro.wav", "track01.wav", "track02.wav", "track03.wav"}) {
        QFile(music.filePath(QString::fromLatin1(name))).open(QIODevice::WriteOnly);
    }
    window.DirectoryListBox->SetDirectory(music.path().toStdString());
    window.AddAllBtnClick();
    QApplication::processEvents();

    const char* names[] = {"corvane.png", "settings.png", "about.png"};
    int failures = 0;
    for (int page = 0; page < 3; ++page) {
        window.PageControl->SetActivePageIndex(page);
        QApplication::processEvents();
        const QString file = target.filePath(QString::fromLatin1(names[page]));
        if (!window.grab().save(file, "PNG")) {
            std::fprintf(stderr, "corvane-screenshots: cannot write %s\n", qPrintable(file));
            ++failures;
        }
    }
    window.close();
    return failures == 0 ? 0 : 1;
}
