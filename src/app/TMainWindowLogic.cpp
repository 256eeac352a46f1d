#include "app/TMainWindowLogic.h"

#include <algorithm>
#include <filesystem>
#include <utility>

#include "app/TBatchFile.h"
#include "app/TCommandLine.h"
#include "app/TExceptionMessage.h"
#include "generation/TTemplateCheck.h"
#include "generation/TTabloomMaker.h"
#include "text/TCodePage.h"
#include "text/TConvert.h"

namespace {

constexpr char16_t TemplateFilter[] =
    u"HTMLファイル(*.html;*.htm)|*.html;*.htm|テキストファイル(*.txt)|*.txt|すべてのファイル(*.*)|*.*";
constexpr char16_t ExcelFilter[] =
    u"Excelファイル(*.xls;*.xlsx)|*.xls;*.xlsx|"
    u"読み込めるすべてのブック(*.xlsx;*.xlsm;*.ods;*.csv;*.xls)|*.xlsx;*.xlsm;*.ods;*.csv;*.xls|"
    u"すべてのファイル(*)|*";
constexpr char16_t TbmFilter[] = u"tabloom設定ファイル(*.TBM)|*.TBM|すべてのファイル|*.*";
constexpr char16_t BatchFilter[] = u"バッチファイル(*.sh)|*.sh|すべてのファイル(*)|*";

// The folder a chosen file lies in, to start the next dialog of its kind there.
UnicodeString FolderOf(const UnicodeString& path)
{
    const auto slash = path.find_last_of(u'/');
    if (slash == UnicodeString::npos)
        return {};
    return slash == 0 ? UnicodeString(u"/") : path.substr(0, slash);
}

UnicodeString FileNamePart(const UnicodeString& path)
{
    const auto slash = path.find_last_of(u'/');
    return slash == UnicodeString::npos ? path : path.substr(slash + 1);
}

bool IsExistingFile(const UnicodeString& path)
{
    std::error_code ec;
    return !path.empty() && path.find(u'\0') == UnicodeString::npos &&
           std::filesystem::is_regular_file(ToPath(path), ec);
}

// The association starts the program with the project file as a bare argument.
UnicodeString BareProjectArgument(const std::vector<UnicodeString>& args)
{
    for (const UnicodeString& arg : args)
        if (!arg.empty() && arg[0] != u'-')
            return arg;
    return {};
}

// A start-up argument is taken against the folder the program started in, so
// the history and the restored last project find it from anywhere.
UnicodeString AbsolutePath(const UnicodeString& path)
{
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(ToPath(path), ec);
    return ec ? path : FromPath(absolute.lexically_normal());
}

} // namespace

TMainWindowLogic::TMainWindowLogic(TMainWindowView& view, UnicodeString configPath)
    : view_(view), configPath_(std::move(configPath))
{
    config_.SetWarning(&view_);
    config_.LoadFromFile(configPath_);
    ActionFileNew();
}

void TMainWindowLogic::ProjectToForm(const TProject& project)
{
    view_.SetEditText(TMainEdit::TemplateFilePath, project.TemplateFilePath);
    view_.SetEditText(TMainEdit::ExcelFilePath, project.ExcelFilePath);
    view_.SetEditText(TMainEdit::SaveDirPath, project.HtmlSavePath);
    const auto select = [this](TMainList list, int n) { view_.SetListIndex(list, TCodePage::IsValidIndex(n) ? n : -1); };
    select(TMainList::TemplateFileCharset, project.TemplateFileEncoding);
    select(TMainList::HtmlFileCharset, project.HtmlEncoding);
}

TProject TMainWindowLogic::FormToProject() const
{
    TProject project(view_.GetEditText(TMainEdit::TemplateFilePath), 0, view_.GetEditText(TMainEdit::ExcelFilePath),
                     view_.GetEditText(TMainEdit::SaveDirPath), 0);
    project.SetTemplateFileEncoding(view_.GetListIndex(TMainList::TemplateFileCharset));
    project.SetHtmlEncoding(view_.GetListIndex(TMainList::HtmlFileCharset));
    return project;
}

void TMainWindowLogic::SetFileName(const UnicodeString& path)
{
    fileName_ = path;
    if (path.empty()) {
        view_.SetCaption(view_.ApplicationTitle());
        return;
    }
    view_.SetCaption(view_.ApplicationTitle() + u" - " + FileNamePart(path));
    config_.AddHistory(path);
}

void TMainWindowLogic::ReportFailure(const UnicodeString& message)
{
    view_.ShowWarning(message);
    view_.SetStatusText(message);
}

void TMainWindowLogic::OpenProjectFile(const UnicodeString& path)
{
    TCursorHourGlass busy(view_);
    try {
        TProject project = savedProject_;
        project.LoadFromFile(path);
        savedProject_ = project;
        ProjectToForm(savedProject_);
        SetFileName(path);
        UpdateModified();
        view_.SetStatusText(u"ファイルを開きました。");
    } catch (const std::exception& e) {
        ReportFailure(ExceptionMessage(e));
    }
}

void TMainWindowLogic::SaveProjectFile(const TProject& project, const UnicodeString& path)
{
    WriteProjectFile(project, path);
}

bool TMainWindowLogic::WriteProjectFile(const TProject& project, const UnicodeString& path)
{
    // The baseline moves first: a failed write still counts as saved.
    savedProject_ = project;
    try {
        project.SaveToFile(path);
        SetFileName(path);
        view_.SetStatusText(u"ファイルに保存しました。");
    } catch (const std::exception& e) {
        ReportFailure(ExceptionMessage(e));
        return false;
    }
    UpdateModified();
    return true;
}

void TMainWindowLogic::StartupIdle(const std::vector<UnicodeString>& args, TWindowGeometry& window)
{
    config_.RestoreFormBounds(window);
    if (!args.empty()) {
        const TCommandLine commandLine = ParseCommandLine(args);
        if (commandLine.AutoRun) {
            autoRun_ = true;
            savedProject_ = commandLine.Project;
            ProjectToForm(savedProject_);
            UpdateModified();
            ActionMakeHtmlFile();
            return;
        }
        const UnicodeString project = BareProjectArgument(args);
        if (!project.empty()) {
            OpenStartupArgument(AbsolutePath(project));
            return;
        }
    }
    if (config_.ProjectFileRestore && IsExistingFile(config_.LastProjectFile))
        OpenProjectFile(config_.LastProjectFile);
    else
        ActionFileNew();
}

// Unlike the open dialog, where a new name starts a new project, an argument
// must name an existing project: anything else would become the current file
// and be overwritten by the next save.
void TMainWindowLogic::OpenStartupArgument(const UnicodeString& path)
{
    UnicodeString problem;
    try {
        if (!IsExistingFile(path))
            problem = u"プロジェクトファイルが見つかりません。";
        else if (!TProject::HoldsProject(path))
            problem = u"tabloomのプロジェクトファイルではありません。";
    } catch (const std::exception& e) {
        problem = ExceptionMessage(e);
    }
    if (problem.empty()) {
        OpenProjectFile(path);
        return;
    }
    ActionFileNew();
    view_.ShowWarning(problem + u"\n" + path);
    view_.SetStatusText(problem);  // one line in the status bar
}

void TMainWindowLogic::ActionFileNew()
{
    savedProject_ = TProject(u"", 0, u"", u"", 0);
    ProjectToForm(savedProject_);
    SetFileName(u"");
    UpdateModified();
}

void TMainWindowLogic::UpdateModified()
{
    view_.SetModified(!FormToProject().SameAs(savedProject_));
}

void TMainWindowLogic::ActionFileOpen()
{
    const auto path = view_.OpenFileDialog({u"", TbmFilter, u".TBM", false, config_.DialogFolders.Project});
    if (!path)
        return;
    config_.DialogFolders.Project = FolderOf(*path);
    OpenProjectFile(*path);
}

void TMainWindowLogic::ActionFileSave()
{
    Save();
}

void TMainWindowLogic::ActionFileSaveAs()
{
    SaveAs();
}

bool TMainWindowLogic::Save()
{
    if (fileName_.empty())
        return SaveAs();
    TCursorHourGlass busy(view_);
    return WriteProjectFile(FormToProject(), fileName_);
}

bool TMainWindowLogic::SaveAs()
{
    const auto path = view_.SaveFileDialog({fileName_, TbmFilter, u".TBM", true, config_.DialogFolders.Project});
    if (!path)
        return false;
    config_.DialogFolders.Project = FolderOf(*path);
    TCursorHourGlass busy(view_);
    return WriteProjectFile(FormToProject(), *path);
}

std::vector<UnicodeString> TMainWindowLogic::ReopenCaptions() const
{
    return ReopenCaptions(0, config_.History().size());
}

std::vector<UnicodeString> TMainWindowLogic::ReopenCaptions(std::size_t first, std::size_t count) const
{
    std::vector<UnicodeString> captions;
    const auto& history = config_.History();
    const std::size_t end = first < history.size() ? first + std::min(count, history.size() - first) : first;
    // Appended piece by piece: u"&" + a temporary makes GCC 12 at -O3 warn
    // (-Wrestrict) about an overlap that cannot happen.
    for (std::size_t i = first; i < end; ++i) {
        UnicodeString caption = u"&";
        caption += IntToStr(static_cast<long long>(i));
        caption += u'.';
        caption += history[i];
        captions.push_back(std::move(caption));
    }
    return captions;
}

void TMainWindowLogic::ReopenHistory(int index)
{
    const UnicodeString path = config_.GetHistory(index);
    if (!path.empty())
        OpenProjectFile(path);
}

void TMainWindowLogic::ActionTemplateFileSelect()
{
    const TFileDialogOptions options{view_.GetEditText(TMainEdit::TemplateFilePath), TemplateFilter, u".html", false,
                                     config_.DialogFolders.Template};
    const auto choice = view_.OpenTemplateDialog(options, view_.GetListIndex(TMainList::TemplateFileCharset));
    if (!choice)
        return;
    config_.DialogFolders.Template = FolderOf(choice->FileName);
    view_.SetEditText(TMainEdit::TemplateFilePath, choice->FileName);
    view_.SetListIndex(TMainList::TemplateFileCharset, TCodePage::IsValidIndex(choice->Charset) ? choice->Charset : -1);
}

void TMainWindowLogic::ActionExcelFileSelect()
{
    const auto path = view_.OpenFileDialog(
        {view_.GetEditText(TMainEdit::ExcelFilePath), ExcelFilter, u".xls", false, config_.DialogFolders.Excel});
    if (!path)
        return;
    config_.DialogFolders.Excel = FolderOf(*path);
    view_.SetEditText(TMainEdit::ExcelFilePath, *path);
}

void TMainWindowLogic::ActionSaveDirSelect()
{
    const auto folder =
        view_.SelectFolderFrom(u"HTMLファイルの保存場所を選択してください。", config_.DialogFolders.SaveDir);
    if (!folder)
        return;
    config_.DialogFolders.SaveDir = *folder;
    view_.SetEditText(TMainEdit::SaveDirPath, *folder);
}

void TMainWindowLogic::ActionMakeHtmlFile()
{
    TTabloomMaker job(view_.GetEditText(TMainEdit::TemplateFilePath), view_.GetListIndex(TMainList::TemplateFileCharset),
                      view_.GetEditText(TMainEdit::ExcelFilePath), view_.GetEditText(TMainEdit::SaveDirPath),
                      view_.GetListIndex(TMainList::HtmlFileCharset));
    try {
        job.CheckPaths();
    } catch (const std::exception& e) {
        view_.ShowWarning(ExceptionMessage(e));
        return;
    }
    pagesMade_ = view_.RunProgressWindow(job, autoRun_);
    if (autoRun_)
        view_.CloseWindow();
}

void TMainWindowLogic::ActionPreview()
{
    // The charset lists as F5 hands them to the job, unclamped.
    const TProject project(view_.GetEditText(TMainEdit::TemplateFilePath),
                           view_.GetListIndex(TMainList::TemplateFileCharset),
                           view_.GetEditText(TMainEdit::ExcelFilePath), view_.GetEditText(TMainEdit::SaveDirPath),
                           view_.GetListIndex(TMainList::HtmlFileCharset));
    const TTabloomMaker job(project.TemplateFilePath, project.TemplateFileEncoding, project.ExcelFilePath, u"",
                            project.HtmlEncoding);
    try {
        job.CheckInputs();
    } catch (const std::exception& e) {
        view_.ShowWarning(ExceptionMessage(e));
        return;
    }
    view_.ShowPreviewWindow(project);
}

void TMainWindowLogic::ActionCheckTemplate()
{
    const UnicodeString templatePath = view_.GetEditText(TMainEdit::TemplateFilePath);
    const TTemplateCheck check(templatePath, view_.GetListIndex(TMainList::TemplateFileCharset),
                               view_.GetEditText(TMainEdit::ExcelFilePath), view_.GetEditText(TMainEdit::SaveDirPath),
                               view_.GetListIndex(TMainList::HtmlFileCharset));
    try {
        check.CheckPaths();
    } catch (const std::exception& e) {
        view_.ShowWarning(ExceptionMessage(e));
        return;
    }
    std::vector<UnicodeString> lines;
    try {
        TCursorHourGlass busy(view_);
        for (const TCheckFinding& finding : check.Run())
            lines.push_back(TTemplateCheck::FormatLine(finding, templatePath));
    } catch (const std::exception& e) {
        ReportFailure(ExceptionMessage(e));
        return;
    }
    view_.ShowCheckFindings(lines);
    view_.SetStatusText(u"テンプレートを検査しました。");
}

bool TMainWindowLogic::CheckBatchFields()
{
    struct Field {
        TMainEdit edit;
        const char16_t* label;
    };
    static const Field fields[] = {
        {TMainEdit::TemplateFilePath, u"テンプレートファイルの場所"},
        {TMainEdit::ExcelFilePath, u"Excelファイルの場所"},
        {TMainEdit::SaveDirPath, u"HTMLファイルの保存場所"},
    };
    for (const Field& field : fields) {
        if (view_.GetEditText(field.edit).empty()) {
            view_.ShowWarning(UnicodeString(field.label) + u"が指定されていません。");
            view_.FocusEdit(field.edit);
            return false;
        }
    }
    return true;
}

void TMainWindowLogic::ActionFileMakeBatFile()
{
    if (!CheckBatchFields())
        return;
    const auto path = view_.SaveFileDialog({u"", BatchFilter, u".sh", true, config_.DialogFolders.Batch});
    if (!path)
        return;
    config_.DialogFolders.Batch = FolderOf(*path);
    try {
        TBatchFile::Write(*path, FormToProject(), view_.ProgramPath());
        view_.SetStatusText(u"バッチファイルを作成しました。");
    } catch (const std::exception& e) {
        ReportFailure(ExceptionMessage(e));
    }
}

bool TMainWindowLogic::CloseQuery()
{
    if (FormToProject().SameAs(savedProject_))
        return true;
    switch (view_.ConfirmYesNoCancel(u"設定が変更されています。ファイルに保存しますか？")) {
    case TConfirmAnswer::Yes:
        return SaveBeforeClosing();
    case TConfirmAnswer::No:
        return true;
    case TConfirmAnswer::Cancel:
        break;
    }
    return false;
}

// The window closes only when the edits reached the file. A failed write
// would move the baseline, and the next close would then lose the edits
// without asking; the baseline goes back instead.
bool TMainWindowLogic::SaveBeforeClosing()
{
    const TProject baseline = savedProject_;
    if (Save())
        return true;
    savedProject_ = baseline;
    UpdateModified();
    return false;
}

void TMainWindowLogic::Closing(TWindowGeometry& window)
{
    config_.StoreFormBounds(window);
    config_.LastProjectFile = fileName_;
    config_.SaveToFile(configPath_);
}

void TMainWindowLogic::ApplicationMinimized()
{
    // Without a tray there is no way back to a hidden window.
    if (!config_.InTaskTray || !view_.TrayAvailable())
        return;
    view_.ShowTrayIcon(true);
    view_.HideWindow();
}

void TMainWindowLogic::TrayIconClicked()
{
    view_.ShowWindow();
    view_.RestoreAndBringToFront();
    view_.ShowTrayIcon(false);
}

void TMainWindowLogic::WindowShown()
{
    if (!config_.InTaskTray)
        return;
    view_.RestoreAndBringToFront();
    view_.ShowTrayIcon(false);
}
