#include <gtest/gtest.h>

#include "template/TTemplateError.h"
#include "template/TTemplateParser.h"

namespace {

// Parses and validates; the failure's message and location, or none.
struct Outcome {
    UnicodeString message;
    TTemplateLocation location;
};

Outcome ParseFailure(const UnicodeString& text)
{
    try {
        TTemplateParser parser(text);
        parser.Parse();
        parser.Validate();
    } catch (const ETemplateError& e) {
        return {e.Message(), e.Location()};
    } catch (const Exception& e) {
        return {e.Message(), {}};
    }
    return {};
}

TEST(TemplateErrorLocation, EveryKindPointsAtItsTag)
{
    const UnicodeString card = u"<!--- excel quit=A1 type=card --->";
    const UnicodeString list = u"<!--- excel quit=A1 type=list --->";
    struct Case {
        const char* kind;
        UnicodeString text;
        UnicodeString message;
        int line;
        int column;
        UnicodeString tag;
    };
    const Case cases[] = {
        {"second excel tag", card + u"\n  " + card, u"複数のExcelタグが見つかりました。", 2, 3, card},
        {"nested loop_start", list + u"\r\n<!--- loop_start --->\r\nx<!--- loop_start maxcount=2 --->",
         u"Loopタグが重複しています。", 3, 2, u"<!--- loop_start maxcount=2 --->"},
        {"loop_end alone", list + u"\r\r\t<!--- loop_end --->", u"Loopタグの開始タグが見つかりません。", 3, 2,
         u"<!--- loop_end --->"},
        {"excel attribute", u"<p>\n<!--- excel quit=A1 type=cardx --->", u"excelタグに間違いがあります。(type=cardx)", 2,
         1, u"<!--- excel quit=A1 type=cardx --->"},
        {"excel without quit", u"ab<!--- excel type=card --->", u"excelタグのquit属性が設定されていません。", 1, 3,
         u"<!--- excel type=card --->"},
        {"excel without type", u"\n\n\n<!--- excel quit=A1 --->", u"excelタグのtype属性が設定されていません。", 4, 1,
         u"<!--- excel quit=A1 --->"},
        {"cell attribute after a pair", card + u"\n\U0001F600\U0001F600<!--- cell name=A0 --->",
         u"cellタグに間違いがあります。(name=A0)", 2, 3, u"<!--- cell name=A0 --->"},
        {"cell attribute after a comment of several lines",
         card + u"<!--- note\r\nmore\r\n --->é<!--- cell name=A1 fixed=yes --->",
         u"cellタグに間違いがあります。(fixed=yes)", 3, 7, u"<!--- cell name=A1 fixed=yes --->"},
        {"loop attribute in a tag of two lines", list + u"\n<!---\nloop_start maxcount=0 --->",
         u"loopタグに間違いがあります。(maxcount=0)", 2, 1, u"<!---\nloop_start maxcount=0 --->"},
        {"list without loop", u"x\n " + list, u"LOOPタグが見つかりません。一覧表示の時はLOOPタグは必須です。", 2, 2, list},
        {"card with loop", card + u"\n<!--- loop_start ---><!--- loop_end --->",
         u"LOOPタグが見つかりました。1レコード1ページ表示の時はLOOPタグは使用できません。", 2, 1,
         u"<!--- loop_start --->"},
        {"loop left open", list + u"<!--- loop_start --->\n<!--- loop_end --->\n<!--- loop_start --->x",
         u"LOOPタグが閉じていません。", 3, 1, u"<!--- loop_start --->"},
    };
    for (const Case& c : cases) {
        const Outcome outcome = ParseFailure(c.text);
        EXPECT_EQ(outcome.message, c.message) << c.kind;
        EXPECT_EQ(outcome.location.line, c.line) << c.kind;
        EXPECT_EQ(outcome.location.column, c.column) << c.kind;
        EXPECT_EQ(outcome.location.tagText, c.tag) << c.kind;
    }
}

TEST(TemplateErrorLocation, NoExcelTagHasNoPlace)
{
    const Outcome outcome = ParseFailure(u"<p>\n</p>");
    EXPECT_EQ(outcome.message, u"Excelタグが見つかりません。");
    EXPECT_FALSE(outcome.location.Known());
}

TEST(TemplateErrorLocation, ShownBelowTheUnchangedMessage)
{
    const ETemplateError located(u"excelタグに間違いがあります。(type=cardx)",
                                 {12, 5, u"<!--- excel\r\ntype=cardx --->"});
    EXPECT_EQ(MessageWithLocation(located),
              u"excelタグに間違いがあります。(type=cardx)\nテンプレートファイル 12行目 5文字目: <!--- excel  type=cardx --->");
    EXPECT_EQ(MessageWithLocation(Exception(u"Excelファイルが見つかりません。")), u"Excelファイルが見つかりません。");
}

} // namespace
