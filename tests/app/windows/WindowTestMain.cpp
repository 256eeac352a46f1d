// Runs the window tests on the application object of the program, so its
// crash handler is the one under test too.
#include <QTest>

#include "WindowTests.h"
#include "app/TDesktopApplication.h"

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    TDesktopApplication app(argc, argv);
    int failures = 0;
    {
        MainWindowTest test;
        failures += QTest::qExec(&test, argc, argv);
    }
    {
        ProgressWindowTest test;
        failures += QTest::qExec(&test, argc, argv);
    }
    {
        PreviewWindowTest test;
        failures += QTest::qExec(&test, argc, argv);
    }
    {
        FileDropTest test;
        failures += QTest::qExec(&test, argc, argv);
    }
    {
        ApplicationTest test;
        failures += QTest::qExec(&test, argc, argv);
    }
    return failures == 0 ? 0 : 1;
}
