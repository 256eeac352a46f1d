#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <sys/resource.h>
#include <sys/stat.h>

#include "support/TestSupport.h"
#include "text/Exception.h"
#include "text/TAtomicFile.h"

namespace fs = std::filesystem;
using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

std::size_t EntriesIn(const fs::path& folder)
{
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

// Lowers the file size limit so that a write fails part-way, as on a full disk.
class TFileSizeLimit {
public:
    explicit TFileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &old_);
        oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = old_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~TFileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, oldHandler_);
    }

private:
    rlimit old_ {};
    void (*oldHandler_)(int) = nullptr;
};

TEST(TAtomicFile, CreatesAndReplacesWithoutLeavingTemporaryFiles)
{
    TempDir dir;
    const auto path = dir / "a.ini";
    TAtomicFile::Write(FromPath(path), "first");
    EXPECT_EQ(ReadFile(path), "first");
    TAtomicFile::Write(FromPath(path), "");
    EXPECT_EQ(ReadFile(path), "");
    TAtomicFile::Write(FromPath(path), std::string(200000, 'x'));
    EXPECT_EQ(ReadFile(path).size(), 200000u);
    const auto longName = dir / std::string(255, 'n');
    TAtomicFile::Write(FromPath(longName), "long");
    EXPECT_EQ(ReadFile(longName), "long");
    EXPECT_EQ(EntriesIn(dir.Path()), 2u);
}

TEST(TAtomicFile, KeepsModeAndFollowsLinks)
{
    TempDir dir;
    const auto target = dir / "real.ini";
    const auto link = dir / "link.ini";
    WriteFile(target, "old");
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    fs::create_symlink(target, link);

    TAtomicFile::Write(FromPath(link), "new");
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(ReadFile(target), "new");
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

TEST(TAtomicFile, AFailedWriteLeavesTheOldFile)
{
    TempDir dir;
    const auto path = dir / "a.ini";
    WriteFile(path, "old content");
    try {
        TFileSizeLimit limit(16);
        TAtomicFile::Write(FromPath(path), std::string(4096, 'n'));
        FAIL() << "the write past the size limit reported success";
    } catch (const Exception& e) {
        const UnicodeString prefix = u"ファイル \"" + FromPath(path) + u"\" を作成できません。";
        EXPECT_EQ(e.Message().rfind(prefix, 0), 0u) << Utf16ToUtf8(e.Message());
        EXPECT_GT(e.Message().size(), prefix.size());  // carries the reason
    }
    EXPECT_EQ(ReadFile(path), "old content");
    EXPECT_EQ(EntriesIn(dir.Path()), 1u);
}

TEST(TAtomicFile, ReportsTargetsThatCannotBeWritten)
{
    TempDir dir;
    fs::create_directory(dir / "folder");
    const fs::path targets[] = {dir / "missing" / "a.ini", dir / "folder"};
    for (const auto& target : targets) {
        EXPECT_THROW(TAtomicFile::Write(FromPath(target), "x"), Exception) << target;
    }
    // A NUL must not cut the name down to another file's.
    UnicodeString withNul = FromPath(dir / "a.ini");
    withNul += UnicodeString(u"\0.bak", 5);
    EXPECT_THROW(TAtomicFile::Write(withNul, "x"), Exception);
    EXPECT_TRUE(fs::is_directory(dir / "folder"));
    EXPECT_EQ(EntriesIn(dir / "folder"), 0u);
    EXPECT_EQ(EntriesIn(dir.Path()), 1u);
}

} // namespace
