#include "settings/TConfig.h"

TConfig::TConfig()
{
    WindowPositionLeft = 0;
    WindowPositionTop = 0;
    WindowPositionRight = 434;
    WindowPositionBottom = 327;
}
