#pragma once

#include <memory>
#include <vector>

#include "text/UnicodeString.h"

// One token of a parsed template; Render gives the text that replaces it in a
// page. Tag nodes (excel, cell, loop) derive from this class.
class TNode {
public:
    explicit TNode(UnicodeString text);
    virtual ~TNode();

    TNode(const TNode&) = delete;
    TNode& operator=(const TNode&) = delete;

    // The node's output for the current record; may be called any number of times.
    virtual UnicodeString Render();
    // The record cursor moved to another sheet: drop cached sheet handles.
    virtual void Reset();

    // The token exactly as written in the template.
    const UnicodeString& Text() const { return text; }

protected:
    UnicodeString text;
};

// Literal text (and comment-shaped tokens that are not tags), rendered as is.
class TStringNode : public TNode {
public:
    explicit TStringNode(UnicodeString text);
    UnicodeString Render() override;
};

// An owning, ordered node list.
using TNodeList = std::vector<std::unique_ptr<TNode>>;

// Concatenation of Render() of every node, in order, nothing added or trimmed.
UnicodeString RenderNodes(const TNodeList& nodes);
// Reset() on every node, in order.
void ResetNodes(const TNodeList& nodes);
