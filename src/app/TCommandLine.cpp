#include "app/TCommandLine.h"

#include <memory>
#include <ostream>

#include "TabloomVersion.h"
#include "app/TExceptionMessage.h"
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

// Failures of page generation go to standard error as they happen.
class TConsoleLogger : public TTabloomMakerStatus {
public:
    explicit TConsoleLogger(std::ostream& err) : err_(err) {}
    void Log(const UnicodeString& text) override { WriteLine(err_, text); }

private:
    std::ostream& err_;
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

int RunConsoleJob(const TProject& project, std::ostream& out, std::ostream& err)
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
        job.SetLogger(std::make_unique<TConsoleLogger>(err));
        WriteLine(out, u"テンプレートファイルを解析します。");
        job.Load();
        TStopSignal::ThrowIfReceived();
        WriteLine(out, u"HTMLファイルを作成します。");
        const bool made = job.Run();
        WriteLine(out, u"HTMLファイルを作成しました。");
        WriteLine(out, IntToStr(job.PageCount()) + u"件のHTMLファイルを作成しました。");
        return made ? 0 : 1;
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
