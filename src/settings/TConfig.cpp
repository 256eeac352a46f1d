#include "settings/TConfig.h"

#include "settings/TIniFile.h"

namespace {

constexpr char16_t FoldersSection[] = u"DIALOG_FOLDERS";

struct FolderKey {
    const char16_t* key;
    UnicodeString TDialogFolders::*folder;
};

constexpr FolderKey FolderKeys[] = {
    {u"Template", &TDialogFolders::Template}, {u"Excel", &TDialogFolders::Excel},
    {u"Project", &TDialogFolders::Project},   {u"Batch", &TDialogFolders::Batch},
    {u"SaveDir", &TDialogFolders::SaveDir},
};

} // namespace

TConfig::TConfig()
{
    WindowPositionLeft = 0;
    WindowPositionTop = 0;
    WindowPositionRight = 434;
    WindowPositionBottom = 327;
}

void TConfig::SaveExtra(TIniFile& ini)
{
    TConfigBase::SaveExtra(ini);
    for (const FolderKey& k : FolderKeys) {
        const UnicodeString& folder = DialogFolders.*k.folder;
        // Nothing is added for dialogs never used, so such files stay as they
        // were; an ini line cannot hold a line break, so such a folder is not kept.
        if (!folder.empty() && folder.find_first_of(u"\r\n") == UnicodeString::npos)
            ini.WriteString(FoldersSection, k.key, folder);
    }
}

void TConfig::LoadExtra(const TIniFile& ini)
{
    TConfigBase::LoadExtra(ini);
    for (const FolderKey& k : FolderKeys)
        DialogFolders.*k.folder = ini.ReadString(FoldersSection, k.key, u"");
}
