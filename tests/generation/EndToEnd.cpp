#include "generation/EndToEnd.h"

#include <fcntl.h>
#include <iconv.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <csignal>

#include <cerrno>
#include <cstdio>
#include <stdexcept>
#include <xlsxwriter.h>

extern char** environ;

namespace e2e {

Cell S(const std::string& ref, const std::string& text)
{
    return Cell{ref, text, 0, "", false};
}

Cell N(const std::string& ref, double number, const std::string& format)
{
    return Cell{ref, "", number, format, true};
}

namespace {

// "B3" -> zero-based row 2, column 1.
void SplitRef(const std::string& ref, lxw_row_t& row, lxw_col_t& col)
{
    std::size_t i = 0;
    unsigned c = 0;
    for (; i < ref.size() && ref[i] >= 'A' && ref[i] <= 'Z'; ++i)
        c = c * 26 + static_cast<unsigned>(ref[i] - 'A' + 1);
    col = static_cast<lxw_col_t>(c - 1);
    row = static_cast<lxw_row_t>(std::stoul(ref.substr(i)) - 1);
}

} // namespace

void WriteXlsx(const std::filesystem::path& path, const std::vector<Sheet>& sheets)
{
    lxw_workbook* book = workbook_new(path.c_str());
    if (!book)
        throw std::runtime_error("cannot create " + path.string());
    std::map<std::string, lxw_format*> formats;
    for (const Sheet& sheet : sheets) {
        lxw_worksheet* ws = workbook_add_worksheet(book, sheet.name.c_str());
        for (const Cell& cell : sheet.cells) {
            lxw_row_t row;
            lxw_col_t col;
            SplitRef(cell.ref, row, col);
            if (!cell.isNumber) {
                worksheet_write_string(ws, row, col, cell.text.c_str(), nullptr);
                continue;
            }
            lxw_format* format = nullptr;
            if (!cell.format.empty()) {
                auto& f = formats[cell.format];
                if (!f) {
                    f = workbook_add_format(book);
                    format_set_num_format(f, cell.format.c_str());
                }
                format = f;
            }
            worksheet_write_number(ws, row, col, cell.number, format);
        }
    }
    if (workbook_close(book) != LXW_NO_ERROR)
        throw std::runtime_error("cannot write " + path.string());
}

Running::Running(const std::vector<std::string>& args, const std::vector<std::string>& prefix)
{
    std::vector<std::string> all = prefix;
    all.push_back((testsupport::BinaryDir() / "tabloom").string());
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (const std::string& a : all)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);

    const std::string outPath = (capture_ / "stdout").string();
    const std::string errPath = (capture_ / "stderr").string();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid = 0;
    const int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        throw std::runtime_error("cannot start " + all.front());
    pid_ = pid;
}

Running::~Running()
{
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        while (waitpid(pid_, nullptr, 0) < 0 && errno == EINTR) {
        }
    }
}

void Running::Signal(int signal) const
{
    ::kill(pid_, signal);
}

RunResult Running::Wait()
{
    int status = 0;
    rusage usage{};
    while (wait4(pid_, &status, 0, &usage) < 0 && errno == EINTR) {
    }
    pid_ = -1;
    RunResult result;
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    result.out = testsupport::ReadFile(capture_ / "stdout");
    result.err = testsupport::ReadFile(capture_ / "stderr");
    result.userSeconds = static_cast<double>(usage.ru_utime.tv_sec) + static_cast<double>(usage.ru_utime.tv_usec) / 1e6;
    return result;
}

RunResult RunTabloom(const std::vector<std::string>& args)
{
    return Running(args).Wait();
}

std::map<std::string, std::string> ReadFolder(const std::filesystem::path& folder)
{
    std::map<std::string, std::string> files;
    if (!std::filesystem::is_directory(folder))
        return files;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        files[entry.path().filename().string()] =
            entry.is_regular_file() ? testsupport::ReadFile(entry.path()) : std::string("<dir>");
    return files;
}

std::map<std::string, std::string> Numbered(const std::vector<std::string>& texts)
{
    std::map<std::string, std::string> pages;
    int n = 1;
    for (const std::string& text : texts) {
        char name[32];
        std::snprintf(name, sizeof name, "%05d.html", n++);
        if (!text.empty())
            pages[name] = Bom + text;
    }
    return pages;
}

std::string Convert(const std::string& utf8, const char* toCharset)
{
    iconv_t cd = iconv_open(toCharset, "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1))
        throw std::runtime_error("iconv cannot convert to this charset");
    std::string in = utf8;
    std::string out(in.size() * 4 + 16, '\0');
    char* src = in.data();
    std::size_t srcLeft = in.size();
    char* dst = out.data();
    std::size_t dstLeft = out.size();
    const std::size_t rc = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    iconv_close(cd);
    if (rc == static_cast<std::size_t>(-1))
        throw std::runtime_error("iconv failed");
    out.resize(out.size() - dstLeft);
    return out;
}

Job::Job(const std::vector<Sheet>& sheets)
{
    WriteXlsx(Workbook(), sheets);
}

void Job::SetTemplate(const std::string& bytes) const
{
    testsupport::WriteFile(Template(), bytes);
}

std::vector<std::string> Job::Args(int templateEncoding, int outputEncoding) const
{
    return {"-a", "-t=" + Template().string(), "-x=" + Workbook().string(), "-d=" + Output().string(),
            "-te=" + std::to_string(templateEncoding), "-de=" + std::to_string(outputEncoding)};
}

RunResult Job::Run(int templateEncoding, int outputEncoding) const
{
    return RunTabloom(Args(templateEncoding, outputEncoding));
}

} // namespace e2e
