#include "app/TAppHelp.h"

#include "shell/TProgramFiles.h"

UnicodeString HelpPageName(THelpTopic topic)
{
    switch (topic) {
    case THelpTopic::MainWindow: return u"main-window.html";
    case THelpTopic::ConfigGeneral: return u"settings.html";
    case THelpTopic::Contents: break;
    }
    return u"index.html";
}

UnicodeString HelpPagePath(const UnicodeString& programPath, THelpTopic topic)
{
    return FindSharedFile(programPath, u"tabloom/help/" + HelpPageName(topic));
}
