// Start-up cost: the real main window's first show with a large keyword list and source folder,
// against a bare window listing the same number of names. Run on demand: make bench.
#include "app/mainwindow.h"
#include "app/programwindows.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QListWidget>
#include <QMainWindow>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

constexpr int fileCount = 10000;
constexpr int keywordLines = 2000;
constexpr int runs = 7;

void prepare(const QString &root)
{
    const QString source = root + u"/source"_s;
    QDir().mkpath(source);
    for (int i = 0; i < fileCount; ++i) {
        QFile f(source + u"/page%1.htm"_s.arg(i, 5, 10, QChar(u'0')));
        f.open(QIODevice::WriteOnly);
    }
    const QString config = root + u"/config/marrowdale"_s;
    QDir().mkpath(config);
    QFile list(config + u"/Default.dat"_s);
    list.open(QIODevice::WriteOnly);
    QTextStream out(&list);
    for (int i = 0; i < keywordLines; ++i)
        out << u"keyword%1 -> ../Topic%1    << 1/10\r\n"_s.arg(i);
    QFile ini(config + u"/marrowdale.ini"_s);
    ini.open(QIODevice::WriteOnly);
    QTextStream(&ini) << u"[Setting]\nIniFolder="_s << source << u"\nRootFolder="_s << root << u"/sorted\n"_s;
}

int child(int argc, char *argv[], bool real)
{
    QElapsedTimer clock;
    clock.start();
    QApplication app(argc, argv);
    if (real) {
        ProgramWindows windows = ProgramWindows::create();
        windows.main->firstShow();
        windows.main->show();
        QApplication::processEvents();
        std::printf("%lld\n", static_cast<long long>(clock.nsecsElapsed() / 1000));
        windows.main->parseTimer()->stop();
        windows.destroy();
    } else {
        QMainWindow window;
        auto *list = new QListWidget(&window);
        QStringList names = QDir(qEnvironmentVariable("BENCH_SOURCE")).entryList(QDir::Files, QDir::Name);
        list->addItems(names);
        window.setCentralWidget(list);
        window.show();
        QApplication::processEvents();
        std::printf("%lld\n", static_cast<long long>(clock.nsecsElapsed() / 1000));
    }
    return 0;
}

double medianOf(const QString &program, const QString &mode, const QProcessEnvironment &env)
{
    QList<double> times;
    for (int i = 0; i < runs; ++i) {
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(program, {mode});
        p.waitForFinished(-1);
        times.append(QString::fromLatin1(p.readAllStandardOutput()).trimmed().toDouble() / 1000.0);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc > 1 && (qstrcmp(argv[1], "main") == 0 || qstrcmp(argv[1], "bare") == 0))
        return child(argc, argv, qstrcmp(argv[1], "main") == 0);

    QTemporaryDir dir;
    prepare(dir.path());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"XDG_CONFIG_HOME"_s, dir.path() + u"/config"_s);
    env.insert(u"BENCH_SOURCE"_s, dir.path() + u"/source"_s);
    if (!env.contains(u"QT_QPA_PLATFORM"_s))
        env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    const QString self = QString::fromLocal8Bit(argv[0]);
    const double real = medianOf(self, u"main"_s, env);
    const double bare = medianOf(self, u"bare"_s, env);
    std::printf("main window first show: %.1f ms (median of %d)\n", real, runs);
    std::printf("bare window, same names: %.1f ms (median of %d)\n", bare, runs);
    std::printf("ratio: %.2f (target under 1.5)\n", real / bare);
    return 0;
}
