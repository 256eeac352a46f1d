// Project files come from other people and are opened by a double click:
// whatever they hold must load what can be read or give a message, never
// crash or hang. Memory is measured by benchmarks/ini_document.cpp.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <fstream>
#include <random>

#include "settings/TProject.h"
#include "support/TestSupport.h"
#include "text/Exception.h"

using testsupport::TempDir;

namespace {

const std::string Config = "[CONFIG]\r\nTemplateFilePath=/t.html\r\nHtmlEncoding=2\r\n";

std::string Repeat(const std::function<std::string(int)>& line, int count)
{
    std::string out;
    for (int i = 0; i < count; ++i)
        out += line(i);
    return out;
}

std::string RandomBytes(std::size_t size)
{
    std::mt19937 random(14);
    std::string out(size, '\0');
    for (char& c : out)
        c = static_cast<char>(random());
    return out;
}

TEST(HostileProjectFile, LoadsWhatCanBeReadOrGivesItsMessage)
{
    struct Case {
        const char* name;
        std::string bytes;
        const char16_t* templatePath;  // nullptr: any, as long as it survives a save
        int htmlEncoding;
    };
    const Case cases[] = {
        {"a million sections", Repeat([](int i) { return "[s" + std::to_string(i) + "]\n"; }, 1000000) + Config,
         u"/t.html", 2},
        {"a million keys", Config + Repeat([](int i) { return "k" + std::to_string(i) + "=v\n"; }, 1000000),
         u"/t.html", 2},
        {"a million repeated headers", Repeat([](int) { return std::string("[config]\n=\n"); }, 1000000) + Config,
         u"/t.html", 2},
        {"one line of 8 MB", Config + "ExcelFilePath=" + std::string(8 << 20, 'x') + "\n", u"/t.html", 2},
        {"NUL bytes", std::string("\0\0[CONFIG]\0\nHtmlEncoding=1\0\nTemplateFilePath=/a\0b\n", 48), nullptr, 1},
        {"binary", RandomBytes(1 << 20), nullptr, 0},
        {"UTF-16 mark and an odd byte", std::string("\xFF\xFE[\0C\0O\0N\0F\0I\0G\0]\0\n\0H\0t\0m\0l\0E\0n\0c\0o\0d\0i\0n\0g\0=\0\x31\0\x01", 49),
         u"", 1},
    };
    TempDir dir;
    const auto path = dir / "hostile.tbm";
    for (const Case& c : cases) {
        testsupport::WriteFile(path, c.bytes);
        TProject project;
        ASSERT_NO_THROW(project.LoadFromFile(FromPath(path))) << c.name;
        if (c.templatePath) {
            EXPECT_EQ(project.TemplateFilePath, c.templatePath) << c.name;
        }
        EXPECT_EQ(project.HtmlEncoding, c.htmlEncoding) << c.name;
        // Saving over it keeps what was read (checked on the small ones:
        // the sanitizer build runs these too).
        if (c.bytes.size() > (2u << 20))
            continue;
        project.SaveToFile(FromPath(path));
        TProject again;
        again.LoadFromFile(FromPath(path));
        EXPECT_TRUE(again.SameAs(project)) << c.name;
    }
}

TEST(HostileProjectFile, AHugeFileIsRefusedWithoutBeingRead)
{
    TempDir dir;
    const auto path = dir / "huge.tbm";
    // 100 MB that take no disk space: only the size is looked at.
    std::ofstream(path).close();
    std::filesystem::resize_file(path, 100u << 20);
    TProject project(u"/kept", 1, u"", u"", 1);
    try {
        project.LoadFromFile(FromPath(path));
        FAIL() << "a 100 MB project file was read";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), u"ファイル \"" + FromPath(path) + u"\" は大きすぎるため読み込めません。"
                                                                u"設定ファイルとプロジェクトファイルは16MBまでです。");
    }
    EXPECT_EQ(project.TemplateFilePath, u"/kept");
    // Saving must not replace it with a small file either.
    EXPECT_THROW(project.SaveToFile(FromPath(path)), Exception);
    EXPECT_EQ(std::filesystem::file_size(path), 100u << 20);
}

} // namespace
