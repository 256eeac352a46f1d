#pragma once

#include <memory>
#include <vector>

#include "template/TNode.h"
#include "template/TStringScanner.h"
#include "template/TTemplateError.h"
#include "text/UnicodeString.h"

class TExcelNode;
class TLoopNode;

// Cuts a decoded template into tags, comment-shaped text and literal text,
// builds the node list and checks the structure of the template.
class TTemplateParser {
public:
    explicit TTemplateParser(const UnicodeString& templateText);
    TTemplateParser(const TTemplateParser&) = delete;
    TTemplateParser& operator=(const TTemplateParser&) = delete;

    void Parse();
    void Validate() const;

    const TNodeList& Nodes() const { return nodes_; }
    // Not owned: the node belongs to CurrentExcelNode.
    TExcelNode* ExcelNode() const { return excelNode_; }

private:
    void Append(std::unique_ptr<TNode> node);
    // Reads the token at (line, column); failures carry that location.
    UnicodeString ReadToken(int line, int column);

    TStringScanner scanner_;
    TTextPosition position_;  // of the next token
    bool loopOpen_ = false;
    TExcelNode* excelNode_ = nullptr;
    TNodeList nodes_;
    TLoopNode* currentLoop_ = nullptr;
};
