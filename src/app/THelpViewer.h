#pragma once

// Opens a page of the shipped help in the desktop's browser; a missing page
// or a browser that cannot be started is shown in a warning box.

#include "app/TAppHelp.h"

class QWidget;

void ShowHelpTopic(QWidget* parent, THelpTopic topic);
