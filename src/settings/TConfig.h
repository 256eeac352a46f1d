#pragma once

#include "settings/TConfigBase.h"

// The folders the file dialogs were last left in, one per kind of dialog;
// "" until a dialog of that kind was confirmed.
struct TDialogFolders {
    UnicodeString Template;
    UnicodeString Excel;
    UnicodeString Project;
    UnicodeString Batch;
    UnicodeString SaveDir;
};

// The main window's settings: a new object has the window's design size, and
// the dialog folders live in a section of their own, which older files lack.
class TConfig : public TConfigBase {
public:
    TConfig();

    void SaveExtra(TIniFile& ini) override;
    void LoadExtra(const TIniFile& ini) override;

    TDialogFolders DialogFolders;
};
