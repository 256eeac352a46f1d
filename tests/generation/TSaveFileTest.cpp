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

TEST(MakeUniqueFileName, CountsFromTwoPastTakenNames)
{
    const struct {
        const char* page;
        std::vector<std::string> existing;
        const char* expected;
    } cases[] = {
        {"A001", {}, "A001.html"},
        {"A001", {"A001.html"}, "A001(2).html"},
        {"A001", {"A001.html", "A001(2).html"}, "A001(3).html"},
        {"A001", {"A001(2).html"}, "A001.html"},
        {"A001", {"A001.html", "A001(3).html"}, "A001(2).html"},
        {"", {}, ".html"},
        {"", {".html"}, "(2).html"},
        {"", {".html", "(2).html"}, "(3).html"},
        {"Vol.2", {}, "Vol.2.html"},
        {"見積書 ①", {"見積書 ①.html"}, "見積書 ①(2).html"},
        {"a001", {"A001.html"}, "a001.html"},  // names are case-sensitive here
        {"A", {"A.html", "A(2).html", "A(3).html", "A(4).html", "A(5).html", "A(6).html", "A(7).html",
               "A(8).html", "A(9).html", "A(10).html"}, "A(11).html"},
    };
    for (const auto& c : cases) {
        TempDir dir;
        for (const auto& name : c.existing)
            Touch(dir / name);
        EXPECT_EQ(TSaveFile::MakeUniqueFileName(Folder(dir), U(c.page)), Folder(dir) + u"/" + U(c.expected))
            << c.page;
        // nothing is created or reserved
        EXPECT_FALSE(fs::exists(dir / c.expected)) << c.expected;
    }
}

TEST(MakeUniqueFileName, FolderWithOrWithoutDelimiter)
{
    EXPECT_EQ(TSaveFile::MakeUniqueFileName(u"/nonexistent-tabloom/out", u"A001"), u"/nonexistent-tabloom/out/A001.html");
    EXPECT_EQ(TSaveFile::MakeUniqueFileName(u"/nonexistent-tabloom/out/", u"A001"), u"/nonexistent-tabloom/out/A001.html");
    EXPECT_EQ(TSaveFile::MakeUniqueFileName(u"", u"A001"), u"/A001.html");
}

TEST(MakeUniqueFileName, FoldersDoNotCountButLinksToFilesDo)
{
    TempDir dir;
    fs::create_directory(dir / "Dir.html");
    EXPECT_EQ(TSaveFile::MakeUniqueFileName(Folder(dir), u"Dir"), Folder(dir) + u"/Dir.html");

    Touch(dir / "target");
    fs::create_symlink(dir / "target", dir / "Link.html");
    EXPECT_EQ(TSaveFile::MakeUniqueFileName(Folder(dir), u"Link"), Folder(dir) + u"/Link(2).html");

    fs::create_directory_symlink(dir / "Dir.html", dir / "DirLink.html");
    EXPECT_EQ(TSaveFile::MakeUniqueFileName(Folder(dir), u"DirLink"), Folder(dir) + u"/DirLink.html");

    // Writing through a dangling link would create a file elsewhere.
    fs::create_symlink(dir / "missing", dir / "Dangling.html");
    EXPECT_EQ(TSaveFile::MakeUniqueFileName(Folder(dir), u"Dangling"), Folder(dir) + u"/Dangling(2).html");
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
        const UnicodeString path = TSaveFile::MakeUniqueFileName(Folder(dir), u"A001");
        TSaveFile::SaveTextFile(path, page, c.codePage);
        EXPECT_EQ(ToHex(testsupport::ReadFile(ToPath(path))), ToHex(Hex(c.hex))) << c.codePage;
    }
}

TEST(SaveTextFile, EmptyTextCreatesNothing)
{
    TempDir dir;
    const UnicodeString path = TSaveFile::MakeUniqueFileName(Folder(dir), u"A001");
    TSaveFile::SaveTextFile(path, u"", 65001);
    EXPECT_FALSE(fs::exists(ToPath(path)));
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

TEST(SaveTextFile, NeverReplacesAFileThatAppearedMeanwhile)
{
    TempDir dir;
    const UnicodeString path = TSaveFile::MakeUniqueFileName(Folder(dir), u"A001");
    testsupport::WriteFile(ToPath(path), "other");  // another writer takes the name
    ExpectCreateError(path, u"page", EEXIST);
    EXPECT_EQ(testsupport::ReadFile(ToPath(path)), "other");
    EXPECT_EQ(TSaveFile::MakeUniqueFileName(Folder(dir), u"A001"), Folder(dir) + u"/A001(2).html");
}

TEST(SaveTextFile, ReportsPathsThatCannotBeCreated)
{
    TempDir dir;
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

TEST(SaveTextFile, RemovesAPageWhoseWritingFailed)
{
    TempDir dir;
    const UnicodeString path = TSaveFile::MakeUniqueFileName(Folder(dir), u"Big");
    const UnicodeString page(100000, u'あ');
    {
        FileSizeLimit limit(4096);
        ExpectCreateError(path, page, EFBIG);
    }
    EXPECT_FALSE(fs::exists(ToPath(path)));
    EXPECT_TRUE(fs::is_empty(dir.Path()));

    // The same page goes through once the limit is gone.
    TSaveFile::SaveTextFile(path, page, 65001);
    EXPECT_EQ(fs::file_size(ToPath(path)), 3u + 300000u);
}

TEST(SaveTextFile, SecondRunKeepsTheFirstRunsPages)
{
    TempDir dir;
    for (int run = 0; run < 2; ++run)
        for (const char16_t* name : {u"A001", u"A002"})
            TSaveFile::SaveTextFile(TSaveFile::MakeUniqueFileName(Folder(dir), name), name, 932);
    for (const char* name : {"A001.html", "A002.html", "A001(2).html", "A002(2).html"})
        EXPECT_EQ(testsupport::ReadFile(dir / name), std::string(name).substr(0, 4)) << name;
}

} // namespace
