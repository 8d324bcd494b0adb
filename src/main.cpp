#include "app/programwindows.h"
#include "app/tmain.h"
#include "dialogs/handlerguard.h"

#include <QApplication>
#include <QScreen>
#include <QStyle>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("marrowdale"));
    QApplication::setApplicationDisplayName(QString());
    runGuarded(nullptr, [&app] {
        ProgramWindows windows = ProgramWindows::create();
        TMain *main = windows.main;
        QObject::connect(main, &TMain::closed, &app, &QApplication::quit, Qt::QueuedConnection);
        main->FormShow();
        main->setGeometry(
            QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, main->size(), main->screen()->availableGeometry()));
        main->show();
        QApplication::exec();
        windows.destroy();
    });
    return 0;
}
