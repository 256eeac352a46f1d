#include "template/TNode.h"

#include <utility>

TNode::TNode(UnicodeString text)
    : text(std::move(text))
{
}

TNode::~TNode() = default;

UnicodeString TNode::Render()
{
    return UnicodeString();
}

void TNode::Reset()
{
}

TStringNode::TStringNode(UnicodeString text)
    : TNode(std::move(text))
{
}

UnicodeString TStringNode::Render()
{
    return text;
}

UnicodeString RenderNodes(const TNodeList& nodes)
{
    UnicodeString out;
    for (const auto& node : nodes)
        out += node->Render();
    return out;
}

void ResetNodes(const TNodeList& nodes)
{
    for (const auto& node : nodes)
        node->Reset();
}
