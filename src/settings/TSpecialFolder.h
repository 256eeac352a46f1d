#pragma once

#include "text/UnicodeString.h"

// Shell folder kinds, in the order of their codes 0 to 29.
enum TSpecialFolderKind : int {
    sfAltStartup,
    sfAppData,  // the only kind the program itself uses
    sfBitBucket,
    sfCommonAltStartup,
    sfCommonDesktopDirectory,
    sfCommonFavorites,
    sfCommonPrograms,
    sfCommonStartMenu,
    sfCommonStartup,
    sfControls,
    sfCookies,
    sfDesktop,
    sfDesktopDirectory,
    sfDrives,
    sfFavorites,
    sfFonts,
    sfHistory,
    sfInternet,
    sfInternetCache,
    sfNetHood,
    sfNetwork,
    sfPersonal,
    sfPrinters,
    sfPrintHood,
    sfPrograms,
    sfRecent,
    sfSendTo,
    sfStartMenu,
    sfStartup,
    sfTemplates,
};

// The shell folder number (CSIDL) of a kind; an unknown kind raises an
// Exception "指定されたコードが見つかりません。".
int SpecialFolderCode(TSpecialFolderKind kind);

// The folder of that kind for the current user, "" when there is none here
// (virtual folders such as the printers or the recycle bin) or it cannot be
// determined. Unknown kinds raise as SpecialFolderCode does.
UnicodeString GetSpecialFolderPath(TSpecialFolderKind kind);

// The settings file: <application-data folder>/Orvanta/tabloom/tabloom.ini.
UnicodeString ConfigFilePath();
