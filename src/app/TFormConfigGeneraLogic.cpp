#include "app/TFormConfigGeneraLogic.h"

#include "settings/TConfigBase.h"

void TFormConfigGeneraLogic::SetConfig(const TConfigBase& config)
{
    view_.SetChecked(TConfigCheck::RestoreParamFile, config.ProjectFileRestore);
    view_.SetChecked(TConfigCheck::RestoreWindowSize, config.WindowPositionRestore);
    view_.SetChecked(TConfigCheck::InTaskTray, config.InTaskTray);
}

void TFormConfigGeneraLogic::GetConfig(TConfigBase& config) const
{
    config.ProjectFileRestore = view_.IsChecked(TConfigCheck::RestoreParamFile);
    config.WindowPositionRestore = view_.IsChecked(TConfigCheck::RestoreWindowSize);
    config.InTaskTray = view_.IsChecked(TConfigCheck::InTaskTray);
}

void TFormConfigGeneraLogic::ActionExtLink()
{
    const UnicodeString program = view_.ProgramPath();
    RegisterExtension(view_, u".tbm", OpenCommandFor(program), u"tabloom ファイル", program, 0);
}

void TFormConfigGeneraLogic::ActionExtUnlink()
{
    UnregisterExtension(view_, u".tbm");
}

void RunConfigGeneral(TConfigDialog& dialog, TConfigBase& config, const UnicodeString& configPath)
{
    dialog.SetConfig(config);
    if (!dialog.ShowModal())
        return;
    dialog.GetConfig(config);
    config.SaveToFile(configPath);
}
