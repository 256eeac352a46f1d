// The main window's commands that open other windows: the general settings,
// the help pages and the about box. Each is the one place to wire its window.
#include "app/TFormMain.h"

#include "app/TQtDialogs.h"

void TFormMain::ActionConfigGeneralExecute()
{
    ShowNotAvailableBox(this, QStringLiteral("全般設定"));
}

void TFormMain::ActionHelpShowExecute()
{
    ShowNotAvailableBox(this, QStringLiteral("ヘルプ"));
}

void TFormMain::ActionHelpVersionExecute()
{
    ShowNotAvailableBox(this, QStringLiteral("バージョン情報"));
}

// F1: the help topic of the main window.
void TFormMain::HelpContextF1()
{
    ShowNotAvailableBox(this, QStringLiteral("ヘルプ"));
}
