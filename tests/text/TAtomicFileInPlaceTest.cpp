#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "support/TestSupport.h"
#include "text/TAtomicFile.h"

namespace fs = std::filesystem;
using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

TEST(TAtomicFile, HardLinksKeepSharingTheFile)
{
    TempDir dir;
    WriteFile(dir / "a.tbm", "old content, longer than the new");
    fs::create_hard_link(dir / "a.tbm", dir / "b.tbm");
    TAtomicFile::Write(FromPath(dir / "a.tbm"), "new");
    EXPECT_EQ(ReadFile(dir / "a.tbm"), "new");
    EXPECT_EQ(ReadFile(dir / "b.tbm"), "new");
    EXPECT_EQ(fs::hard_link_count(dir / "a.tbm"), 2u);
}

// Saves a writable file in a folder that takes no new files. Root ignores
// folder permissions, so it does this as an unprivileged user in a child.
TEST(TAtomicFile, WritableFileInAReadOnlyFolderIsSaved)
{
    TempDir dir;
    const fs::path folder = dir / "ro";
    fs::create_directory(folder);
    const fs::path file = folder / "p.tbm";
    WriteFile(file, "old content");
    const bool root = ::geteuid() == 0;
    const uid_t user = root ? 65534 : ::geteuid();  // nobody
    ASSERT_EQ(::chown(dir.Path().c_str(), root ? 0 : user, static_cast<gid_t>(-1)), 0);
    ASSERT_EQ(::chmod(dir.Path().c_str(), 0755), 0);
    ASSERT_EQ(::chown(file.c_str(), user, static_cast<gid_t>(-1)), 0);
    ASSERT_EQ(::chmod(folder.c_str(), 0555), 0);

    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        if (root && (::setgid(65534) != 0 || ::setuid(user) != 0))
            ::_exit(2);
        try {
            TAtomicFile::Write(FromPath(file), "new");
        } catch (...) {
            ::_exit(1);
        }
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ::chmod(folder.c_str(), 0755);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(ReadFile(file), "new");
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
}

} // namespace
