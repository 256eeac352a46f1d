#include "app/TCommandLine.h"

#include <cstdlib>
#include <memory>
#include <optional>
#include <ostream>
#include <string_view>

#include "TabloomVersion.h"
#include "app/TExceptionMessage.h"
#include "generation/TConsoleProgress.h"
#include "generation/TTabloomMaker.h"
#include "generation/TTemplateCheck.h"
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
        else if (arg == u"--check")
            result.Check = true;
        else if (StartsWith(arg, u"--page="))
            result.Page = StrToIntDef(arg.substr(7), -1);
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

int RunConsoleCheck(const TProject& project, std::ostream& out, std::ostream& err)
{
    TStopSignal::Install();
    if (project.TemplateFilePath.empty() || project.ExcelFilePath.empty()) {
        WriteLine(err, u"--check には -t= と -x= を指定してください。");
        return 2;
    }
    const TTemplateCheck check(project.TemplateFilePath, project.TemplateFileEncoding, project.ExcelFilePath,
                               project.HtmlSavePath, project.HtmlEncoding);
    try {
        check.CheckPaths();
    } catch (const Exception& e) {
        WriteLine(err, e.Message());
        return 2;
    }
    try {
        const std::vector<TCheckFinding> findings = check.Run();
        for (const TCheckFinding& finding : findings)
            WriteLine(out, TTemplateCheck::FormatLine(finding, project.TemplateFilePath));
        return TTemplateCheck::FoundProblems(findings) ? 1 : 0;
    } catch (const TStopped& stopped) {
        return 128 + stopped.Signal();
    } catch (const std::exception& e) {
        WriteLine(err, ExceptionMessage(e));
        return 1;
    }
}

int RunConsolePage(const TProject& project, long long number, std::ostream& out, std::ostream& err)
{
    if (number < 1) {
        WriteLine(err, u"--page= にはページの番号を1以上の整数で指定してください。");
        return 2;
    }
    TStopSignal::Install();
    TTabloomMaker job(project.TemplateFilePath, project.TemplateFileEncoding,
                      project.ExcelFilePath, u"", project.HtmlEncoding);
    try {
        job.CheckInputs();
        const TPreviewPage page = job.Preview(number);
        if (page.Number != number) {
            WriteLine(err, IntToStr(number) + u"番目のページはありません。ページは全部で" +
                               IntToStr(page.Number) + u"件です。");
            return 1;
        }
        if (page.Bytes.empty())
            WriteLine(err, u"このページは空です。HTMLファイルは作成されません。");
        out.write(page.Bytes.data(), static_cast<std::streamsize>(page.Bytes.size()));
        out.flush();
        return out ? 0 : 1;
    } catch (const TStopped& stopped) {
        return 128 + stopped.Signal();
    } catch (const std::exception& e) {
        WriteLine(err, ExceptionMessage(e));
        return 1;
    }
}

bool IsJapaneseLocale(const char* lcAll, const char* lcMessages, const char* lang)
{
    // The first one set decides, as for the C library's own messages.
    for (const char* value : {lcAll, lcMessages, lang}) {
        if (value && *value) {
            const std::string_view name(value);
            return name.substr(0, 2) == "ja" && (name.size() == 2 || name[2] == '_' || name[2] == '.' || name[2] == '@');
        }
    }
    return false;
}

bool IsJapaneseLocale()
{
    return IsJapaneseLocale(std::getenv("LC_ALL"), std::getenv("LC_MESSAGES"), std::getenv("LANG"));
}

void PrintUsage(std::ostream& out, bool japanese)
{
    if (japanese) {
        out << "使い方: tabloom [プロジェクトファイル]\n"
               "        tabloom -a -t=テンプレート -x=Excelファイル -d=保存フォルダ -te=N -de=N\n"
               "        tabloom --check -t=テンプレート -te=N -x=Excelファイル [-d=保存フォルダ -de=N]\n"
               "        tabloom --page=N -t=テンプレート -te=N -x=Excelファイル [-de=N]\n"
               "\n"
               "  FILE.tbm    このプロジェクトファイルを開いてウィンドウを表示します\n"
               "  -a          すぐにHTMLファイルを作成し、終わると閉じます（画面がなければコンソールで実行）\n"
               "  -t=PATH     テンプレートファイルの場所\n"
               "  -x=PATH     Excelファイルの場所 (.xlsx .xlsm .ods .csv .xls)\n"
               "  -d=PATH     HTMLファイルの保存場所（なければ作成します）\n"
               "  -te=N       テンプレートの文字コード  0=Shift_JIS 1=UTF-8 2=EUC-JP\n"
               "  -de=N       HTMLファイルの文字コード  0=Shift_JIS 1=UTF-8 2=EUC-JP\n"
               "  --check     HTMLファイルを作成せずにテンプレートを検査し、見つけた問題を 場所:行:桁: 内容 で表示します\n"
               "  --page=N    N件目のレコード（一覧形式ではN枚目）のページを標準出力に書き出します\n"
               "  --help      この説明を表示します\n"
               "  --version   バージョンとライセンスを表示します\n"
               "\n"
               "終了コード:\n"
               "  0      HTMLファイルを作成した（--check: 問題が見つからなかった）\n"
               "  1      確認・読み込み・作成に失敗した（--check: 問題が見つかった）\n"
               "  2      引数が正しくない、または画面がないのに -a なしで起動した\n"
               "  128+N  シグナルN（SIGINT SIGTERM SIGHUP）で中断した\n";
        return;
    }
    out << "Usage: tabloom [PROJECT]\n"
           "       tabloom -a -t=TEMPLATE -x=WORKBOOK -d=FOLDER -te=N -de=N\n"
           "       tabloom --check -t=TEMPLATE -te=N -x=WORKBOOK [-d=FOLDER -de=N]\n"
           "       tabloom --page=N -t=TEMPLATE -te=N -x=WORKBOOK [-de=N]\n"
           "\n"
           "  FILE.tbm    open this project file in the window\n"
           "  -a          make the pages at once, then close (in the console when there is no display)\n"
           "  -t=PATH     template file\n"
           "  -x=PATH     workbook (.xlsx .xlsm .ods .csv .xls)\n"
           "  -d=PATH     folder the pages are written to (made when missing)\n"
           "  -te=N       character set of the template  0=Shift_JIS 1=UTF-8 2=EUC-JP\n"
           "  -de=N       character set of the pages     0=Shift_JIS 1=UTF-8 2=EUC-JP\n"
           "  --check     check the template without writing pages; findings as path:line:column: message\n"
           "  --page=N    write the page of record N (the Nth page of a list) to standard output\n"
           "  --help      show this help\n"
           "  --version   show the version and the licence\n"
           "\n"
           "Exit status:\n"
           "  0      pages made (--check: nothing found)\n"
           "  1      check, load or generation failed (--check: something found)\n"
           "  2      bad arguments, or a window run without a display\n"
           "  128+N  stopped by signal N (SIGINT SIGTERM SIGHUP)\n";
}

void PrintVersion(std::ostream& out, bool japanese)
{
    out << "tabloom " TABLOOM_VERSION "\n" TABLOOM_COPYRIGHT "\n";
    if (japanese)
        out << "ライセンス: MIT（Expat）。無保証です。\n";
    else
        out << "License: MIT (Expat). There is NO WARRANTY.\n";
}
