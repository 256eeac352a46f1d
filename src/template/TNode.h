#pragma once

#include <memory>
#include <vector>

#include "template/TTemplateError.h"
#include "text/UnicodeString.h"

// One token of a parsed template; RenderTo appends the text that replaces it
// in a page to the page being built, so a page grows in one buffer. Tag nodes
// (excel, cell, loop) derive from this class.
class TNode {
public:
    explicit TNode(UnicodeString text);
    virtual ~TNode();

    TNode(const TNode&) = delete;
    TNode& operator=(const TNode&) = delete;

    // Appends the node's output for the current record; may be called any
    // number of times.
    virtual void RenderTo(UnicodeString& out);
    // The same output on its own.
    UnicodeString Render();
    // The record cursor moved to another sheet: drop cached sheet handles.
    virtual void Reset();

    // The token exactly as written in the template.
    const UnicodeString& Text() const { return text; }

    // Where the token starts in the template; set by the parser.
    void SetPosition(int line, int column)
    {
        line_ = line;
        column_ = column;
    }
    TTemplateLocation Location() const { return {line_, column_, text}; }

protected:
    UnicodeString text;

private:
    int line_ = 0;
    int column_ = 0;
};

// Literal text (and comment-shaped tokens that are not tags), rendered as is.
class TStringNode : public TNode {
public:
    explicit TStringNode(UnicodeString text);
    void RenderTo(UnicodeString& out) override;
};

// An owning, ordered node list.
using TNodeList = std::vector<std::unique_ptr<TNode>>;

// Concatenation of the output of every node, in order, nothing added or
// trimmed; RenderNodesTo appends it to `out`.
UnicodeString RenderNodes(const TNodeList& nodes);
void RenderNodesTo(const TNodeList& nodes, UnicodeString& out);
// Reset() on every node, in order.
void ResetNodes(const TNodeList& nodes);
