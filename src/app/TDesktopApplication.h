#pragma once

// The Qt application object of the desktop program. It is also the crash
// handler: an exception that escapes an event handler is shown in a warning
// box with its message (a throw of anything else gives an empty message), and
// the program goes on.

#include <QApplication>

class TDesktopApplication : public QApplication {
public:
    TDesktopApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    // The warning box for an escaped exception; "" when it carried no message.
    static void ShowException(const QString& message);
};
