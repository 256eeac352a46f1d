#include "app/TDesktopApplication.h"

#include <exception>

#include <QFont>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "app/TDesktop.h"
#include "app/TExceptionMessage.h"
#include "app/TFormMain.h"
#include "app/TQtDialogs.h"
#include "settings/TSpecialFolder.h"

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

} // namespace

TDesktopApplication::TDesktopApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("tabloom"));
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
    ShowWarningBox(activeWindow(), message);
}

int RunDesktop(int& argc, char** argv, const std::vector<UnicodeString>& args)
{
    TDesktopApplication app(argc, argv);
    try {
        TFormMain form(args, ConfigFilePath());
        form.show();
        app.exec();
        return form.Logic().ExitCode();
    } catch (const std::exception& e) {
        TDesktopApplication::ShowException(ToQString(ExceptionMessage(e)));
    } catch (...) {
        TDesktopApplication::ShowException(QString());
    }
    return 1;
}
