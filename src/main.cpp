#include "app/mainwindow.h"
#include "app/programwindows.h"
#include "cli/commandline.h"
#include "dialogs/handlerguard.h"
#include "programlanguage.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char *argv[])
{
    if (const std::optional<int> status = runCommandLine(argc, argv))
        return *status;
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("marrowdale"));
    QApplication::setApplicationDisplayName(QString());
    QApplication::setDesktopFileName(QStringLiteral("marrowdale"));
    ProgramLanguage::installQtTranslations();
    QIcon icon = QIcon::fromTheme(QStringLiteral("marrowdale"));
    if (icon.isNull()) {
        icon.addFile(QStringLiteral(":/icons/marrowdale-48.png"));
        icon.addFile(QStringLiteral(":/icons/marrowdale-128.png"));
    }
    QApplication::setWindowIcon(icon);
    runGuarded(nullptr, [&app] {
        ProgramWindows windows = ProgramWindows::create();
        MainWindow *main = windows.main;
        QObject::connect(main, &MainWindow::closed, &app, &QApplication::quit, Qt::QueuedConnection);
        main->firstShow();
        main->show();
        QApplication::exec();
        windows.destroy();
    });
    return 0;
}
