#include "template/TTemplateParser.h"

#include "template/TCellNode.h"
#include "template/TExcelNode.h"
#include "template/TLoopNode.h"
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
    while (!scanner_.IsEmpty()) {
        UnicodeString token;
        if (!(token = scanner_.Scan(ExcelPattern)).empty()) {
            if (excelNode_)
                throw Exception(u"複数のExcelタグが見つかりました。");
            excelNode_ = ReadExcelTag(token);
        } else if (!(token = scanner_.Scan(CellPattern)).empty()) {
            Append(std::unique_ptr<TNode>(ReadCellTag(token)));
        } else if (!(token = scanner_.Scan(LoopStartPattern)).empty()) {
            if (loopOpen_)
                throw Exception(u"Loopタグが重複しています。");
            std::unique_ptr<TLoopNode> loop(ReadLoopTag(token));
            currentLoop_ = loop.get();
            nodes_.push_back(std::move(loop));
            loopOpen_ = true;
        } else if (!(token = scanner_.Scan(LoopEndPattern)).empty()) {
            if (!loopOpen_)
                throw Exception(u"Loopタグの開始タグが見つかりません。");
            loopOpen_ = false;
        } else if (!(token = scanner_.Scan(CommentPattern)).empty()) {
            Append(std::make_unique<TStringNode>(token));
        } else if (!(token = scanner_.Scan(TextPattern)).empty()) {
            Append(std::make_unique<TStringNode>(token));
        } else {
            throw Exception(u"テンプレートファイルの解析でエラーが発生しました。");
        }
    }
}

void TTemplateParser::Validate() const
{
    if (!excelNode_)
        throw Exception(u"Excelタグが見つかりません。");
    if (excelNode_->Layout() == TExcelNode::LayoutList && !currentLoop_)
        throw Exception(u"LOOPタグが見つかりません。一覧表示の時はLOOPタグは必須です。");
    if (excelNode_->Layout() == TExcelNode::LayoutCard && currentLoop_)
        throw Exception(u"LOOPタグが見つかりました。1レコード1ページ表示の時はLOOPタグは使用できません。");
    if (loopOpen_)
        throw Exception(u"LOOPタグが閉じていません。");
}
