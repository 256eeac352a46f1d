#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <thread>

#include "support/TestSupport.h"
#include "text/Exception.h"
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

// A settings file linked to a character device (people link it to /dev/null)
// must leave the node a device; made with mknod, so root only.
TEST(TAtomicFile, ALinkToACharacterDeviceIsWrittenInPlace)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "mknod needs root";
    TempDir dir;
    const fs::path device = dir / "null";
    ASSERT_EQ(::mknod(device.c_str(), S_IFCHR | 0666, makedev(1, 3)), 0);
    fs::create_symlink(device, dir / "tabloom.ini");
    TAtomicFile::Write(FromPath(dir / "tabloom.ini"), "[CONFIG]\n");
    EXPECT_TRUE(fs::is_symlink(dir / "tabloom.ini"));
    EXPECT_TRUE(fs::is_character_file(device));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 2);
}

TEST(TAtomicFile, AFifoTakesTheBytesWhenReadAndIsRefusedOtherwise)
{
    TempDir dir;
    const fs::path fifo = dir / "pipe";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    fs::create_symlink(fifo, dir / "link.ini");
    // No reader: refused at once instead of waiting for one.
    EXPECT_THROW(TAtomicFile::Write(FromPath(dir / "link.ini"), "x"), Exception);
    EXPECT_TRUE(fs::is_fifo(fifo));

    std::string received;
    const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    // A writer of the test's own keeps the reader from seeing the end before
    // the save has even opened the FIFO; it is closed once the save is done.
    const int keepOpen = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
    ASSERT_GE(keepOpen, 0);
    const std::string bytes(200000, 'b');  // more than a pipe holds at once
    std::thread drain([&] {
        ::fcntl(reader, F_SETFL, 0);
        char buffer[4096];
        for (ssize_t n; (n = ::read(reader, buffer, sizeof buffer)) > 0;)
            received.append(buffer, static_cast<std::size_t>(n));
    });
    TAtomicFile::Write(FromPath(dir / "link.ini"), bytes);
    ::close(keepOpen);
    drain.join();
    ::close(reader);
    EXPECT_EQ(received, bytes);
    EXPECT_TRUE(fs::is_fifo(fifo));
    EXPECT_TRUE(fs::is_symlink(dir / "link.ini"));
}

TEST(TAtomicFile, SocketsFoldersAndLinkLoopsAreRefusedAndLeftAsTheyWere)
{
    TempDir dir;
    const fs::path socketPath = dir / "sock";
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    ASSERT_LT(socketPath.string().size(), sizeof address.sun_path);
    std::strcpy(address.sun_path, socketPath.c_str());
    ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    fs::create_symlink(socketPath, dir / "to-socket");
    fs::create_directory(dir / "folder");
    fs::create_symlink(dir / "folder", dir / "to-folder");
    fs::create_symlink(dir / "loop-b", dir / "loop-a");
    fs::create_symlink(dir / "loop-a", dir / "loop-b");

    for (const char* name : {"to-socket", "sock", "to-folder", "loop-a", "folder"})
        EXPECT_THROW(TAtomicFile::Write(FromPath(dir / name), "x"), Exception) << name;
    EXPECT_THROW(TAtomicFile::WriteOwnFile(FromPath(dir / "folder"), "x", 0644), Exception);
    ::close(sock);
    EXPECT_TRUE(fs::is_socket(socketPath));
    EXPECT_TRUE(fs::is_symlink(dir / "to-folder"));
    EXPECT_TRUE(fs::is_symlink(dir / "loop-a"));
    EXPECT_TRUE(fs::is_empty(dir / "folder"));
}

// A file the program owns replaces a link planted at its name and leaves
// the file the link pointed at alone.
TEST(TAtomicFile, AnOwnFileReplacesALinkInsteadOfWritingThroughIt)
{
    TempDir dir;
    WriteFile(dir / "victim", "keep");
    fs::create_symlink(dir / "victim", dir / "own.desktop");
    fs::create_hard_link(dir / "victim", dir / "own2.desktop");
    TAtomicFile::WriteOwnFile(FromPath(dir / "own.desktop"), "mine", 0644);
    TAtomicFile::WriteOwnFile(FromPath(dir / "own2.desktop"), "mine too", 0644);
    EXPECT_FALSE(fs::is_symlink(dir / "own.desktop"));
    EXPECT_EQ(ReadFile(dir / "own.desktop"), "mine");
    EXPECT_EQ(ReadFile(dir / "own2.desktop"), "mine too");
    EXPECT_EQ(ReadFile(dir / "victim"), "keep");
}

} // namespace
