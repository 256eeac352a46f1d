#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "template/TNode.h"

namespace {

TEST(TStringNode, RendersItsTextUnchanged)
{
    const UnicodeString texts[] = {
        u"", u"  lead and trail \r\n", u"<!--- EXCEL --->", u"\u65E5\u672C\U0001F600",
        UnicodeString(u"a\0b", 3),
    };
    for (const auto& text : texts) {
        TStringNode node(text);
        EXPECT_EQ(node.Render(), text);
        EXPECT_EQ(node.Render(), text);
        EXPECT_EQ(node.Text(), text);
    }
}

TEST(TNode, BaseRendersNothing)
{
    TNode node(u"<!--- cell name=A1 --->");
    EXPECT_EQ(node.Render(), u"");
    EXPECT_EQ(node.Text(), u"<!--- cell name=A1 --->");
}

// Records what happens to it, the way tag nodes with state would.
class TRecordingNode : public TNode {
public:
    TRecordingNode(UnicodeString text, std::vector<std::string>& log)
        : TNode(std::move(text)), log_(log) {}
    ~TRecordingNode() override { log_.push_back("destroy " + Utf16ToUtf8(text)); }
    void RenderTo(UnicodeString& out) override { out += text + UnicodeString(1, static_cast<char16_t>(u'0' + ++renders_)); }
    void Reset() override { log_.push_back("reset " + Utf16ToUtf8(text)); }

private:
    std::vector<std::string>& log_;
    int renders_ = 0;
};

TEST(NodeList, RendersEveryNodeInOrderWithNothingBetween)
{
    EXPECT_EQ(RenderNodes(TNodeList()), u"");

    TNodeList nodes;
    nodes.push_back(std::make_unique<TStringNode>(u" a\n"));
    nodes.push_back(std::make_unique<TNode>(u"<!--- x --->"));
    nodes.push_back(std::make_unique<TStringNode>(u""));
    nodes.push_back(std::make_unique<TStringNode>(u"b "));
    EXPECT_EQ(RenderNodes(nodes), u" a\nb ");
    EXPECT_EQ(RenderNodes(nodes), u" a\nb ");
}

TEST(NodeList, ResetsInOrderAndDestroysThroughTheBase)
{
    std::vector<std::string> log;
    {
        TNodeList nodes;
        nodes.push_back(std::make_unique<TRecordingNode>(u"a", log));
        nodes.push_back(std::make_unique<TStringNode>(u"-"));
        nodes.push_back(std::make_unique<TRecordingNode>(u"b", log));
        EXPECT_EQ(RenderNodes(nodes), u"a1-b1");
        EXPECT_EQ(RenderNodes(nodes), u"a2-b2");
        ResetNodes(nodes);
    }
    EXPECT_EQ(log, (std::vector<std::string>{"reset a", "reset b", "destroy a", "destroy b"}));
}

} // namespace
