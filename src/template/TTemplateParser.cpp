#include "template/TTemplateParser.h"

#include "template/TCellNode.h"
#include "template/TExcelNode.h"
#include "template/TLoopNode.h"
#include "template/TTemplateError.h"
#include "text/Exception.h"

namespace {

const UnicodeString ExcelPattern = uR"(<!---\s+excel[^>]*?--->)";
const UnicodeString CellPattern = uR"(<!---\s+cell[^>]*?--->)";
const UnicodeString LoopStartPattern = uR"(<!---\s+loop_start[^>]*?--->)";
const UnicodeString LoopEndPattern = uR"(<!---\s+loop_end[^>]*?--->)";
const UnicodeString CommentPattern = uR"(<!---[^-](.*?)[^-]--->)";
const UnicodeString TextPattern = uR"((?:.+?(?=(?:<!---|\z))))";

} // namespace

TTemplateParser::TTemplateParser(const UnicodeString& templateText)
    : scanner_(templateText)
{
}

void TTemplateParser::Append(std::unique_ptr<TNode> node)
{
    if (loopOpen_)
        currentLoop_->Append(std::move(node));
    else
        nodes_.push_back(std::move(node));
}

void TTemplateParser::Parse()
{
    loopOpen_ = false;
    excelNode_ = nullptr;
    currentLoop_ = nullptr;
    position_ = TTextPosition();
    while (!scanner_.IsEmpty()) {
        const UnicodeString token = ReadToken(position_.Line(), position_.Column());
        position_.Advance(token);
    }
}

UnicodeString TTemplateParser::ReadToken(int line, int column)
{
    UnicodeString token;
    // Every node learns where it stands before it joins the list.
    const auto placed = [&](TNode* node) {
        node->SetPosition(line, column);
        return node;
    };
    const auto raise = [&](const char16_t* message) {
        throw ETemplateError(message, {line, column, token});
    };
    try {
        if (!(token = scanner_.Scan(ExcelPattern)).empty()) {
            if (excelNode_)
                raise(u"複数のExcelタグが見つかりました。");
            excelNode_ = static_cast<TExcelNode*>(placed(ReadExcelTag(token)));
        } else if (!(token = scanner_.Scan(CellPattern)).empty()) {
            Append(std::unique_ptr<TNode>(placed(ReadCellTag(token))));
        } else if (!(token = scanner_.Scan(LoopStartPattern)).empty()) {
            if (loopOpen_)
                raise(u"Loopタグが重複しています。");
            std::unique_ptr<TLoopNode> loop(static_cast<TLoopNode*>(placed(ReadLoopTag(token))));
            currentLoop_ = loop.get();
            nodes_.push_back(std::move(loop));
            loopOpen_ = true;
        } else if (!(token = scanner_.Scan(LoopEndPattern)).empty()) {
            if (!loopOpen_)
                raise(u"Loopタグの開始タグが見つかりません。");
            loopOpen_ = false;
        } else if (!(token = scanner_.Scan(CommentPattern)).empty()) {
            Append(std::make_unique<TStringNode>(token));
        } else if (!(token = scanner_.Scan(TextPattern)).empty()) {
            Append(std::make_unique<TStringNode>(token));
        } else {
            // Nothing matched: show what follows instead of a tag.
            token = UnicodeString(scanner_.Rest().substr(0, 40));
            raise(u"テンプレートファイルの解析でエラーが発生しました。");
        }
    } catch (const Exception& e) {
        RethrowAt(e, {line, column, token});
    }
    return token;
}

void TTemplateParser::Validate() const
{
    if (!excelNode_)
        throw Exception(u"Excelタグが見つかりません。");
    if (excelNode_->Layout() == TExcelNode::LayoutList && !currentLoop_)
        throw ETemplateError(u"LOOPタグが見つかりません。一覧表示の時はLOOPタグは必須です。",
                             excelNode_->Location());
    if (excelNode_->Layout() == TExcelNode::LayoutCard && currentLoop_)
        throw ETemplateError(u"LOOPタグが見つかりました。1レコード1ページ表示の時はLOOPタグは使用できません。",
                             currentLoop_->Location());
    if (loopOpen_)
        throw ETemplateError(u"LOOPタグが閉じていません。", currentLoop_->Location());
}
