// Runs the dialog tests on the program's own application object.
#include <QTest>

#include "DialogTests.h"
#include "app/TDesktopApplication.h"

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    TDesktopApplication app(argc, argv);
    DialogTest test;
    return QTest::qExec(&test, argc, argv);
}
