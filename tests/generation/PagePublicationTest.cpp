#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <random>
#include <set>
#include <thread>

#include "generation/EndToEnd.h"
#include "support/ZipFixture.h"

using namespace e2e;
namespace fs = std::filesystem;

namespace {

// Records p1..pn in column A; pages are named after them.
std::vector<Sheet> Records(int n, const std::string& name = "")
{
    Sheet sheet{"Sheet1", {}};
    for (int k = 1; k <= n; ++k)
        sheet.cells.push_back(S("A" + std::to_string(k), name.empty() ? "p" + std::to_string(k) : name));
    return {sheet};
}

std::vector<std::string> Args(const fs::path& tmpl, const Job& job, const fs::path& out)
{
    return {"-a", "-t=" + tmpl.string(), "-x=" + job.Workbook().string(), "-d=" + out.string(), "-te=1", "-de=1"};
}

TEST(PagePublication, TwoRunsIntoOneFolderEachWriteEveryPage)
{
    const int n = 300;
    Job job(Records(n));
    for (const char* run : {"A", "B"})
        testsupport::WriteFile(job.Root() / (std::string(run) + ".html"),
                               std::string("<!--- excel quit=A1 type=card filename=A1 --->") + run +
                                   " <!--- cell name=A1 --->");
    for (int trial = 0; trial < 3; ++trial) {
        const fs::path out = job.Root() / ("out" + std::to_string(trial));
        fs::create_directories(out);
        Running a(Args(job.Root() / "A.html", job, out));
        Running b(Args(job.Root() / "B.html", job, out));
        const RunResult ra = a.Wait();
        const RunResult rb = b.Wait();
        ASSERT_EQ(ra.status, 0) << ra.err;
        ASSERT_EQ(rb.status, 0) << rb.err;
        const auto pages = ReadFolder(out);
        ASSERT_EQ(pages.size(), 2u * n);
        for (int k = 1; k <= n; ++k) {
            const std::string p = "p" + std::to_string(k);
            const std::set<std::string> texts = {pages.at(p + ".html"), pages.at(p + "(2).html")};
            EXPECT_EQ(texts, (std::set<std::string>{Bom + "A " + p, Bom + "B " + p})) << p;
        }
    }
}

// Every file in `out` is one of the pages, whole; returns how many there are.
std::size_t ExpectOnlyCompletePages(const fs::path& out, const std::string& filler, int n)
{
    std::size_t count = 0;
    for (const auto& [name, bytes] : ReadFolder(out)) {
        const std::string page = name.substr(0, name.size() - 5);
        const int k = std::atoi(page.c_str() + 1);
        EXPECT_TRUE(name == "p" + std::to_string(k) + ".html" && k >= 1 && k <= n) << "stray file " << name;
        EXPECT_EQ(bytes, Bom + filler + page) << name;
        ++count;
    }
    return count;
}

std::size_t ReadFolderNames(const fs::path& folder)
{
    std::error_code ec;
    std::size_t count = 0;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        ++count;
    return count;
}

TEST(PagePublication, AKilledRunLeavesOnlyCompletePages)
{
    const int n = 300;
    const std::string filler(64 * 1024, '.');
    Job job(Records(n));
    job.SetTemplate("<!--- excel quit=A1 type=card filename=A1 --->" + filler + "<!--- cell name=A1 --->");

    ASSERT_EQ(job.Run().status, 0);
    EXPECT_EQ(ExpectOnlyCompletePages(job.Output(), filler, n), static_cast<std::size_t>(n));

    // The signal comes once a random number of pages is there (none: at start-up).
    std::mt19937 random(12345);
    int stopped = 0;
    for (int trial = 0; trial < 6; ++trial) {
        const fs::path out = job.Root() / ("killed" + std::to_string(trial));
        const std::size_t after = std::uniform_int_distribution<std::size_t>(0, n / 2)(random);
        Running run(Args(job.Template(), job, out));
        for (int i = 0; i < 20000 && after > 0 && ReadFolderNames(out) < after; ++i)
            std::this_thread::sleep_for(std::chrono::microseconds(500));
        const int signal = trial % 2 ? SIGINT : SIGTERM;
        run.Signal(signal);
        const RunResult r = run.Wait();
        EXPECT_TRUE(r.status == 0 || r.status == 128 + signal) << r.status << r.err;
        stopped += ExpectOnlyCompletePages(out, filler, n) < static_cast<std::size_t>(n);
    }
    EXPECT_GT(stopped, 0) << "no run was stopped before its end";
}

// A workbook whose reading takes a while: rows of numbers below an empty
// column A, so short and alike that writing them costs little.
void WriteSlowWorkbook(const fs::path& path, int rows, int valuesPerRow)
{
    const std::string main = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
    const std::string rel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
    const std::string pkg = "http://schemas.openxmlformats.org/package/2006/relationships";
    std::string sheet = "<worksheet xmlns=\"" + main + "\"><sheetData>";
    std::string row = "<row><c/>";
    for (int v = 1; v <= valuesPerRow; ++v)
        row += "<c><v>" + std::to_string(v) + "</v></c>";
    row += "</row>";
    sheet.reserve(sheet.size() + row.size() * static_cast<std::size_t>(rows) + 64);
    for (int r = 1; r <= rows; ++r)
        sheet += row;
    sheet += "</sheetData></worksheet>";
    testsupport::WriteZip(path, {
        {"[Content_Types].xml", "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\"/>"},
        {"_rels/.rels", "<Relationships xmlns=\"" + pkg + "\"><Relationship Id=\"rId1\" Type=\"" + rel +
                            "/officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>"},
        {"xl/workbook.xml", "<workbook xmlns=\"" + main + "\" xmlns:r=\"" + rel +
                                "\"><sheets><sheet name=\"S\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>"},
        {"xl/_rels/workbook.xml.rels", "<Relationships xmlns=\"" + pkg + "\"><Relationship Id=\"rId1\" Type=\"" +
                                           rel + "/worksheet\" Target=\"worksheets/sheet1.xml\"/></Relationships>"},
        {"xl/worksheets/sheet1.xml", sheet},
    });
}

double SecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

TEST(PagePublication, AStopSignalEndsTheWorkbookReadingAtOnce)
{
    Job job(Records(1));
    job.SetTemplate("<!--- excel quit=A1 type=card --->x");
    // Wider rows until reading takes long enough to be stopped inside; the
    // widest stays below the 16M cells a workbook may hold.
    double whole = 0;
    for (int valuesPerRow : {4, 16, 48}) {
        if (whole >= 0.3)
            break;
        WriteSlowWorkbook(job.Workbook(), 300000, valuesPerRow);
        whole = 1e30;
        for (int i = 0; i < 2; ++i) {
            const auto start = std::chrono::steady_clock::now();
            ASSERT_EQ(job.Run().status, 0);
            whole = std::min(whole, SecondsSince(start));
        }
    }
    if (whole < 0.3)
        GTEST_SKIP() << "the workbook is read too fast (" << whole << " s) to stop a run inside it";
    // A quarter in, the run is reading; it used to go on to the end of the workbook.
    Running run(job.Args());
    std::this_thread::sleep_for(std::chrono::duration<double>(whole / 4));
    const auto signalled = std::chrono::steady_clock::now();
    run.Signal(SIGHUP);
    const RunResult r = run.Wait();
    const double late = SecondsSince(signalled);
    EXPECT_EQ(r.status, 128 + SIGHUP) << r.err;
    EXPECT_LT(late, whole / 3) << "reading the whole workbook takes " << whole << " s";
    EXPECT_TRUE(job.Pages().empty());
}

TEST(PagePublication, AFileSizeLimitLeavesNoTruncatedPage)
{
    std::string big;
    for (int i = 0; i < 30000; ++i)
        big += "\xE3\x81\x82";  // 90,000 bytes in UTF-8
    Job job({{"Sheet1", {S("A1", "p1"), S("A2", "p2"), S("A3", "p3"), S("B1", "s"), S("B2", big), S("B3", "t")}}});
    job.SetTemplate("<!--- excel quit=A1 type=card filename=A1 ---><!--- cell name=B1 --->");
    const RunResult r = Running(job.Args(), {"prlimit", "--fsize=50000"}).Wait();
    EXPECT_EQ(r.status, 1);
    const std::string prefix = "ファイル \"" + (job.Output() / "p2.html").string() + "\" を作成できません。";
    EXPECT_EQ(r.err.rfind(prefix, 0), 0u) << r.err;
    EXPECT_EQ(job.Pages(), (std::map<std::string, std::string>{{"p1.html", Bom + "s"}}));
}

// Pages written ahead into unnamed files hold descriptors; under a low limit
// they must not take the ones the writer needs to name the next page.
TEST(PagePublication, ALowLimitOnOpenFilesStillMakesEveryPage)
{
    const int n = 3000;
    Job job(Records(n));
    job.SetTemplate("<!--- excel quit=A1 type=card filename=A1 --->x");
    for (const char* limit : {"--nofile=12", "--nofile=24", "--nofile=40"}) {
        std::filesystem::remove_all(job.Output());
        const RunResult r = Running(job.Args(), {"prlimit", limit}).Wait();
        EXPECT_EQ(r.status, 0) << limit << ": " << r.err;
        EXPECT_EQ(job.Pages().size(), static_cast<std::size_t>(n)) << limit;
    }
}

TEST(PagePublication, EqualNamesCostWhatDistinctNamesCost)
{
    const int n = 10000;
    // User time only: on ext4 the kernel's time to create files swings by
    // seconds after many deletions (its inode allocator skips recently freed
    // inodes), and every job here deletes 10,000 pages. A search for a free
    // name spends user time on every name it tries. Best of three: a busy
    // machine only ever adds time.
    double seconds[2] = {1e9, 1e9};
    for (int run = 0; run < 3; ++run) {
        for (int equal = 0; equal < 2; ++equal) {
            Job job(Records(n, equal ? "same" : ""));
            job.SetTemplate("<!--- excel quit=A1 type=card filename=A1 --->x");
            const RunResult r = job.Run();
            ASSERT_EQ(r.status, 0) << r.err;
            ASSERT_EQ(job.Pages().size(), static_cast<std::size_t>(n));
            seconds[equal] = std::min(seconds[equal], r.userSeconds);
        }
    }
    // Restarting the "(n)" search at 2 for every page tries n * n / 2 names.
    EXPECT_LT(seconds[1], 3 * seconds[0] + 0.3) << "distinct " << seconds[0] << " s, equal " << seconds[1] << " s";
}

TEST(PagePublication, PathsThatAreNotUtf8NameTheSameFiles)
{
    Job job(Records(1));
    const fs::path tmpl = job.Root() / "t\xFE.html";
    const fs::path out = job.Root() / "o\xFF";
    testsupport::WriteFile(tmpl, "<!--- excel quit=A1 type=card --->x");
    const RunResult r = RunTabloom(Args(tmpl, job, out));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadFolder(out), (std::map<std::string, std::string>{{"00001.html", Bom + "x"}}));
    EXPECT_EQ(ReadFolder(job.Root()).size(), 3u) << "book, template and the one output folder";
}

// A process that is gone or only waits to be reaped.
bool IsGone(pid_t pid)
{
    const fs::path file = "/proc/" + std::to_string(pid) + "/stat";
    std::error_code ec;
    const std::string stat = fs::exists(file, ec) ? testsupport::ReadFile(file) : "";
    const auto paren = stat.rfind(')');
    return stat.empty() || (paren != std::string::npos && stat.compare(paren + 2, 1, "Z") == 0);
}

TEST(PagePublication, AStoppedXlsConversionLeavesNothingBehind)
{
    Job job(Records(1));
    job.SetTemplate("<!--- excel quit=A1 type=card --->x");
    // An OLE2 file is handed to soffice; this one hangs like a stuck converter.
    testsupport::WriteFile(job.Workbook(), std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + std::string(1024, '\0'));
    const fs::path bin = job.Root() / "bin";
    const fs::path temp = job.Root() / "tmp";
    const fs::path started = job.Root() / "helper.pid";
    fs::create_directories(bin);
    fs::create_directories(temp);
    testsupport::WriteFile(bin / "soffice", "#!/bin/sh\nsleep 60 &\necho $! > " + started.string() + "\nwait\n");
    fs::permissions(bin / "soffice", fs::perms::owner_all);
    const std::string path = bin.string() + ":" + (std::getenv("PATH") ? std::getenv("PATH") : "/usr/bin:/bin");
    const std::string oldPath = std::getenv("PATH") ? std::getenv("PATH") : "";
    const std::string oldTemp = std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "";
    ::setenv("PATH", path.c_str(), 1);
    ::setenv("TMPDIR", temp.c_str(), 1);
    Running run(job.Args());
    ::setenv("PATH", oldPath.c_str(), 1);
    oldTemp.empty() ? ::unsetenv("TMPDIR") : ::setenv("TMPDIR", oldTemp.c_str(), 1);

    const auto helperPid = [&] { return fs::exists(started) ? std::atoi(testsupport::ReadFile(started).c_str()) : 0; };
    for (int i = 0; i < 1000 && helperPid() <= 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    const pid_t helper = helperPid();
    ASSERT_GT(helper, 0) << "the converter did not start";
    run.Signal(SIGTERM);
    const RunResult r = run.Wait();
    EXPECT_EQ(r.status, 128 + SIGTERM) << r.err;
    for (const auto& entry : fs::directory_iterator(temp))  // the capture of the output lives here too
        EXPECT_NE(entry.path().filename().string().rfind("tabloom-xls", 0), 0u) << "left: " << entry.path();
    bool gone = false;
    for (int i = 0; i < 200 && !(gone = IsGone(helper)); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_TRUE(gone) << "the converter's helper still runs";
    EXPECT_TRUE(job.Pages().empty());
}

TEST(PagePublication, TheFirstFailureInPageOrderIsReported)
{
    // Page 2 cannot be created (its name is too long); page 3 cannot even be
    // rendered (its cell lies below the grid), and is rendered before page 2
    // is written when rendering runs ahead.
    const std::string longName(300, 'n');
    Job job({{"Sheet1", {S("A1", "first"), S("A2", longName), S("A3", "third")}}});
    job.SetTemplate("<!--- excel quit=A1 type=card filename=A1 ---><!--- cell name=B1048575 --->x");
    const RunResult r = job.Run();
    EXPECT_EQ(r.status, 1);
    const std::string prefix = "ファイル \"" + (job.Output() / (longName + ".html")).string() + "\" を作成できません。";
    EXPECT_EQ(r.err.rfind(prefix, 0), 0u) << r.err;
    EXPECT_EQ(job.Pages(), (std::map<std::string, std::string>{{"first.html", Bom + "x"}}));
    EXPECT_EQ(r.out, FailedRunLines);
}

} // namespace
