#include <gtest/gtest.h>

#include "TFreedesktopFiles.h"
#include "TMimeAppsList.h"

namespace {

const std::string Type = "application/x-tabloom-project";
const std::string Ours = "tabloom-association.desktop";

TEST(TFreedesktopFilesTest, AddingThenRemovingGivesBackTheSameText)
{
    const struct {
        const char* name;
        std::string before;
        std::string registered;
    } cases[] = {
        {"no file", "", "[Default Applications]\n" + Type + "=" + Ours + ";\n"},
        {"no section", "[Added Associations]\r\ntext/html=a.desktop;\r\n",
         "[Added Associations]\r\ntext/html=a.desktop;\r\n[Default Applications]\n" + Type + "=" + Ours + ";\n"},
        {"another program first", "[Default Applications]\r\n" + Type + "=other.desktop;\r\n[X]\r\n",
         "[Default Applications]\r\n" + Type + "=" + Ours + ";other.desktop;\r\n[X]\r\n"},
        {"already ours, among others", "[Default Applications]\n" + Type + "=a.desktop;" + Ours + ";b.desktop\n",
         "[Default Applications]\n" + Type + "=" + Ours + ";a.desktop;b.desktop;\n"},
    };
    for (const auto& c : cases) {
        const std::string registered = WithDefaultApplication(c.before, Type, Ours);
        EXPECT_EQ(registered, c.registered) << c.name;
        EXPECT_EQ(WithDefaultApplication(registered, Type, Ours), registered) << c.name;
        const std::string removed = WithoutDefaultApplication(registered, Type, Ours);
        if (std::string(c.name) == "already ours, among others")
            EXPECT_EQ(removed, "[Default Applications]\n" + Type + "=a.desktop;b.desktop;\n");
        else
            EXPECT_EQ(removed, c.before) << c.name;
    }
}

TEST(TFreedesktopFilesTest, ExecArgumentsFollowTheDesktopEntryQuoting)
{
    const struct {
        std::string argument;
        std::string exec;
    } cases[] = {
        {"/usr/bin/tabloom", "/usr/bin/tabloom"},
        {"/opt/my apps/tabloom", "\"/opt/my apps/tabloom\""},
        {"/a\"b$c`d\\e", "\"/a\\\\\"b\\\\$c\\\\`d\\\\\\\\e\""},
        {"/a%b/tabloom", "/a%%b/tabloom"},
        {"/a b%/x;y", "\"/a b%%/x;y\""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DesktopExecArgument(c.argument), c.exec) << c.argument;
}

} // namespace
