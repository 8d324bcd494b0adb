// Prints the help folder the program resolves when it runs from this executable's place, so
// the install checks can compare it with where the help pages were installed.
#include "apppaths.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    std::printf("%s\n", AppPaths::helpFolder().toUtf8().constData());
    return 0;
}
