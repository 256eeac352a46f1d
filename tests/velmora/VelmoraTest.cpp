// velmora run as a program against scratch XDG folders, checked with the
// desktop's own tools (xdg-mime, desktop-file-validate).
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <unistd.h>

#include "shell/TChildProcess.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;
using testsupport::ReadFile;
using testsupport::WriteFile;

namespace {

const std::string MimeType = "application/x-tabloom-project";

class VelmoraTest : public ::testing::Test {
protected:
    VelmoraTest()
    {
        for (const char* folder : {"data", "config", "system", "bin", "home"})
            fs::create_directories(dir_ / folder);
        // A program path with a blank, a double quote and shell characters.
        program_ = dir_ / "bin" / "my \"tab$loom`";
        fs::copy_file("/bin/true", program_);
        WriteFile(dir_ / "x.tbm", "[SYSTEM]\r\nVERSION=1\r\n");
    }

    fs::path Data() const { return dir_ / "data"; }
    fs::path Config() const { return dir_ / "config"; }

    std::string RegisterTask(const fs::path& program, const fs::path& icon) const
    {
        return "[EXT]\r\nEXT=.tbm\r\nCOMMAND=\"" + program.string() + "\" \"%1\"\r\n"
               "FILE_TYPE=tabloom ファイル\r\nICON_FILE=" + icon.string() + "\r\nICON_INDEX=0\r\n\r\n"
               "[TASK]\r\nCLOSE=1\r\nCOMMAND=1\r\n\r\n";
    }
    static std::string RemoveTask() { return "[EXT]\r\nEXT=.tbm\r\n\r\n[TASK]\r\nCLOSE=1\r\nCOMMAND=2\r\n\r\n"; }

    TChildProcessRequest WithScratchFolders(std::vector<std::string> argv) const
    {
        TChildProcessRequest request;
        request.argv = std::move(argv);
        request.searchPath = true;
        request.setEnv = {{"XDG_DATA_HOME", Data().string()},
                          {"XDG_CONFIG_HOME", Config().string()},
                          {"XDG_DATA_DIRS", (dir_ / "system").string()},
                          {"XDG_CURRENT_DESKTOP", "GNOME"},  // xdg-mime then asks gio
                          {"HOME", (dir_ / "home").string()}};
        return request;
    }

    TChildProcessResult Velmora(const std::string& taskBytes) const
    {
        WriteFile(dir_ / "task.ini", taskBytes);
        return RunChildProcess(WithScratchFolders({(testsupport::BinaryDir() / "velmora").string(),
                                                   (dir_ / "task.ini").string()}));
    }

    std::string Query(std::vector<std::string> argv) const
    {
        TChildProcessResult r = RunChildProcess(WithScratchFolders(std::move(argv)));
        EXPECT_TRUE(r.started) << "xdg-utils are needed (scripts/setup.sh installs them)";
        while (!r.out.empty() && r.out.back() == '\n')
            r.out.pop_back();
        return r.out;
    }
    std::string FileType() const { return Query({"xdg-mime", "query", "filetype", (dir_ / "x.tbm").string()}); }
    std::string DefaultApp() const { return Query({"xdg-mime", "query", "default", MimeType}); }

    // Every file under the two scratch folders with its bytes.
    std::map<std::string, std::string> Snapshot() const
    {
        std::map<std::string, std::string> files;
        for (const fs::path& root : {Data(), Config()})
            for (const auto& entry : fs::recursive_directory_iterator(root))
                files[entry.path().string()] = entry.is_regular_file() ? ReadFile(entry.path()) : "<dir>";
        return files;
    }

    testsupport::TempDir dir_;
    fs::path program_;
};

TEST_F(VelmoraTest, RegistersForTheDesktopAndRemovesOnlyItsOwnLines)
{
    const std::string others = "# kept\n[Added Associations]\ntext/html=firefox.desktop;\n\n"
                               "[Default Applications]\ntext/plain=gedit.desktop;\n";
    WriteFile(Config() / "mimeapps.list", others);
    const fs::path tabloom = testsupport::BinaryDir() / "tabloom";

    TChildProcessResult r = Velmora(RegisterTask(program_, tabloom));
    ASSERT_EQ(r.exitStatus, 0) << r.err;
    EXPECT_EQ(FileType(), MimeType);
    EXPECT_EQ(DefaultApp(), "tabloom-association.desktop");
    const fs::path entry = Data() / "applications" / "tabloom-association.desktop";
    TChildProcessRequest validate;
    validate.argv = {"desktop-file-validate", entry.string()};
    validate.searchPath = true;
    const TChildProcessResult valid = RunChildProcess(validate);
    EXPECT_TRUE(valid.Succeeded()) << valid.out << valid.err;
    const std::string text = ReadFile(entry);
    EXPECT_NE(text.find("\nExec=\"" + (dir_ / "bin").string() + "/my \\\\\"tab\\\\$loom\\\\`\" %f\n"),
              std::string::npos) << text;
    // The build tree ships the icon next to the program.
    EXPECT_TRUE(fs::exists(Data() / "icons/hicolor/48x48/mimetypes/tabloom-association.png"));
    EXPECT_NE(text.find("\nIcon=tabloom-association\n"), std::string::npos);
    const std::string list = ReadFile(Config() / "mimeapps.list");
    EXPECT_EQ(list, "# kept\n[Added Associations]\ntext/html=firefox.desktop;\n\n[Default Applications]\n"
                    + MimeType + "=tabloom-association.desktop;\ntext/plain=gedit.desktop;\n");

    const auto registered = Snapshot();
    ASSERT_EQ(Velmora(RegisterTask(program_, tabloom)).exitStatus, 0);
    EXPECT_EQ(Snapshot(), registered) << "registering twice changes nothing";

    r = Velmora(RemoveTask());
    ASSERT_EQ(r.exitStatus, 0) << r.err;
    EXPECT_NE(FileType(), MimeType);
    EXPECT_EQ(DefaultApp(), "");
    EXPECT_EQ(ReadFile(Config() / "mimeapps.list"), others);
    EXPECT_FALSE(fs::exists(entry));
    EXPECT_FALSE(fs::exists(Data() / "mime/packages/tabloom-association.xml"));
    EXPECT_FALSE(fs::exists(Data() / "icons/hicolor/48x48/mimetypes/tabloom-association.png"));

    const auto removed = Snapshot();
    ASSERT_EQ(Velmora(RemoveTask()).exitStatus, 0);
    EXPECT_EQ(Snapshot(), removed) << "removing twice changes nothing";
}

TEST_F(VelmoraTest, WithoutXdgVariablesUsesTheHomeFolder)
{
    WriteFile(dir_ / "task.ini", RegisterTask(program_, ""));
    TChildProcessRequest request = WithScratchFolders({(testsupport::BinaryDir() / "velmora").string(),
                                                       (dir_ / "task.ini").string()});
    request.setEnv.erase(request.setEnv.begin(), request.setEnv.begin() + 2);
    request.unsetEnv = {"XDG_DATA_HOME", "XDG_CONFIG_HOME"};
    const TChildProcessResult r = RunChildProcess(request);
    ASSERT_EQ(r.exitStatus, 0) << r.err;
    EXPECT_TRUE(fs::exists(dir_ / "home/.local/share/applications/tabloom-association.desktop"));
    EXPECT_TRUE(fs::exists(dir_ / "home/.config/mimeapps.list"));
    EXPECT_TRUE(Snapshot().empty());
}

TEST_F(VelmoraTest, ReadsShiftJisTaskFiles)
{
    // "tabloom ファイル" in code page 932, as the Windows program wrote it.
    std::string task = RegisterTask(program_, "");
    const std::string utf8 = "ファイル";
    task.replace(task.find(utf8), utf8.size(), "\x83\x74\x83\x40\x83\x43\x83\x8B");
    ASSERT_EQ(Velmora(task).exitStatus, 0);
    EXPECT_NE(ReadFile(Data() / "mime/packages/tabloom-association.xml").find("<comment>tabloom ファイル</comment>"),
              std::string::npos);
}

TEST_F(VelmoraTest, RefusesBadTasksAndChangesNothing)
{
    WriteFile(Config() / "mimeapps.list", "[Default Applications]\ntext/plain=gedit.desktop;\n");
    const std::string good = RegisterTask(program_, "");
    auto replaced = [&](const std::string& from, const std::string& to) {
        std::string t = good;
        t.replace(t.find(from), from.size(), to);
        return t;
    };
    const std::string command = "COMMAND=\"" + program_.string() + "\" \"%1\"";
    const fs::path percentProgram = dir_ / "home" / "100%" / "tabloom";
    fs::create_directories(percentProgram.parent_path());
    fs::copy_file("/bin/true", percentProgram);
    const struct {
        const char* name;
        std::string task;
    } cases[] = {
        {"empty file", ""},
        {"unknown command", replaced("COMMAND=1", "COMMAND=3")},
        {"no task command", replaced("COMMAND=1", "")},
        {"no extension", replaced("EXT=.tbm", "")},
        {"extension with a path", replaced("EXT=.tbm", "EXT=.tbm/../../x")},
        {"no open command", replaced(command, "")},
        {"line break in the command", replaced(command, "COMMAND=\"" + program_.string() + "\r\nrm -rf ~\" \"%1\"")},
        {"shell command appended", replaced(command, command + "; touch " + (dir_ / "pwned").string())},
        {"relative program", replaced(command, "COMMAND=\"bin/true\" \"%1\"")},
        {"missing program", replaced(command, "COMMAND=\"/nonexistent/tabloom\" \"%1\"")},
        {"no %1", replaced(command, "COMMAND=\"" + program_.string() + "\"")},
        {"% in the program path", replaced(command, "COMMAND=\"" + percentProgram.string() + "\" \"%1\"")},
        {"control character in the file type", replaced("FILE_TYPE=tabloom", "FILE_TYPE=tab\x01loom")},
        {"escape in the file type", replaced("FILE_TYPE=tabloom", "FILE_TYPE=tab\x1b[31mloom")},
    };
    const auto before = Snapshot();
    for (const auto& c : cases) {
        const TChildProcessResult r = Velmora(c.task);
        EXPECT_EQ(r.exitStatus, 1) << c.name;
        EXPECT_NE(r.err.find("。"), std::string::npos) << c.name << ": " << r.err;
        EXPECT_EQ(Snapshot(), before) << c.name;
    }
    EXPECT_FALSE(fs::exists(dir_ / "pwned"));

    fs::remove(dir_ / "task.ini");
    const TChildProcessResult missing = RunChildProcess(WithScratchFolders(
        {(testsupport::BinaryDir() / "velmora").string(), (dir_ / "task.ini").string()}));
    EXPECT_EQ(missing.exitStatus, 1);
    EXPECT_NE(missing.err.find("見つかりません"), std::string::npos) << missing.err;
    EXPECT_EQ(Snapshot(), before);
}

// Links planted at velmora's own names are replaced, never written through;
// removal takes only the regular files velmora made.
TEST_F(VelmoraTest, PlantedLinksAreReplacedAndNeverWrittenThrough)
{
    const fs::path victim = dir_ / "home" / "victim";
    WriteFile(victim, "precious");
    const fs::path own[] = {Data() / "applications/tabloom-association.desktop",
                            Data() / "mime/packages/tabloom-association.xml",
                            Data() / "icons/hicolor/48x48/mimetypes/tabloom-association.png"};
    for (const fs::path& path : own) {
        fs::create_directories(path.parent_path());
        fs::create_symlink(victim, path);
    }
    const fs::path tabloom = testsupport::BinaryDir() / "tabloom";
    TChildProcessResult r = Velmora(RegisterTask(program_, tabloom));
    ASSERT_EQ(r.exitStatus, 0) << r.err;
    EXPECT_EQ(ReadFile(victim), "precious");
    for (const fs::path& path : own)
        EXPECT_EQ(fs::symlink_status(path).type(), fs::file_type::regular) << path;

    // A link planted after registering is not velmora's to remove.
    fs::remove(own[0]);
    fs::create_symlink(victim, own[0]);
    r = Velmora(RemoveTask());
    ASSERT_EQ(r.exitStatus, 0) << r.err;
    EXPECT_TRUE(fs::is_symlink(own[0]));
    EXPECT_FALSE(fs::exists(fs::symlink_status(own[1])));
    EXPECT_FALSE(fs::exists(fs::symlink_status(own[2])));
    EXPECT_EQ(ReadFile(victim), "precious");
}

// Dotfile managers keep mimeapps.list as a link: the file it names is edited,
// the link stays, and removal leaves the file even when it ends up empty.
TEST_F(VelmoraTest, ALinkedMimeAppsListIsEditedThroughTheLink)
{
    const fs::path kept = dir_ / "home" / "dotfiles" / "mimeapps.list";
    fs::create_directories(kept.parent_path());
    WriteFile(kept, "");
    fs::create_symlink(kept, Config() / "mimeapps.list");

    ASSERT_EQ(Velmora(RegisterTask(program_, "")).exitStatus, 0);
    EXPECT_TRUE(fs::is_symlink(Config() / "mimeapps.list"));
    EXPECT_EQ(ReadFile(kept), "[Default Applications]\n" + MimeType + "=tabloom-association.desktop;\n");
    EXPECT_EQ(DefaultApp(), "tabloom-association.desktop");

    ASSERT_EQ(Velmora(RemoveTask()).exitStatus, 0);
    EXPECT_TRUE(fs::is_symlink(Config() / "mimeapps.list"));
    EXPECT_TRUE(fs::exists(kept));
    EXPECT_EQ(ReadFile(kept), "");
}

// The desktop's own launcher (GLib, through gio launch) must start the
// program from the entry, whatever characters its path holds.
TEST_F(VelmoraTest, TheDesktopLauncherStartsTheRegisteredProgram)
{
    const fs::path log = dir_ / "launched";
    for (const std::string name : {"tabloom", "my \"tab$loom`", "back\\slash 'q' #;&"}) {
        const fs::path program = dir_ / "bin" / name;
        WriteFile(program, "#!/bin/sh\nprintf '%s|%s' \"$0\" \"$1\" > '" + log.string() + "'\n");
        fs::permissions(program, fs::perms::owner_all);
        fs::remove(log);
        const TChildProcessResult r = Velmora(RegisterTask(program, ""));
        ASSERT_EQ(r.exitStatus, 0) << name << ": " << r.err;

        const fs::path entry = Data() / "applications/tabloom-association.desktop";
        const TChildProcessResult launch
            = RunChildProcess(WithScratchFolders({"gio", "launch", entry.string(), (dir_ / "x.tbm").string()}));
        ASSERT_TRUE(launch.started) << "gio is needed (libglib2.0-bin)";
        EXPECT_EQ(launch.exitStatus, 0) << name << ": " << launch.err;
        for (int i = 0; i < 100 && !fs::exists(log); ++i)
            ::usleep(20000);
        EXPECT_EQ(fs::exists(log) ? ReadFile(log) : "", program.string() + "|" + (dir_ / "x.tbm").string()) << name;
    }
}

} // namespace
