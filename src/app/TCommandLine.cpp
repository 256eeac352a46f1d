#include "app/TCommandLine.h"

#include <memory>
#include <optional>
#include <ostream>

#include "TabloomVersion.h"
#include "app/TExceptionMessage.h"
#include "generation/TConsoleProgress.h"
#include "generation/TTabloomMaker.h"
#include "text/Exception.h"
#include "text/TConvert.h"
#include "text/TStopSignal.h"

namespace {

bool StartsWith(const UnicodeString& text, std::u16string_view prefix)
{
    return text.compare(0, prefix.size(), prefix) == 0;
}

void WriteLine(std::ostream& stream, const UnicodeString& text)
{
    stream << Utf16ToUtf8(text) << '\n' << std::flush;
}

// Failures of page generation go to standard error as they happen; on a
// terminal, so does the progress line, erased before any other line.
class TConsoleLogger : public TTabloomMakerStatus {
public:
    TConsoleLogger(std::ostream& err, TConsoleProgress* progress) : err_(err), progress_(progress) {}
    void Log(const UnicodeString& text) override
    {
        if (progress_)
            progress_->Clear();
        WriteLine(err_, text);
    }
    bool FollowsProgress() const override { return progress_ != nullptr; }
    void Progress(long long done, long long total) override { progress_->Update(done, total); }

private:
    std::ostream& err_;
    TConsoleProgress* progress_;
};

// Erases the progress line however the run ends, before the last lines.
class TProgressLineScope {
public:
    explicit TProgressLineScope(std::optional<TConsoleProgress>& line) : line_(line) {}
    ~TProgressLineScope()
    {
        if (line_)
            line_->Clear();
    }
    TProgressLineScope(const TProgressLineScope&) = delete;
    TProgressLineScope& operator=(const TProgressLineScope&) = delete;

private:
    std::optional<TConsoleProgress>& line_;
};

} // namespace

TCommandLine ParseCommandLine(const std::vector<UnicodeString>& args)
{
    TCommandLine result;
    for (const UnicodeString& arg : args) {
        if (arg == u"-a")
            result.AutoRun = true;
        else if (arg == u"--help")
            result.Help = true;
        else if (arg == u"--version")
            result.Version = true;
        else if (StartsWith(arg, u"-te="))
            result.Project.SetTemplateFileEncoding(StrToIntDef(arg.substr(4), 0));
        else if (StartsWith(arg, u"-de="))
            result.Project.SetHtmlEncoding(StrToIntDef(arg.substr(4), 0));
        else if (StartsWith(arg, u"-t="))
            result.Project.TemplateFilePath = arg.substr(3);
        else if (StartsWith(arg, u"-x="))
            result.Project.ExcelFilePath = arg.substr(3);
        else if (StartsWith(arg, u"-d="))
            result.Project.HtmlSavePath = arg.substr(3);
    }
    return result;
}

int RunConsoleJob(const TProject& project, std::ostream& out, std::ostream& err, bool progressLine)
{
    TStopSignal::Install();
    TTabloomMaker job(project.TemplateFilePath, project.TemplateFileEncoding,
                      project.ExcelFilePath, project.HtmlSavePath, project.HtmlEncoding);
    try {
        job.CheckPaths();
    } catch (const Exception& e) {
        WriteLine(err, e.Message());
        return 1;
    }
    try {
        std::optional<TConsoleProgress> line;
        if (progressLine)
            line.emplace(err);
        job.SetLogger(std::make_unique<TConsoleLogger>(err, line ? &*line : nullptr));
        WriteLine(out, u"テンプレートファイルを解析します。");
        job.Load();
        TStopSignal::ThrowIfReceived();
        WriteLine(out, u"HTMLファイルを作成します。");
        bool made = false;
        {
            const TProgressLineScope erase(line);
            made = job.Run();
        }
        if (!made) {
            // The job has written its failure; no finishing line follows it.
            WriteLine(err, u"エラーが発生しました。処理を中断します。");
            return 1;
        }
        WriteLine(out, u"HTMLファイルを作成しました。");
        WriteLine(out, IntToStr(job.PageCount()) + u"件のHTMLファイルを作成しました。");
        return 0;
    } catch (const TStopped& stopped) {
        // The shell's way of telling a run ended by this signal.
        return 128 + stopped.Signal();
    } catch (const std::exception& e) {
        // Running out of memory on a huge workbook is reported like any failure.
        WriteLine(err, ExceptionMessage(e));
        WriteLine(err, u"エラーが発生しました。処理を中断します。");
        return 1;
    }
}

void PrintUsage(std::ostream& out)
{
    out << "使い方: tabloom [プロジェクトファイル]\n"
           "        tabloom -a -t=テンプレート -x=Excelファイル -d=保存フォルダ -te=N -de=N\n"
           "\n"
           "  -a          すぐにHTMLファイルを作成し、終わると閉じます\n"
           "              （画面がなければコンソールで実行します）\n"
           "  -t=PATH     テンプレートファイルの場所\n"
           "  -x=PATH     Excelファイルの場所 (.xlsx .xlsm .ods .csv .xls)\n"
           "  -d=PATH     HTMLファイルの保存場所（なければ作成します）\n"
           "  -te=N       テンプレートの文字コード  0=Shift_JIS 1=UTF-8 2=EUC-JP\n"
           "  -de=N       HTMLファイルの文字コード  0=Shift_JIS 1=UTF-8 2=EUC-JP\n"
           "  --help      この説明を表示します\n"
           "  --version   バージョンを表示します\n"
           "\n"
           "終了コード: 0=HTMLファイルを作成した 1=確認・読み込み・作成に失敗した\n"
           "            2=画面がないのに -a なしで起動した\n";
}

void PrintVersion(std::ostream& out)
{
    out << "tabloom " TABLOOM_VERSION "\n";
}
