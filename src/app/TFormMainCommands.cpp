// The main window's commands that open other windows: the general settings,
// the help pages, the about box and the preview. Each is the one place to wire its window.
#include "app/TFormMain.h"

#include "app/TFormAboutBox.h"
#include "app/TFormConfigGenera.h"
#include "app/TFormPreview.h"
#include "app/THelpViewer.h"

void TFormMain::ActionConfigGeneralExecute()
{
    TFormConfigGenera dialog(this);
    RunConfigGeneral(dialog, logic_->Config(), logic_->ConfigPath());
}

void TFormMain::ActionHelpShowExecute()
{
    ShowHelpTopic(this, THelpTopic::Contents);
}

void TFormMain::ActionHelpVersionExecute()
{
    TFormAboutBox box(this);
    box.exec();
}

// F1: the help topic of the main window.
void TFormMain::HelpContextF1()
{
    ShowHelpTopic(this, THelpTopic::MainWindow);
}

void TFormMain::ShowPreviewWindow(const TProject& project)
{
    if (!preview_)
        preview_ = new TFormPreview(this);
    preview_->show();
    preview_->raise();
    preview_->activateWindow();
    preview_->Logic().SetProject(project);
}
