#include "app/TProgramIcon.h"

#include <QCoreApplication>
#include <QVariant>

QIcon ProgramIcon()
{
    // Decoding every size costs a good part of the window's start-up, so it
    // is done once and kept with the application (a static would outlive it).
    static const char* const Key = "tabloom.programIcon";
    QCoreApplication* app = QCoreApplication::instance();
    if (app) {
        const QVariant kept = app->property(Key);
        if (kept.isValid())
            return kept.value<QIcon>();
    }
    // Every window sends each size to the display as it is shown. A window's
    // icon is drawn small, where 128 is ample even at double scale; the 256
    // one stays with the installed icon theme.
    QIcon icon;
    for (const int size : {16, 22, 24, 32, 48, 64, 128})
        icon.addFile(QStringLiteral(":/icons/hicolor/%1x%1/apps/tabloom.png").arg(size), QSize(size, size));
    if (app)
        app->setProperty(Key, QVariant::fromValue(icon));
    return icon;
}
