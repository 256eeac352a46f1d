#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "support/TestSupport.h"

// Helpers that drive the built tabloom program on real .xlsx files.
namespace e2e {

// One cell of a test workbook: text, or a number with an optional format code.
struct Cell {
    std::string ref;
    std::string text;
    double number = 0;
    std::string format;
    bool isNumber = false;
};
Cell S(const std::string& ref, const std::string& text);
Cell N(const std::string& ref, double number, const std::string& format = "");

struct Sheet {
    std::string name;
    std::vector<Cell> cells;
};

// Writes an .xlsx file with libxlsxwriter.
void WriteXlsx(const std::filesystem::path& path, const std::vector<Sheet>& sheets);

struct RunResult {
    int status = -1;  // 128 + the signal when a signal ended it
    std::string out;
    std::string err;
    double userSeconds = 0;  // processor time spent in the program itself
};

// A tabloom process started with these arguments (the program name is
// added, and `prefix` in front when given, e.g. {"prlimit", "--fsize=1"}).
class Running {
public:
    explicit Running(const std::vector<std::string>& args, const std::vector<std::string>& prefix = {});
    ~Running();
    Running(const Running&) = delete;
    Running& operator=(const Running&) = delete;

    void Signal(int signal) const;
    RunResult Wait();

private:
    testsupport::TempDir capture_;
    int pid_ = -1;
};

// Runs tabloom with these arguments and waits for it.
RunResult RunTabloom(const std::vector<std::string>& args);

// File name -> bytes of every file in `folder`.
std::map<std::string, std::string> ReadFolder(const std::filesystem::path& folder);

inline const std::string Bom = "\xEF\xBB\xBF";

// Pages 00001.html, 00002.html, ... holding these UTF-8 texts after the byte-order
// mark; an empty text has no page (its number is still used).
std::map<std::string, std::string> Numbered(const std::vector<std::string>& texts);

// UTF-8 text in "CP932" or "EUC-JP" bytes, through iconv.
std::string Convert(const std::string& utf8, const char* toCharset);

// A job in a fresh folder: workbook, template, output folder.
class Job {
public:
    explicit Job(const std::vector<Sheet>& sheets);

    const std::filesystem::path& Root() const { return dir_.Path(); }
    std::filesystem::path Workbook() const { return dir_ / "book.xlsx"; }
    std::filesystem::path Template() const { return dir_ / "template.html"; }
    std::filesystem::path Output() const { return dir_ / "out"; }

    void SetTemplate(const std::string& bytes) const;
    // -a with the job's paths and charsets (UTF-8 both by default).
    RunResult Run(int templateEncoding = 1, int outputEncoding = 1) const;
    std::vector<std::string> Args(int templateEncoding = 1, int outputEncoding = 1) const;
    std::map<std::string, std::string> Pages() const { return ReadFolder(Output()); }

private:
    testsupport::TempDir dir_;
};

// The progress lines of a run that got as far as generating, with its page count.
inline std::string ProgressLines(int pages)
{
    return "テンプレートファイルを解析します。\nHTMLファイルを作成します。\nHTMLファイルを作成しました。\n" +
           std::to_string(pages) + "件のHTMLファイルを作成しました。\n";
}

// Standard output of a run that failed while making pages: no finishing line.
inline const std::string FailedRunLines = "テンプレートファイルを解析します。\nHTMLファイルを作成します。\n";
inline const std::string FailedRunEnd = "エラーが発生しました。処理を中断します。\n";

} // namespace e2e
