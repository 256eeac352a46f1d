#include "readers/xls/TXlsConverter.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "text/TFileUtility.h"
#include "text/TStopSignal.h"
#include "workbook/EOleException.h"
#include "workbook/TWorkbookError.h"
#include "readers/TWorkbookFile.h"
#include "readers/xlsx/TXlsxReader.h"

namespace Excel {

namespace fs = std::filesystem;

namespace {

const char16_t* const SaveAsXlsx = u".xlsx 形式で保存し直してください。";

// Removes the private folder on every way out.
class TTempFolder {
public:
    explicit TTempFolder(const fs::path& file)
    {
        std::error_code ec;
        std::string pattern = (fs::temp_directory_path(ec) / "tabloom-xls-XXXXXX").string();
        if (ec || ::mkdtemp(pattern.data()) == nullptr)
            throw OpenError(file, u"一時フォルダーを作成できません。" + Utf8ToUtf16(std::strerror(errno)));
        path_ = pattern;
    }
    ~TTempFolder()
    {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    TTempFolder(const TTempFolder&) = delete;
    TTempFolder& operator=(const TTempFolder&) = delete;

    const fs::path& Path() const { return path_; }

private:
    fs::path path_;
};

// file:// URL of an absolute path, every byte outside the unreserved set escaped.
std::string FileUrl(const fs::path& path)
{
    static const char hex[] = "0123456789ABCDEF";
    std::string url = "file://";
    for (const unsigned char c : path.string()) {
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
            c == '/' || c == '-' || c == '_' || c == '.' || c == '~') {
            url += static_cast<char>(c);
        } else {
            url += '%';
            url += hex[c >> 4];
            url += hex[c & 15];
        }
    }
    return url;
}

enum class TRunResult { Finished, TimedOut, NotStarted };

// Runs the command in its own process group with no terminal input or
// output; on timeout the whole group (soffice starts helpers) is killed.
TRunResult RunQuietly(const std::vector<std::string>& args, std::chrono::milliseconds timeout)
{
    std::vector<char*> argv;
    for (const auto& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);

    const pid_t pid = ::fork();
    if (pid < 0)
        return TRunResult::NotStarted;
    if (pid == 0) {
        // Only async-signal-safe calls between fork and exec.
        ::setpgid(0, 0);
        const int null = ::open("/dev/null", O_RDWR);
        if (null >= 0) {
            ::dup2(null, 0);
            ::dup2(null, 1);
            ::dup2(null, 2);
        }
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::setpgid(pid, pid);  // also from here, so the group exists before any kill

    const auto deadline = std::chrono::steady_clock::now() + timeout;
    bool timedOut = false;
    for (;;) {
        // WNOWAIT leaves the launcher unreaped, so its process group id
        // cannot be reused before the group is killed below.
        siginfo_t info {};
        const int done = ::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT);
        if ((done == 0 && info.si_pid == pid) || (done < 0 && errno != EINTR))
            break;
        if (TStopSignal::StopAsked())
            break;  // a stopped run takes the converter and its folder with it
        if (std::chrono::steady_clock::now() >= deadline) {
            timedOut = true;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    // Helpers (soffice.bin) must not outlive the conversion either.
    ::kill(-pid, SIGKILL);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    TStopSignal::ThrowIfReceived();
    if (timedOut)
        return TRunResult::TimedOut;
    if (WIFEXITED(status) && WEXITSTATUS(status) == 127)
        return TRunResult::NotStarted;
    return TRunResult::Finished;
}

void ReplaceAll(UnicodeString& text, const UnicodeString& from, const UnicodeString& to)
{
    if (from.empty())
        return;
    for (std::size_t at = text.find(from); at != UnicodeString::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

bool IsExecutable(const fs::path& path)
{
    std::error_code ec;
    return fs::is_regular_file(path, ec) && ::access(path.c_str(), X_OK) == 0;
}

} // namespace

fs::path TXlsConverter::FindSoffice()
{
    if (const char* path = std::getenv("PATH")) {
        std::string_view rest(path);
        while (!rest.empty()) {
            const auto colon = rest.find(':');
            const auto dir = rest.substr(0, colon);
            if (!dir.empty() && IsExecutable(fs::path(dir) / "soffice"))
                return fs::path(dir) / "soffice";
            if (colon == std::string_view::npos)
                break;
            rest.remove_prefix(colon + 1);
        }
    }
    for (const char* known : {"/usr/bin/soffice", "/usr/lib/libreoffice/program/soffice",
                              "/opt/libreoffice/program/soffice"})
        if (IsExecutable(known))
            return known;
    return {};
}

TXlsConverter::TXlsConverter(fs::path soffice, std::chrono::milliseconds timeout)
    : soffice_(std::move(soffice)), timeout_(timeout)
{
}

std::unique_ptr<TWorkbookData> TXlsConverter::Read(const fs::path& file) const
{
    CheckRegularFile(file);
    if (soffice_.empty())
        throw OpenError(file, u"Excel 97-2003 形式 (.xls) のブックを読むには LibreOffice が必要ですが、"
                              u"インストールされていません。Excel などでこのブックを" + UnicodeString(SaveAsXlsx));

    TTempFolder temp(file);
    const fs::path input = temp.Path() / "book.xls";
    const fs::path outDir = temp.Path() / "out";
    const fs::path profile = temp.Path() / "profile";
    std::error_code ec;
    fs::create_directory(outDir, ec);
    if (!ec)
        fs::create_directory(profile, ec);
    if (ec)
        throw OpenError(file, u"一時フォルダーを作成できません。" + Utf8ToUtf16(ec.message()));
    {
        // A private copy: the name soffice sees is plain, and its output name known.
        const std::string bytes = ReadWorkbookBytes(file, XlsMaxFileBytes);
        const int fd = ::open(input.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        bool written = fd >= 0 && TFileUtility::WriteAllBytes(fd, bytes);
        if (fd >= 0 && ::close(fd) != 0)
            written = false;
        if (!written)
            throw OpenError(file, u"一時ファイルを作成できません。");
    }

    const TRunResult run = RunQuietly(
        {soffice_.string(), "-env:UserInstallation=" + FileUrl(profile), "--headless", "--invisible",
         "--nologo", "--norestore", "--nolockcheck", "--nodefault",
         // Only the Excel import: other content must not be taken for text or HTML.
         "--infilter=MS Excel 97", "--convert-to", "xlsx",
         "--outdir", outDir.string(), input.string()},
        timeout_);
    if (run == TRunResult::NotStarted)
        throw OpenError(file, u"LibreOffice (soffice) を起動できません。Excel などでこのブックを" +
                                  UnicodeString(SaveAsXlsx));
    if (run == TRunResult::TimedOut)
        throw OpenError(file, u"LibreOffice による .xls 形式からの変換が時間内に終わりませんでした。" +
                                  UnicodeString(SaveAsXlsx));
    const fs::path converted = outDir / "book.xlsx";
    if (!fs::is_regular_file(converted, ec))
        throw OpenError(file, u"Excel 97-2003 形式 (.xls) のブックとして読み取れません。"
                              u"ファイルが壊れているか、対応していない形式です。" + UnicodeString(SaveAsXlsx));
    try {
        return ReadXlsxWorkbook(converted);
    } catch (const Exception& e) {
        // The caller knows only the .xls file.
        UnicodeString message = e.Message();
        ReplaceAll(message, FromPath(converted), FromPath(file));
        throw EOleException(message + SaveAsXlsx);
    }
}

std::unique_ptr<TWorkbookData> ReadXlsWorkbook(const fs::path& file)
{
    return TXlsConverter(TXlsConverter::FindSoffice(), XlsConversionTimeout).Read(file);
}

} // namespace Excel
