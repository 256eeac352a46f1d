#include <gtest/gtest.h>

#include "TabloomVersion.h"
#include "app/TkAppInfo.h"
#include "support/TestSupport.h"
#include "text/Exception.h"

using testsupport::U;

namespace {

TEST(TkAppInfoTest, ReadsTheProgramsOwnTable)
{
    const TkAppInfo info;
    EXPECT_EQ(info.Translation, 0x03A40411u);
    EXPECT_EQ(info.GetString(3), U(TABLOOM_VERSION));
    EXPECT_EQ(info.GetString(3), u"0.7.1.0");
    EXPECT_EQ(info.GetString(0), U("テンプレートにExcelデータを差し込み、HTMLファイルを作成する"));
    EXPECT_EQ(info.GetString(9), u"tabloom");
    EXPECT_EQ(info.GetString(8), u"") << "PrivateBuild is not in the table";
    EXPECT_EQ(info.GetString(11), u"");
    EXPECT_EQ(TkAppInfo::SubBlockName(info.Translation, 3), u"\\StringFileInfo\\041103A4\\FileVersion");
}

TEST(TkAppInfoTest, LooksStringsUpUnderTheUpperCaseTranslation)
{
    TVersionResource resource;
    resource.translations = {0x04B00409, 0x03A40411};
    resource.strings = {{u"\\StringFileInfo\\040904b0\\Comments", u"lower"},
                        {u"\\StringFileInfo\\040904B0\\LegalCopyright", u"upper"},
                        {u"\\StringFileInfo\\041103A4\\Comments", u"second translation"}};
    const TkAppInfo info(&resource);
    EXPECT_EQ(info.GetString(5), u"upper");
    EXPECT_EQ(info.GetString(0), u"") << "only the first translation counts, spelled in upper case";
}

TEST(TkAppInfoTest, NoTableRaises)
{
    const TVersionResource empty;
    for (const TVersionResource* resource : {static_cast<const TVersionResource*>(nullptr), &empty}) {
        try {
            TkAppInfo info(resource);
            ADD_FAILURE() << "no exception";
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), U("バージョン情報を取得できません"));
        }
    }
}

} // namespace
