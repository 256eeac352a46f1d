#pragma once

#include "settings/TConfigBase.h"

// The main window's settings: a new object has the window's design size.
class TConfig : public TConfigBase {
public:
    TConfig();
};
