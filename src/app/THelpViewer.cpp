#include "app/THelpViewer.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QUrl>

#include "app/TQtDialogs.h"

void ShowHelpTopic(QWidget* parent, THelpTopic topic)
{
    const UnicodeString page = HelpPagePath(FromQString(QCoreApplication::applicationFilePath()), topic);
    if (page.empty()) {
        ShowWarningBox(parent, QStringLiteral("ヘルプファイルが見つかりません。(%1)").arg(ToQString(HelpPageName(topic))));
        return;
    }
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(ToQString(page))))
        ShowWarningBox(parent, QStringLiteral("ヘルプを表示できません。(%1)").arg(ToQString(page)));
}
