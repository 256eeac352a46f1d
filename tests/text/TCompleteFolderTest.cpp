#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

#include <cerrno>
#include <filesystem>

#include "support/TestSupport.h"
#include "text/TCompleteFolder.h"

namespace fs = std::filesystem;
using testsupport::ReadFile;
using testsupport::TempDir;

namespace {

// Both ways of creating a file: unnamed and linked, or through a temporary name.
class CompleteFolder : public testing::TestWithParam<bool> {};

TEST_P(CompleteFolder, CreatesWholeFilesUnderFreeNamesOnly)
{
    TempDir dir;
    TCompleteFolder folder(FromPath(dir.Path()));
    if (GetParam())
        folder.UseNamedTemporaries();
    fs::create_directory(dir / "taken");
    fs::create_symlink(dir / "nowhere", dir / "dangling");
    EXPECT_EQ(folder.Create("a.html", "page"), 0);
    EXPECT_EQ(folder.Create("a.html", "other"), EEXIST);
    EXPECT_EQ(folder.Create("taken", "other"), EEXIST);
    EXPECT_EQ(folder.Create("dangling", "other"), EEXIST);
    EXPECT_EQ(folder.Create("missing/b.html", "other"), ENOENT);
    {
        // A write that fails part-way, as on a full disk.
        rlimit saved{};
        getrlimit(RLIMIT_FSIZE, &saved);
        const auto handler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = saved;
        limit.rlim_cur = 1000;
        setrlimit(RLIMIT_FSIZE, &limit);
        EXPECT_EQ(folder.Create("big.html", std::string(5000, 'x')), EFBIG);
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, handler);
    }
    EXPECT_EQ(ReadFile(dir / "a.html"), "page");
    EXPECT_FALSE(fs::exists(dir / "nowhere"));
    const auto entries = std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator());
    EXPECT_EQ(entries, 3) << "a.html, taken, dangling and no temporary";
}

INSTANTIATE_TEST_SUITE_P(Ways, CompleteFolder, testing::Values(false, true));

} // namespace
