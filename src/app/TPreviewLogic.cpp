#include "app/TPreviewLogic.h"

#include <sys/stat.h>

#include <algorithm>

#include "app/TExceptionMessage.h"
#include "generation/TTabloomMaker.h"
#include "text/UnicodeString.h"

namespace {

TPreviewLogic::TStamp StampOf(const UnicodeString& path)
{
    struct stat status {};
    TPreviewLogic::TStamp stamp;
    if (path.empty() || ::stat(ToNative(path).c_str(), &status) != 0)
        return stamp;
    stamp.exists = true;
    stamp.inode = status.st_ino;
    stamp.size = static_cast<unsigned long long>(status.st_size);
    stamp.modified = static_cast<long long>(status.st_mtim.tv_sec) * 1'000'000'000 + status.st_mtim.tv_nsec;
    return stamp;
}

} // namespace

TPreviewLogic::TPreviewLogic(TPreviewView& view) : view_(view)
{
}

void TPreviewLogic::SetProject(const TProject& project)
{
    const bool sameFiles = project.TemplateFilePath == project_.TemplateFilePath &&
                           project.ExcelFilePath == project_.ExcelFilePath;
    project_ = project;
    if (!sameFiles)
        number_ = 1;
    view_.WatchFiles({project_.TemplateFilePath, project_.ExcelFilePath});
    Render();
}

void TPreviewLogic::ShowNumber(long long number)
{
    number_ = std::max(1LL, number);
    Render();
}

void TPreviewLogic::Next()
{
    if (!failed_ && page_.Last)
        return;  // already on the last page
    ShowNumber(number_ + 1);
}

void TPreviewLogic::Previous()
{
    if (number_ > 1)
        ShowNumber(number_ - 1);
}

bool TPreviewLogic::FilesChanged()
{
    if (Stamps() == stamps_)
        return false;
    Render();
    return true;
}

void TPreviewLogic::OpenInBrowser()
{
    if (failed_ || page_.Number == 0) {
        view_.ShowWarning(u"ブラウザで開くページがありません。");
        return;
    }
    if (!view_.OpenInBrowser(page_.Bytes))
        view_.ShowWarning(u"ブラウザでページを開けませんでした。");
}

std::vector<TPreviewLogic::TStamp> TPreviewLogic::Stamps() const
{
    return {StampOf(project_.TemplateFilePath), StampOf(project_.ExcelFilePath)};
}

void TPreviewLogic::Render()
{
    // Taken before reading, so a save during the render renders again.
    stamps_ = Stamps();
    TCursorHourGlass busy(view_);
    TTabloomMaker job(project_.TemplateFilePath, project_.TemplateFileEncoding, project_.ExcelFilePath, u"",
                      project_.HtmlEncoding);
    try {
        job.CheckInputs();
        page_ = job.Preview(number_);
    } catch (const std::exception& e) {
        failed_ = true;
        page_ = TPreviewPage();
        view_.ShowFailure(ExceptionMessage(e), number_);
        return;
    }
    failed_ = false;
    if (page_.Number > 0)
        number_ = page_.Number;
    view_.ShowPage(page_);
}
