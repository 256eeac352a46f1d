#include <gtest/gtest.h>

#include "app/TCommandLine.h"

namespace {

TEST(HelpLanguage, TheFirstLocaleVariableSetDecides)
{
    struct Case {
        const char* lcAll;
        const char* lcMessages;
        const char* lang;
        bool japanese;
    };
    const Case cases[] = {
        {nullptr, nullptr, "ja_JP.UTF-8", true},
        {nullptr, nullptr, "ja", true},
        {nullptr, nullptr, "ja_JP.eucJP", true},
        {nullptr, nullptr, "ja.UTF-8", true},
        {nullptr, nullptr, "en_US.UTF-8", false},
        {nullptr, nullptr, "jam_JM", false},  // Jamaican Creole, not Japanese
        {nullptr, nullptr, nullptr, false},
        {nullptr, nullptr, "C.UTF-8", false},
        {"C", nullptr, "ja_JP.UTF-8", false},
        {"", nullptr, "ja_JP.UTF-8", true},  // set but empty counts as unset
        {nullptr, "ja_JP.UTF-8", "en_US.UTF-8", true},
        {nullptr, "en_GB.UTF-8", "ja_JP.UTF-8", false},
        {"ja_JP.UTF-8", "en_GB.UTF-8", "en_US.UTF-8", true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsJapaneseLocale(c.lcAll, c.lcMessages, c.lang), c.japanese)
            << (c.lcAll ? c.lcAll : "-") << " " << (c.lcMessages ? c.lcMessages : "-") << " " << (c.lang ? c.lang : "-");
    }
}

} // namespace
