#pragma once

#include "text/UnicodeString.h"

// The help pages shipped with the program (share/tabloom/help): which page
// stands for the contents and for each help topic.

enum class THelpTopic { Contents = 0, MainWindow = 8, ConfigGeneral = 9 };

// File name of the topic's page inside the help folder.
UnicodeString HelpPageName(THelpTopic topic);

// Full path of the topic's page for the program at `programPath`, "" when
// the help pages cannot be found.
UnicodeString HelpPagePath(const UnicodeString& programPath, THelpTopic topic);
