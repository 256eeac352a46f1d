#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <set>

#include "support/TestSupport.h"
#include "text/Exception.h"
#include "text/TFileError.h"
#include "text/TFileUtility.h"
#include "text/TTempFile.h"

namespace {

namespace fs = std::filesystem;
using namespace TFileUtility;
using testsupport::TempDir;
using testsupport::U;

UnicodeString Text(const fs::path& path) { return FromPath(path); }

UnicodeString MessageOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const Exception& e) {
        return e.Message();
    }
    return u"(nothing raised)";
}

// Sets an environment variable for the life of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name)
    {
        if (const char* old = std::getenv(name))
            old_ = old;
        ::setenv(name, value, 1);
    }
    ~ScopedEnv()
    {
        if (old_)
            ::setenv(name_, old_->c_str(), 1);
        else
            ::unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST(LoadFileBytes, ReturnsEveryByteRaw)
{
    TempDir dir;
    const std::string bytes("\xEF\xBB\xBF\x82\xA0\0\xFF\r\n", 9);
    testsupport::WriteFile(dir / "t.html", bytes);
    testsupport::WriteFile(dir / "empty", "");

    const RawByteString loaded = LoadFileBytes(Text(dir / "t.html"));
    EXPECT_EQ(loaded.bytes, bytes);
    EXPECT_EQ(loaded.codePage, RawCodePage);
    EXPECT_TRUE(LoadFileBytes(Text(dir / "empty")).empty());

    const std::string big(3 * 1024 * 1024 + 7, 'x');
    testsupport::WriteFile(dir / "big", big);
    EXPECT_EQ(LoadFileBytes(Text(dir / "big")).bytes, big);
}

TEST(LoadFileBytes, NamesTheFileItCannotOpen)
{
    TempDir dir;
    const UnicodeString missing = Text(dir / "\u306A\u3044.html");
    EXPECT_EQ(MessageOf([&] { LoadFileBytes(missing); }),
              u"ファイル \"" + missing + u"\" を開けません。No such file or directory");
    EXPECT_EQ(MessageOf([&] { LoadFileBytes(Text(dir.Path())); }),
              u"ファイル \"" + Text(dir.Path()) + u"\" を開けません。Is a directory");

    // A NUL must not silently cut the path down to another file.
    testsupport::WriteFile(dir / "a", "data");
    const UnicodeString withNul = Text(dir / "a") + UnicodeString(1, u'\0') + u"b";
    EXPECT_EQ(MessageOf([&] { LoadFileBytes(withNul); }),
              u"ファイル \"" + withNul + u"\" を開けません。Invalid argument");
}

TEST(LoadFileBytes, SpecialFilesDoNotHang)
{
    TempDir dir;
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    EXPECT_TRUE(LoadFileBytes(Text(dir / "fifo")).empty());
    EXPECT_TRUE(LoadFileBytes(u"/dev/zero").empty());
}

TEST(FileError, UsesTheRuntimeStyle)
{
    EXPECT_EQ(FileCreateError(u"/x/\u65E5.html", ENOENT).Message(),
              u"ファイル \"/x/\u65E5.html\" を作成できません。No such file or directory");
    EXPECT_EQ(FileOpenError(u"a", EACCES).Message(), u"ファイル \"a\" を開けません。Permission denied");
    EXPECT_STREQ(FileOpenError(u"a", EACCES).what(), "ファイル \"a\" を開けません。Permission denied");
}

TEST(ToValidFileName, ReplacesForbiddenCharactersAndDeviceNames)
{
    using namespace std::string_literals;
    struct Case {
        UnicodeString name;
        const char16_t* expected;
    };
    const Case cases[] = {
        {u"a/b:c", u"a\uFF0Fb\uFF1Ac"},
        {u"x\\y", u"x\uFFE5y"},
        {u"*?\"<>|", u"\uFF0A\uFF1F\u201D\uFF1C\uFF1E\uFF5C"},
        {u"\t\n", u"  "},
        {u"a\rb\x01\x1F\x7F", u"a b  \x7F"},
        {u"shell.php\0x"s, u"shell.php x"},
        {u"con", u"\uFF43\uFF4F\uFF4E"},
        {u"Con.html", u"\uFF23\uFF4F\uFF4E.html"},
        {u"LPT1.txt", u"\uFF2C\uFF30\uFF34\uFF11.txt"},
        {u"clock$", u"\uFF43\uFF4C\uFF4F\uFF43\uFF4B\uFF04"},
        {u"nul.", u"\uFF4E\uFF55\uFF4C."},
        {u"COM0", u"\uFF23\uFF2F\uFF2D\uFF10"},
        {u"con.txt.bak", u"con.txt.bak"},
        {u"console", u"console"},
        {u"COM10", u"COM10"},
        {u" con", u" con"},
        {u".con", u".con"},
        {u"", u""},
        {u"\u65E5\u672C.html", u"\u65E5\u672C.html"},
        // an unpaired surrogate would become a stray byte in the name
        {u"a\xDC80" u"b\xD800", u"a\uFFFD" u"b\uFFFD"},
        {u"\U0001F600\xDE00\xD83D.html", u"\U0001F600\uFFFD\uFFFD.html"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ToValidFileName(c.name), c.expected) << Utf16ToUtf8(c.name);
}

TEST(TempFiles, TemporaryFolderEndsWithASlash)
{
    TempDir dir;
    ScopedEnv env("TMPDIR", dir.Path().c_str());
    EXPECT_EQ(GetTempDirectory(), Text(dir.Path()) + u"/");
}

TEST(TempFiles, MissingTemporaryFolderIsReported)
{
    ScopedEnv env("TMPDIR", "/nonexistent-tabloom-folder");
    EXPECT_EQ(MessageOf([] { GetTempDirectory(); }), u"Cannot get temporary direcotry.");
    EXPECT_EQ(MessageOf([] { CreateTempFileName(); }), u"Cannot get temporary direcotry.");
}

TEST(TempFiles, CreatesEmptyUniqueFiles)
{
    TempDir dir;
    std::set<UnicodeString> names;
    for (int i = 0; i < 20; ++i) {
        const UnicodeString name = CreateTempFileName(Text(dir.Path()), u"tb");
        names.insert(name);
        const fs::path path = ToPath(name);
        EXPECT_EQ(path.parent_path(), dir.Path());
        EXPECT_EQ(path.filename().string().rfind("tb", 0), 0u);
        EXPECT_EQ(path.extension(), ".tmp");
        ASSERT_TRUE(fs::is_regular_file(path));
        EXPECT_EQ(fs::file_size(path), 0u);
    }
    EXPECT_EQ(names.size(), 20u);

    ScopedEnv env("TMPDIR", dir.Path().c_str());
    EXPECT_EQ(ToPath(CreateTempFileName()).parent_path(), dir.Path());
}

TEST(TempFiles, FailureCreatesNothing)
{
    TempDir dir;
    const UnicodeString missing = Text(dir / "missing");
    const UnicodeString failure = u"一時ファイルの作成に失敗しました。";
    EXPECT_EQ(MessageOf([&] { CreateTempFileName(missing, u""); }), failure);
    EXPECT_EQ(MessageOf([&] { TTempFile file(u".ini", missing); }), failure);
    EXPECT_EQ(MessageOf([&] { CreateTempFileName(Text(dir.Path()), UnicodeString(1, u'\0')); }), failure);
    EXPECT_TRUE(fs::is_empty(dir.Path()));
}

TEST(TTempFile, LivesAsLongAsItsOwner)
{
    TempDir dir;
    fs::path kept;
    {
        TTempFile file(u".ini", Text(dir.Path()));
        kept = ToPath(file.FileName());
        EXPECT_EQ(kept.extension(), ".ini");
        EXPECT_EQ(kept.parent_path(), dir.Path());
        EXPECT_TRUE(fs::exists(kept));
        EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 1);
    }
    EXPECT_FALSE(fs::exists(kept));

    {
        TTempFile file(u"", Text(dir.Path()));
        kept = ToPath(file.FileName());
        EXPECT_EQ(kept.extension(), ".tmp");
        EXPECT_TRUE(fs::exists(kept));
        fs::remove(kept);  // deleting a file that is already gone is no failure
    }
    EXPECT_TRUE(fs::is_empty(dir.Path()));
}

TEST(RenameNoReplace, LeavesAnExistingTargetAlone)
{
    TempDir dir;
    testsupport::WriteFile(dir / "a.tmp", "new");
    testsupport::WriteFile(dir / "a.ini", "keep");
    EXPECT_FALSE(RenameNoReplace(Text(dir / "a.tmp"), Text(dir / "a.ini")));
    EXPECT_EQ(testsupport::ReadFile(dir / "a.ini"), "keep");
    EXPECT_EQ(testsupport::ReadFile(dir / "a.tmp"), "new");

    EXPECT_TRUE(RenameNoReplace(Text(dir / "a.tmp"), Text(dir / "b.ini")));
    EXPECT_EQ(testsupport::ReadFile(dir / "b.ini"), "new");
    EXPECT_FALSE(fs::exists(dir / "a.tmp"));

    EXPECT_FALSE(RenameNoReplace(Text(dir / "b.ini"), Text(dir / "c.ini") + UnicodeString(1, u'\0') + u"x"));
    EXPECT_FALSE(RenameNoReplace(Text(dir / "gone"), Text(dir / "d.ini")));
    EXPECT_TRUE(fs::exists(dir / "b.ini"));
    EXPECT_FALSE(fs::exists(dir / "c.ini"));
}

} // namespace
