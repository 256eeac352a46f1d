// Opening the File menu of the main window with a history of 100,000
// projects, up to the reopen submenu shown on screen. The figure is a ratio
// against building and showing one menu item per entry (how the submenu was
// made before it came in parts), measured in the same run.
// usage: bench_reopen_menu [entries] (runs on the offscreen platform unless
// QT_QPA_PLATFORM says otherwise)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>

#include <QApplication>
#include <QFile>
#include <QMenu>
#include <QTemporaryDir>

#include "app/TFormMain.h"
#include "app/TQtDialogs.h"

namespace {

double Milliseconds(const std::function<void()>& step)
{
    const auto start = std::chrono::steady_clock::now();
    step();
    const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
    return took.count();
}

void ShowAndHide(QMenu* menu)
{
    menu->popup(QPoint(0, 0));
    QCoreApplication::processEvents();
    menu->hide();
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int entries = argc > 1 ? std::max(1, std::atoi(argv[1])) : 100000;
    QTemporaryDir dir;
    QStringList history;
    for (int i = 0; i < entries; ++i)
        history << dir.filePath(QStringLiteral("projects/p%1.tbm").arg(i));
    QFile ini(dir.filePath(QStringLiteral("tabloom.ini")));
    if (!ini.open(QIODevice::WriteOnly))
        return 1;
    ini.write("[STARTUP]\r\nHISTORY=" + history.join(u',').toUtf8() + "\r\n");
    ini.close();

    TFormMain form({}, FromQString(ini.fileName()));
    auto* file = form.findChild<QMenu*>(QStringLiteral("MenuFile"));
    double opening = 1e300;
    for (int round = 0; round < 5; ++round)
        opening = std::min(opening, Milliseconds([&] {
            emit file->aboutToShow();
            ShowAndHide(form.findChild<QMenu*>(QStringLiteral("MenuFileReOpen")));
        }));

    const double everyEntry = Milliseconds([&] {
        QMenu menu;
        for (const QString& path : history)
            menu.addAction(QStringLiteral("&0.") + path);
        ShowAndHide(&menu);
    });
    std::printf("%d entries: File menu with its reopen submenu %.1f ms; every entry as an item %.1f ms; "
                "ratio %.4f\n",
                entries, opening, everyEntry, opening / everyEntry);
    return 0;
}
