#include "template/TExcelNode.h"

#include <climits>

#include "template/TCsvUtility.h"
#include "template/TTagReading.h"
#include "template/TTemplateError.h"
#include "text/Exception.h"
#include "text/TConvert.h"
#include "text/TFileUtility.h"
#include "automation/TExcelSingleton.h"

std::unique_ptr<TExcelNode> CurrentExcelNode;

namespace {

const UnicodeString ExcelWord = u"excel";

} // namespace

TExcelNode::TExcelNode(const UnicodeString& tagText)
    : TNode(tagText)
{
    CurrentExcelNode.reset();
}

int TExcelNode::RecordRow(int row) const
{
    // Far records of a tall layout would overflow; past INT_MAX the engine
    // reports the cell as outside the grid anyway.
    const long long r = static_cast<long long>(recordIndex_) * line_ + row;
    return r > INT_MAX ? INT_MAX : static_cast<int>(r);
}

bool TExcelNode::HasRecord()
{
    const int row = RecordRow(quitRow_);
    return row <= GridLastRow && !CellText(quitColumn_, row).empty();
}

void TExcelNode::NextRecord()
{
    ++recordsPassed_;
    ++recordIndex_;
    if (skipColumn_ < 0)
        return;
    while (HasRecord() && SkipText().empty())
        ++recordIndex_;
}

long long TExcelNode::CountRecords(bool allSheets)
{
    const int recordIndex = recordIndex_;
    const int sheetIndex = sheetIndex_;
    const long long passed = recordsPassed_;
    long long count = 0;
    try {
        do {
            for (; HasRecord(); NextRecord())
                ++count;
        } while (allSheets && NextSheet());
    } catch (const Exception&) {
        count = 0;  // the run itself reports the sheet it cannot read
    }
    recordIndex_ = recordIndex;
    sheetIndex_ = sheetIndex;
    recordsPassed_ = passed;
    return count;
}

int TExcelNode::SheetCount() const
{
    return sheetName_.empty() ? static_cast<int>(sheetNumbers_.size()) : 1;
}

bool TExcelNode::NextSheet()
{
    ++sheetIndex_;
    recordIndex_ = 0;
    return sheetIndex_ < SheetCount();
}

int TExcelNode::CurrentSheetNumber() const
{
    // Past the last listed sheet there is no sheet 0; the lookup then fails cleanly.
    if (sheetIndex_ < 0 || sheetIndex_ >= static_cast<int>(sheetNumbers_.size()))
        return 0;
    return sheetNumbers_[static_cast<std::size_t>(sheetIndex_)];
}

Excel::TWorksheet TExcelNode::GetWorksheet() const
{
    return FindActiveWorksheet(sheetName_, CurrentSheetNumber());
}

UnicodeString TExcelNode::CellText(int column, int row)
{
    try {
        return GetWorksheet().Cells(column, row).Text();
    } catch (const Exception& e) {
        throw ETemplateError(u"Excelのセルが見つかりません。\n" + e.Message(), Location());
    }
}

UnicodeString TExcelNode::SkipText()
{
    const int row = RecordRow(skipRow_);
    return row <= GridLastRow ? CellText(skipColumn_, row) : UnicodeString();
}

UnicodeString TExcelNode::GetPageName()
{
    if (fileNameColumn_ == -1 || fileNameRow_ == -1)
        return ZeroPad(pageCounter_++, 5);
    const UnicodeString text =
        GetWorksheet().Cells(fileNameColumn_, RecordRow(fileNameRow_)).Text();
    return TFileUtility::ToValidFileName(text);
}

TExcelNode* ReadExcelTag(const UnicodeString& tagText)
{
    using namespace TTagReading;
    auto node = std::make_unique<TExcelNode>(tagText);
    const TAttributeMap attributes = ReadAttributes(tagText, uR"(<\!---\s+excel\s+)");

    // Reads a cell reference attribute; a wrong one ends the reading.
    const auto cellAttribute = [&](const UnicodeString& name, int& column, int& row) {
        const auto value = Find(attributes, name);
        if (!value)
            return false;
        const auto ref = ReadCellReference(*value);
        if (!ref)
            ThrowWrongAttribute(ExcelWord, name, *value);
        column = ref->column;
        row = ref->row;
        return true;
    };

    if (!cellAttribute(u"quit", node->quitColumn_, node->quitRow_))
        throw Exception(u"excelタグのquit属性が設定されていません。");

    if (const auto line = Find(attributes, u"line")) {
        node->line_ = StrToIntDef(*line, -1);
        if (node->line_ < 1 || node->line_ > MaxRowNumber)
            ThrowWrongAttribute(ExcelWord, u"line", *line);
    }

    // Without a type no page would be made while the job reported success.
    const auto type = Find(attributes, u"type");
    if (!type)
        throw Exception(u"excelタグのtype属性が設定されていません。");
    const UnicodeString layout = Keyword(*type);
    if (layout == u"card")
        node->layout_ = TExcelNode::LayoutCard;
    else if (layout == u"list")
        node->layout_ = TExcelNode::LayoutList;
    else
        ThrowWrongAttribute(ExcelWord, u"type", *type);

    const auto sheetName = Find(attributes, u"sheetname");
    const auto sheet = Find(attributes, u"sheet");
    if (sheetName && !sheetName->empty()) {
        node->sheetName_ = *sheetName;
        node->sheetIndex_ = 0;
    } else if (sheet && !sheet->empty()) {
        if (!TCsvUtility::ParseSheetList(*sheet, node->sheetNumbers_) || node->sheetNumbers_.empty())
            ThrowWrongAttribute(ExcelWord, u"sheet", *sheet);
        node->sheetIndex_ = 0;
    }

    cellAttribute(u"filename", node->fileNameColumn_, node->fileNameRow_);
    cellAttribute(u"skip", node->skipColumn_, node->skipRow_);

    CurrentExcelNode = std::move(node);
    return CurrentExcelNode.get();
}

Excel::TWorksheet FindActiveWorksheet(const UnicodeString& name, int number)
{
    auto worksheets = Excel::TExcelSingleton::GetInstance().ActiveWorkbook().Worksheets();
    return name.empty() ? worksheets.Item(number) : worksheets.Item(name);
}

TExcelNode& RequireExcelNode()
{
    if (!CurrentExcelNode)
        throw Exception(u"Excelタグが見つかりません。");
    return *CurrentExcelNode;
}
