#include "template/TNode.h"

#include <utility>

TNode::TNode(UnicodeString text)
    : text(std::move(text))
{
}

TNode::~TNode() = default;

void TNode::RenderTo(UnicodeString& /*out*/)
{
}

UnicodeString TNode::Render()
{
    UnicodeString out;
    RenderTo(out);
    return out;
}

void TNode::Reset()
{
}

TStringNode::TStringNode(UnicodeString text)
    : TNode(std::move(text))
{
}

void TStringNode::RenderTo(UnicodeString& out)
{
    out += text;
}

UnicodeString RenderNodes(const TNodeList& nodes)
{
    UnicodeString out;
    RenderNodesTo(nodes, out);
    return out;
}

void RenderNodesTo(const TNodeList& nodes, UnicodeString& out)
{
    for (const auto& node : nodes)
        node->RenderTo(out);
}

void ResetNodes(const TNodeList& nodes)
{
    for (const auto& node : nodes)
        node->Reset();
}
