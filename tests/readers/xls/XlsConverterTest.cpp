#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <future>
#include <map>
#include <string>
#include <thread>
#include <sys/stat.h>

#include "support/TestSupport.h"
#include "readers/xls/TXlsConverter.h"
#include "support/ZipFixture.h"

using namespace testsupport;
using namespace Excel;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

// Points the system temporary folder at a test folder for one scope, so the
// conversion's own folder can be seen to go away.
class TScopedTmpDir {
public:
    explicit TScopedTmpDir(const fs::path& dir)
    {
        if (const char* old = std::getenv("TMPDIR"))
            old_ = old;
        ::setenv("TMPDIR", dir.c_str(), 1);
    }
    ~TScopedTmpDir()
    {
        if (old_)
            ::setenv("TMPDIR", old_->c_str(), 1);
        else
            ::unsetenv("TMPDIR");
    }

private:
    std::optional<std::string> old_;
};

bool IsEmptyFolder(const fs::path& dir)
{
    return fs::is_directory(dir) && fs::directory_iterator(dir) == fs::directory_iterator();
}

// A stand-in for soffice: a shell script with the given body; "$outdir" is
// the --outdir argument and "$input" the file to convert.
fs::path FakeSoffice(const fs::path& dir, const std::string& body)
{
    const fs::path script = dir / "soffice";
    WriteFile(script, "#!/bin/sh\n"
                      "outdir=; input=; prev=\n"
                      "for a in \"$@\"; do [ \"$prev\" = --outdir ] && outdir=$a; prev=$a; input=$a; done\n" +
                          body + "\n");
    fs::permissions(script, fs::perms::owner_all);
    return script;
}

const std::string SaveAsXlsx = ".xlsx 形式で保存し直してください。";

TEST(XlsConverter, ReportsEveryFailureNamingTheXlsFileAndLeavesNothingBehind)
{
    TempDir dir;
    const fs::path tmp = dir / "tmp";
    const fs::path tools = dir / "tools";
    fs::create_directories(tmp);
    fs::create_directories(tools);
    const fs::path xls = dir / "台帳.xls";
    WriteFile(xls, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1 pretend");
    const std::string named = "ファイル \"" + xls.string() + "\" を開けません。";

    struct Case {
        const char* name;
        std::string script;  // empty: LibreOffice not installed
        std::chrono::milliseconds timeout;
        std::string reason;
    };
    const Case cases[] = {
        {"not installed", "", 5s, "LibreOffice が必要ですが、インストールされていません。"},
        {"nothing converted", "exit 1", 5s, "ブックとして読み取れません。"},
        {"converted file unreadable", "echo broken > \"$outdir/book.xlsx\"", 5s, "を開けません。"},
        {"conversion hangs", "sleep 30", 300ms, "時間内に終わりませんでした。"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path soffice = c.script.empty() ? fs::path() : FakeSoffice(tools, c.script);
        TScopedTmpDir scope(tmp);
        const auto started = std::chrono::steady_clock::now();
        const std::string message = OleMessage([&] { TXlsConverter(soffice, c.timeout).Read(xls); });
        EXPECT_LT(std::chrono::steady_clock::now() - started, 10s);
        EXPECT_EQ(message.rfind(named, 0), 0u) << message;
        EXPECT_NE(message.find(c.reason), std::string::npos) << message;
        EXPECT_NE(message.find(SaveAsXlsx), std::string::npos) << message;
        EXPECT_EQ(message.find(tmp.string()), std::string::npos) << message;
        EXPECT_TRUE(IsEmptyFolder(tmp));
    }
}

TEST(XlsConverter, KillsAHungConverterWithItsHelpers)
{
    TempDir dir;
    const fs::path pidFile = dir / "helper.pid";
    // The launcher starts a helper and waits, as soffice does with soffice.bin.
    const auto soffice = FakeSoffice(dir.Path(), "sleep 60 & echo $! > '" + pidFile.string() + "'; wait");
    WriteFile(dir / "a.xls", "x");
    const std::string message = OleMessage([&] { TXlsConverter(soffice, 500ms).Read(dir / "a.xls"); });
    EXPECT_NE(message.find("時間内に終わりませんでした。"), std::string::npos) << message;
    const int helper = std::stoi(ReadFile(pidFile));
    bool gone = false;
    for (int i = 0; i < 100 && !gone; ++i) {
        gone = ::kill(helper, 0) != 0;
        if (!gone)
            std::this_thread::sleep_for(20ms);
    }
    EXPECT_TRUE(gone) << "helper " << helper << " still runs";
}

TEST(XlsConverter, RunsSofficeOnAPrivateCopyWithItsOwnProfile)
{
    TempDir dir;
    const fs::path tmp = dir / "tmp";
    fs::create_directories(tmp);
    const fs::path args = dir / "args.txt";
    // Records its arguments, checks the input is a private copy, and "converts"
    // by copying a real workbook.
    const auto soffice = FakeSoffice(
        dir.Path(), "printf '%s\\n' \"$@\" > '" + args.string() + "'\n"
                    "cmp -s \"$input\" '" + (dir / "in put.xls").string() + "' || exit 3\n"
                    "cp '" + (SharedDir() / "workbooks/public/date.xlsx").string() + "' \"$outdir/book.xlsx\"");
    WriteFile(dir / "in put.xls", "\xD0\xCF\x11\xE0 original bytes");
    std::unique_ptr<TWorkbookData> book;
    {
        TScopedTmpDir scope(tmp);
        book = TXlsConverter(soffice, 10s).Read(dir / "in put.xls");
        EXPECT_TRUE(IsEmptyFolder(tmp));
    }
    ASSERT_TRUE(book);
    EXPECT_EQ(book->sheets.size(), 1u);

    const std::string recorded = ReadFile(args);
    for (const char* expected : {"\n--headless\n", "\n--convert-to\nxlsx\n", "\n--infilter=MS Excel 97\n",
                                 "\n--outdir\n"})
        EXPECT_NE(recorded.find(expected), std::string::npos) << expected << " in\n" << recorded;
    EXPECT_NE(recorded.find("-env:UserInstallation=file://" + tmp.string() + "/tabloom-xls-"), std::string::npos)
        << recorded;
    EXPECT_EQ(recorded.find("in put.xls"), std::string::npos) << "the original is never handed over";
}

TEST(XlsConverter, RefusesFoldersAndMissingFiles)
{
    TempDir dir;
    const fs::path cases[] = {dir.Path(), dir / "missing.xls"};
    for (const auto& path : cases) {
        const std::string message = OleMessage([&] { TXlsConverter({}, 1s).Read(path); });
        EXPECT_EQ(message.rfind("ファイル \"" + path.string() + "\" を開けません。", 0), 0u) << message;
    }
}

// The public .xls files through the real LibreOffice, each converted once.
class XlsPublicFiles : public ::testing::Test {
protected:
    struct Outcome {
        std::shared_ptr<TWorkbookData> book;
        std::string message;
    };

    static void SetUpTestSuite()
    {
        if (TXlsConverter::FindSoffice().empty())
            return;
        tmp_ = new TempDir;
        TScopedTmpDir scope(tmp_->Path());
        std::vector<fs::path> files;
        for (const auto& e : fs::directory_iterator(SharedDir() / "workbooks" / "public"))
            if (e.path().extension() == ".xls")
                files.push_back(e.path());
        std::sort(files.begin(), files.end());
        // Two at a time: each run has its own profile, and the machine is shared.
        std::size_t next = 0;
        std::mutex lock;
        auto worker = [&] {
            for (;;) {
                fs::path file;
                {
                    std::lock_guard guard(lock);
                    if (next == files.size())
                        return;
                    file = files[next++];
                }
                Outcome outcome;
                outcome.message = OleMessage([&] { outcome.book = ReadXlsWorkbook(file); });
                std::lock_guard guard(lock);
                outcomes_[file.filename().string()] = std::move(outcome);
            }
        };
        std::thread a(worker), b(worker);
        a.join();
        b.join();
    }

    static void TearDownTestSuite()
    {
        delete tmp_;
        tmp_ = nullptr;
    }

    void SetUp() override
    {
        if (outcomes_.empty())
            GTEST_SKIP() << "LibreOffice (soffice) is not installed";
    }

    static const TWorkbookData& Book(const std::string& name)
    {
        const auto& outcome = outcomes_.at(name);
        if (!outcome.book)
            throw std::runtime_error(name + ": " + outcome.message);
        return *outcome.book;
    }

    static inline TempDir* tmp_ = nullptr;
    static inline std::map<std::string, Outcome> outcomes_;
};

TEST_F(XlsPublicFiles, OpenEveryGoodFileRefuseTheRestAndLeaveNoTemporaryFolder)
{
    // LibreOffice itself cannot load these two.
    const std::map<std::string, bool> refused = {{"too_small.xls", true}, {"OOM_alloc3.xls", true}};
    EXPECT_EQ(outcomes_.size(), 36u);
    for (const auto& [name, outcome] : outcomes_) {
        SCOPED_TRACE(name);
        if (refused.count(name)) {
            EXPECT_FALSE(outcome.book);
            const fs::path file = SharedDir() / "workbooks" / "public" / name;
            EXPECT_EQ(outcome.message.rfind("ファイル \"" + file.string() + "\" を開けません。", 0), 0u)
                << outcome.message;
            EXPECT_NE(outcome.message.find(SaveAsXlsx), std::string::npos) << outcome.message;
        } else {
            EXPECT_EQ(outcome.message, "");
            ASSERT_TRUE(outcome.book);
            EXPECT_FALSE(outcome.book->sheets.empty());
        }
    }
    EXPECT_TRUE(IsEmptyFolder(tmp_->Path()));
}

TEST_F(XlsPublicFiles, KeepValuesSheetsAndDateSystem)
{
    const auto& date = Book("date.xls");
    ASSERT_EQ(date.sheets.size(), 1u);
    EXPECT_FALSE(date.date1904);
    ASSERT_TRUE(date.sheets[0].Find(1, 1));
    EXPECT_EQ(date.sheets[0].Find(1, 1)->number, 44197);  // 2021-01-01
    EXPECT_TRUE(date.Format(date.sheets[0].Find(1, 1)->style).IsDateTime());
    EXPECT_EQ(date.sheets[0].Find(2, 2)->number, 16);

    const auto& date1904 = Book("date_1904.xls");
    EXPECT_TRUE(date1904.date1904);
    EXPECT_EQ(date1904.sheets[0].Find(1, 1)->number, 42735);  // 2021-01-01 counted from 1904

    const auto& issues = Book("issues.xls");
    ASSERT_EQ(issues.sheets.size(), 5u);
    EXPECT_EQ(issues.sheets[0].Name(), u"datatypes");
    const auto* text = issues.sheets[0].Find(3, 1);
    ASSERT_TRUE(text);
    ASSERT_EQ(text->type, TCellType::String);
    EXPECT_EQ(issues.String(text->text), u"ab");

    const auto& rich = Book("biff5-rich-text-string.xls");
    const auto* title = rich.sheets.at(0).Find(1, 1);
    ASSERT_TRUE(title);
    EXPECT_EQ(rich.String(title->text).rfind(U("ELECTORAL DIVISION OF SOMERSET EAST"), 0), 0u);
}

} // namespace
