#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>

#include <cstring>
#include <filesystem>

#include "generation/TSaveFile.h"
#include "support/HexBytes.h"
#include "support/TestSupport.h"
#include "text/Exception.h"

using hexbytes::Hex;
using hexbytes::ToHex;
using testsupport::TempDir;
using testsupport::U;
namespace fs = std::filesystem;

namespace {

UnicodeString Folder(const TempDir& dir)
{
    return FromPath(dir.Path());
}

void Touch(const fs::path& path)
{
    testsupport::WriteFile(path, "x");
}

// Saves each page name in turn into one run's folder; returns the names given.
std::vector<std::string> SaveAll(const TempDir& dir, const std::vector<const char*>& pages)
{
    TPageFolder folder(Folder(dir));
    std::vector<std::string> names;
    for (const char* page : pages)
        names.push_back(ToPath(folder.Save(U(page), "x")).filename().string());
    return names;
}

TEST(TPageFolder, NamesCountFromTwoPastAnythingTaken)
{
    const struct {
        std::vector<const char*> pages;
        std::vector<std::string> existing;
        std::vector<std::string> expected;
    } cases[] = {
        {{"A001"}, {}, {"A001.html"}},
        {{"A001"}, {"A001.html"}, {"A001(2).html"}},
        {{"A001"}, {"A001.html", "A001(2).html"}, {"A001(3).html"}},
        {{"A001"}, {"A001(2).html"}, {"A001.html"}},
        {{"A001"}, {"A001.html", "A001(3).html"}, {"A001(2).html"}},
        {{"", ""}, {".html"}, {"(2).html", "(3).html"}},
        {{"Vol.2"}, {}, {"Vol.2.html"}},
        {{"見積書 ①"}, {"見積書 ①.html"}, {"見積書 ①(2).html"}},
        {{"a001"}, {"A001.html"}, {"a001.html"}},  // names are case-sensitive here
        // Within a run the search resumes after the last number given, and
        // still skips what others took meanwhile.
        {{"A", "B", "A", "A", "A"}, {"A(3).html"}, {"A.html", "B.html", "A(2).html", "A(4).html", "A(5).html"}},
    };
    for (const auto& c : cases) {
        TempDir dir;
        for (const auto& name : c.existing)
            Touch(dir / name);
        EXPECT_EQ(SaveAll(dir, c.pages), c.expected) << c.pages.front();
    }
}

TEST(TPageFolder, EveryKindOfEntryTakesAName)
{
    TempDir dir;
    fs::create_directory(dir / "Dir.html");
    Touch(dir / "target");
    fs::create_symlink(dir / "target", dir / "Link.html");
    fs::create_directory_symlink(dir / "Dir.html", dir / "DirLink.html");
    // Writing through a dangling link would create a file elsewhere.
    fs::create_symlink(dir / "missing", dir / "Dangling.html");
    EXPECT_EQ(SaveAll(dir, {"Dir", "Link", "DirLink", "Dangling"}),
              (std::vector<std::string>{"Dir(2).html", "Link(2).html", "DirLink(2).html", "Dangling(2).html"}));
    EXPECT_FALSE(fs::exists(dir / "missing"));
    EXPECT_EQ(testsupport::ReadFile(dir / "target"), "x");
    EXPECT_TRUE(fs::is_empty(dir / "Dir.html"));
}

TEST(TPageFolder, FolderWithOrWithoutDelimiter)
{
    TempDir dir;
    EXPECT_EQ(TPageFolder(Folder(dir)).Save(u"A", "x"), Folder(dir) + u"/A.html");
    EXPECT_EQ(TPageFolder(Folder(dir) + u"/").Save(u"A", "x"), Folder(dir) + u"/A(2).html");
}

TEST(SaveTextFile, WritesPreambleAndEncodedText)
{
    const UnicodeString page = u"<p>あ～\r\n</p>\n";
    const struct {
        unsigned codePage;
        const char* hex;
    } cases[] = {
        {932, "3c703e 82a0 8160 0d0a 3c2f703e 0a"},
        {65001, "efbbbf 3c703e e38182 efbd9e 0d0a 3c2f703e 0a"},
        {20932, "3c703e a4a2 a1c1 0d0a 3c2f703e 0a"},
        {0, "3c703e e38182 efbd9e 0d0a 3c2f703e 0a"},
    };
    for (const auto& c : cases) {
        TempDir dir;
        const UnicodeString path = Folder(dir) + u"/A001.html";
        TSaveFile::SaveTextFile(path, page, c.codePage);
        EXPECT_EQ(ToHex(testsupport::ReadFile(ToPath(path))), ToHex(Hex(c.hex))) << c.codePage;
    }
}

TEST(SaveTextFile, EmptyTextCreatesNothing)
{
    TempDir dir;
    const UnicodeString path = Folder(dir) + u"/A001.html";
    TSaveFile::SaveTextFile(path, u"", 65001);
    EXPECT_TRUE(fs::is_empty(dir.Path()));
}

// The message names the path and ends with the system's reason.
void ExpectCreateError(const UnicodeString& path, const UnicodeString& text, int error)
{
    try {
        TSaveFile::SaveTextFile(path, text, 65001);
        ADD_FAILURE() << "no error for " << Utf16ToUtf8(path);
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), u"ファイル \"" + path + u"\" を作成できません。" + Utf8ToUtf16(std::strerror(error)));
    }
}

TEST(SaveTextFile, ReportsPathsThatCannotBeCreated)
{
    TempDir dir;
    Touch(dir / "A.html");
    ExpectCreateError(Folder(dir) + u"/A.html", u"page", EEXIST);
    EXPECT_EQ(testsupport::ReadFile(dir / "A.html"), "x");
    fs::create_directory(dir / "Dir.html");
    ExpectCreateError(Folder(dir) + u"/Dir.html", u"page", EEXIST);
    ExpectCreateError(Folder(dir) + u"/missing/A.html", u"page", ENOENT);
    EXPECT_FALSE(fs::exists(dir / "missing"));
    fs::create_symlink(dir / "elsewhere", dir / "Dangling.html");
    ExpectCreateError(Folder(dir) + u"/Dangling.html", u"page", EEXIST);
    EXPECT_FALSE(fs::exists(dir / "elsewhere"));
}

// Raises the file-size limit back and restores SIGXFSZ when done.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &saved_);
        previous_ = signal(SIGXFSZ, SIG_IGN);
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &saved_);
        signal(SIGXFSZ, previous_);
    }

private:
    rlimit saved_{};
    sighandler_t previous_{};
};

TEST(SaveTextFile, APageThatCannotBeWrittenWholeLeavesNothing)
{
    TempDir dir;
    const UnicodeString path = Folder(dir) + u"/Big.html";
    const UnicodeString page(100000, u'あ');
    {
        FileSizeLimit limit(4096);
        ExpectCreateError(path, page, EFBIG);
        TPageFolder folder(Folder(dir));
        EXPECT_THROW(folder.Save(u"Big", std::string(10000, 'x')), Exception);
    }
    EXPECT_TRUE(fs::is_empty(dir.Path()));  // no page, no temporary file

    // The same page goes through once the limit is gone.
    TSaveFile::SaveTextFile(path, page, 65001);
    EXPECT_EQ(fs::file_size(ToPath(path)), 3u + 300000u);
}

TEST(TPageFolder, SecondRunKeepsTheFirstRunsPages)
{
    TempDir dir;
    for (int run = 0; run < 2; ++run) {
        TPageFolder folder(Folder(dir));
        for (const char* name : {"A001", "A002"})
            folder.Save(U(name), name);
    }
    for (const char* name : {"A001.html", "A002.html", "A001(2).html", "A002(2).html"})
        EXPECT_EQ(testsupport::ReadFile(dir / name), std::string(name).substr(0, 4)) << name;
}

} // namespace
