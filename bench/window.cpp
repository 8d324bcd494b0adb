// The window's Classify on a copy of the benchmark corpus, timed from the button's press until the last
// move is shown in the log, in the real main window (offscreen unless a display is given).
//
// Usage: bench_window COPY, where COPY holds src/, list.dat and Sorted/ as bench/gen-corpus.py makes them
// and the program's folders (config, state, cache) are set by the caller. Prints the seconds taken.

#include "app/mainwindow.h"
#include "app/programwindows.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include <cstdio>

using namespace Qt::StringLiterals;

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (app.arguments().size() != 2) {
        std::fprintf(stderr, "usage: bench_window COPY\n");
        return 2;
    }
    const QString copy = QDir(app.arguments().at(1)).absolutePath();
    const QString config = qEnvironmentVariable("XDG_CONFIG_HOME") + u"/marrowdale"_s;
    QDir().mkpath(config);
    QFile settings(config + u"/marrowdale.ini"_s);
    if (!settings.open(QIODevice::WriteOnly))
        return 1;
    settings.write(QStringLiteral("[Setting]\nIniFolder=%1/src\nPtnFile=%1/list.dat\nRootFolder=%1/Sorted\nConfirm=0\n")
                       .arg(copy)
                       .toUtf8());
    settings.close();

    ProgramWindows windows = ProgramWindows::create();
    MainWindow *main = windows.main;
    main->firstShow();
    main->show();
    if (!QTest::qWaitForWindowExposed(main))
        return 1;
    main->parseKeywordList(); // as the parse timer would a moment after the start
    QElapsedTimer timer;
    timer.start();
    QTest::mouseClick(main->classifyButton(), Qt::LeftButton);
    QApplication::processEvents(); // the last lines painted
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    std::printf("%d moves %.3f\n", main->log()->count() - 1, seconds);
    windows.destroy();
    return 0;
}
