#include "app/TDesktopApplication.h"

#include <unistd.h>

#include <exception>

#include <QDialog>
#include <QFont>
#include <QLibraryInfo>
#include <QLocale>
#include <QSocketNotifier>
#include <QTranslator>

#include "app/TDesktop.h"
#include "app/TExceptionMessage.h"
#include "app/TFormMain.h"
#include "app/TProgramIcon.h"
#include "app/TQtDialogs.h"
#include "settings/TSpecialFolder.h"
#include "text/TStopSignal.h"

namespace {

// Qt's own Japanese texts, so standard buttons read はい / いいえ / キャンセル.
void InstallJapaneseTranslation(QApplication& app)
{
    static QTranslator translator;
    if (translator.load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        app.installTranslator(&translator);
}

// Han characters in their Japanese forms where the Japanese font is installed;
// the others stay as fallbacks. Listing the fonts instead would cost a scan of
// every installed font at each start.
void UseJapaneseFont(QApplication& app)
{
    QFont font = app.font();
    font.setFamilies({QStringLiteral("Noto Sans CJK JP"), QStringLiteral("IPAGothic"), font.family()});
    app.setFont(font);
}

// SIGINT, SIGTERM and SIGHUP end the program with 128 + the signal, as in
// the console. A running job notices the signal itself and stops at its next
// page; leaving every event loop here lets the program end once it has.
void EndOnStopSignals(QApplication& app)
{
    const int fd = TStopSignal::NotifyDescriptor();  // before the handlers, so no signal is missed
    TStopSignal::Install();
    if (fd < 0)
        return;
    auto* notifier = new QSocketNotifier(fd, QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, [fd] {
        char bytes[16];
        while (::read(fd, bytes, sizeof bytes) > 0) {
        }
        QCoreApplication::exit(128 + TStopSignal::Received());
        // Before the main loop runs (a warning box while the window is made)
        // exit() does nothing, so open boxes are closed here.
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (auto* dialog = qobject_cast<QDialog*>(widget); dialog != nullptr && dialog->isVisible())
                dialog->reject();
    });
}

} // namespace

TDesktopApplication::TDesktopApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("tabloom"));
    setWindowIcon(ProgramIcon());
    // The menus stay in the window on every desktop, never in a global menu.
    setAttribute(Qt::AA_DontUseNativeMenuBar);
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    InstallJapaneseTranslation(*this);
    UseJapaneseFont(*this);
}

bool TDesktopApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        ShowException(ToQString(ExceptionMessage(e)));
    } catch (...) {
        ShowException(QString());
    }
    return false;
}

void TDesktopApplication::ShowException(const QString& message)
{
    if (TStopSignal::Received() != 0)
        return;  // the program is ending: no box would be answered
    ShowWarningBox(activeWindow(), message);
}

namespace {

// A stop signal decides the status wherever it came, a warning box that was
// up at the time included.
int StatusAfterSignal(int status)
{
    const int signal = TStopSignal::Received();
    return signal != 0 ? 128 + signal : status;
}

} // namespace

int RunDesktop(int& argc, char** argv, const std::vector<UnicodeString>& args)
{
    TDesktopApplication app(argc, argv);
    EndOnStopSignals(app);
    try {
        TFormMain form(args, ConfigFilePath());
        // A box shown while the window was made ends at the signal; the
        // window must then not open.
        if (TStopSignal::Received() != 0)
            return StatusAfterSignal(1);
        form.show();
        app.exec();
        return StatusAfterSignal(form.Logic().ExitCode());
    } catch (const std::exception& e) {
        TDesktopApplication::ShowException(ToQString(ExceptionMessage(e)));
    } catch (...) {
        TDesktopApplication::ShowException(QString());
    }
    return StatusAfterSignal(1);
}
