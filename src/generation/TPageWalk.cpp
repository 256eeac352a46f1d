#include "generation/TPageWalk.h"

#include "template/TExcelNode.h"
#include "template/TTemplateParser.h"
#include "text/TStopSignal.h"

namespace {

void RenderInto(const TTemplateParser& parser, UnicodeString& page)
{
    page.clear();  // keeps its capacity: pages are rendered into one buffer
    RenderNodesTo(parser.Nodes(), page);
}

void WalkCardPages(const TTemplateParser& parser, TExcelNode& excel, TPageSink& sink)
{
    UnicodeString page;
    while (excel.HasRecord()) {
        TStopSignal::ThrowIfReceived();
        if (!sink.WantsPage())
            return;
        const int record = excel.RecordIndex() + 1;
        RenderInto(parser, page);
        sink.Page(excel.GetPageName(), page, record);
        excel.NextRecord();
        sink.Advanced();
    }
}

void WalkListPages(const TTemplateParser& parser, TExcelNode& excel, TPageSink& sink)
{
    UnicodeString page;
    do {
        while (excel.HasRecord()) {
            TStopSignal::ThrowIfReceived();
            if (!sink.WantsPage())
                return;
            const int record = excel.RecordIndex() + 1;
            // Named before rendering: the name comes from the page's first record.
            UnicodeString name = excel.GetPageName();
            RenderInto(parser, page);
            sink.Page(std::move(name), page, record);
            sink.Advanced();
        }
        ResetNodes(parser.Nodes());
    } while (excel.NextSheet());
}

} // namespace

void WalkPages(const TTemplateParser& parser, TPageSink& sink)
{
    TExcelNode* excel = parser.ExcelNode();
    if (!excel)
        return;
    if (excel->Layout() == TExcelNode::LayoutCard)
        WalkCardPages(parser, *excel, sink);
    else if (excel->Layout() == TExcelNode::LayoutList)
        WalkListPages(parser, *excel, sink);
}
