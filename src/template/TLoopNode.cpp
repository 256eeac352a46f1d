#include "template/TLoopNode.h"

#include "template/TExcelNode.h"
#include "template/TTagReading.h"
#include "template/TTemplateError.h"
#include "text/Exception.h"
#include "text/TConvert.h"
#include "text/TStopSignal.h"

namespace {

const UnicodeString LoopWord = u"loop";

} // namespace

void TLoopNode::RenderTo(UnicodeString& out)
{
    renderedCount_ = 0;
    hasPrevious_ = false;
    try {
        while (!IsFinished()) {
            // One list page may hold a whole sheet.
            TStopSignal::ThrowIfReceived();
            RenderNodesTo(children_, out);
            ++renderedCount_;
            RequireExcelNode().NextRecord();
        }
    } catch (const Exception& e) {
        RethrowAt(e, Location());
    }
}

void TLoopNode::Reset()
{
    worksheet_.reset();
    ResetNodes(children_);
}

bool TLoopNode::IsFinished()
{
    if (!RequireExcelNode().HasRecord())
        return true;
    if (renderedCount_ >= maxCount_)
        return true;
    if (breakColumn_ == -1 || breakRow_ == -1)
        return false;
    UnicodeString current = ReadBreakText();
    const bool changed = hasPrevious_ && current != previousBreakText_;
    hasPrevious_ = true;
    previousBreakText_ = std::move(current);
    return changed;
}

Excel::TWorksheet& TLoopNode::LocateWorksheet()
{
    if (worksheet_)
        return *worksheet_;
    try {
        const TExcelNode& excel = RequireExcelNode();
        worksheet_ = FindActiveWorksheet(excel.SheetName(), excel.CurrentSheetNumber());
    } catch (const Exception& e) {
        throw Exception(u"Excelタグで指定されたシートが見つかりません。\n" + e.Message());
    }
    return *worksheet_;
}

UnicodeString TLoopNode::ReadBreakText()
{
    Excel::TWorksheet& sheet = LocateWorksheet();
    const int row = RequireExcelNode().RecordRow(breakRow_);
    if (row > TExcelNode::GridLastRow)
        return UnicodeString();
    try {
        return sheet.Cells(breakColumn_, row).Text();
    } catch (const Exception& e) {
        throw Exception(u"Excelのセルが見つかりません。\n" + e.Message());
    }
}

TLoopNode* ReadLoopTag(const UnicodeString& tagText)
{
    using namespace TTagReading;
    auto node = std::make_unique<TLoopNode>(tagText);
    const TAttributeMap attributes = ReadAttributes(tagText, uR"(<!---\s+loop_start\s+)");

    if (const auto maxCount = Find(attributes, u"maxcount")) {
        node->maxCount_ = StrToIntDef(*maxCount, -1);
        if (node->maxCount_ < 1 || node->maxCount_ > MaxRowNumber)
            ThrowWrongAttribute(LoopWord, u"maxcount", *maxCount);
    }

    if (const auto breakCell = Find(attributes, u"break")) {
        const auto ref = ReadCellReference(*breakCell);
        if (!ref)
            ThrowWrongAttribute(LoopWord, u"break", *breakCell);
        node->breakColumn_ = ref->column;
        node->breakRow_ = ref->row;
    }

    return node.release();
}
