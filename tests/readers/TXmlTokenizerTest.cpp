#include <gtest/gtest.h>

#include "support/XmlEventLog.h"
#include "support/ZipFixture.h"
#include "readers/TXmlReader.h"
#include "readers/TXmlTokenizer.h"

using namespace testsupport;
using namespace Excel;

namespace {

using Recorder = XmlEventLog;

const std::filesystem::path Book = "/data/book.xlsx";
const std::string Part = "xl/worksheets/sheet1.xml";

// The events, or the message of the refusal.
std::string WithExpat(const std::string& xml)
{
    Recorder r;
    const auto message = OleMessage([&] { ParseXml(xml, Book, Part, r); });
    return message.empty() ? r.log : "error: " + message;
}

// The same through the tokenizer, fed in pieces of `piece` bytes.
std::string WithTokenizer(const std::string& xml, std::size_t piece)
{
    Recorder r;
    const auto message = OleMessage([&] {
        TXmlTokenizer tokenizer(r, Book, Part);
        for (std::size_t at = 0; at < xml.size(); at += piece)
            tokenizer.Parse(std::string_view(xml).substr(at, piece), false);
        tokenizer.Parse({}, true);
    });
    EXPECT_TRUE(r.valuesEndInNul);
    return message.empty() ? r.log : "error: " + message;
}

// The kind of a refusal: the reason in brackets, or the DTD sentence.
std::string Kind(const std::string& result)
{
    if (result.rfind("error: ", 0) != 0)
        return result;
    if (result.find("DTD (DOCTYPE)") != std::string::npos)
        return "error: DTD";
    const auto open = result.rfind('(');
    return open == std::string::npos ? result : "error: " + result.substr(open);
}

TEST(TXmlTokenizer, GivesWhatExpatGivesOnTrickyDocuments)
{
    const std::string utf16 = std::string("\xFF\xFE<\0a\0/\0>\0", 10);
    const std::string cases[] = {
        // Namespaces: default, prefixed, undeclared again, redeclared inside.
        R"(<worksheet xmlns="urn:m" xmlns:r="urn:r"><c r:id="1" r="A1"/></worksheet>)",
        R"(<x:worksheet xmlns:x="urn:m"><x:c x:r="A1" r="B2"><x:v>1</x:v></x:c></x:worksheet>)",
        R"(<a xmlns="urn:m"><b xmlns=""><c/></b><d/></a>)",
        R"(<p:a xmlns:p="urn:1"><p:b xmlns:p="urn:2"/><p:c/></p:a>)",
        R"(<a xml:space="preserve" b='single' c="dou'ble" d='sin"gle'> x </a>)",
        // References, line ends, blanks in values.
        "<a v=\"&amp;&lt;&gt;&quot;&apos;&#65;&#x3042;&#x1F600;\">&amp;&lt;&gt;&quot;&apos;&#10;&#x9;</a>",
        "<a v=\"x\ty\nz\r\nw\rq&#13;&#10;\">l1\r\nl2\rl3&#13;</a>",
        "<a>]] ] ]]&gt; > &#93;]&gt;</a>",
        "<a><![CDATA[<b>&amp;]]]]><![CDATA[>\r\n]]></a>",
        "<a>\xE6\x97\xA5\xE6\x9C\xAC _x000D_ \xF0\x9F\x98\x80</a>",
        // Everything that may stand around and inside the root.
        "\xEF\xBB\xBF<?xml version='1.0' encoding='utf-8' standalone=\"yes\"?>\n<!-- c --><?pi data?>\n<a><!----><?x?>t</a>\n<!-- end -->\n",
        "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a>\xE9</a>",
        "<?xml version}\"1.0\" encoding=\"UTF-8\"?><a/>",
        "<?xml version=\"1.0\"encoding=\"UTF-8\"?><a/>",
        "<?xml encoding=\"UTF-8\" version=\"1.0\"?><a/>",
        "<?xml version=\"1.0\" standalone=\"maybe\"?><a/>",
        "<?xml version=\"1.0\" junk=\"1\"?><a/>",
        utf16,
        "<a\n  b\t=\r\n'1'   c = \"2\"  ></a  >",
        // Refusals.
        R"(<!DOCTYPE a [<!ENTITY e "xxxxxxxx">]><a>&e;</a>)",
        "<a><b></a>",
        "<a>",
        "",
        "   ",
        "<a/><b/>",
        "<a/>junk",
        "junk<a/>",
        "<a>&undefined;</a>",
        "<a>&#0;</a>",
        "<a>&#xD800;</a>",
        "<a>&#x110000;</a>",
        "<a>&#;</a>",
        "<a>& b</a>",
        "<a>\xC3\x28</a>",
        "<a>\xC0\x80</a>",
        "<a>\xED\xA0\x80</a>",
        "<a>\xEF\xBF\xBE</a>",
        "<a>\xE6\x97</a>",
        "<a>\x01</a>",
        "<a v=\"\x01\"/>",
        "<a>]]></a>",
        "<a v=\"<\"/>",
        "<a v=\"1\" v=\"2\"/>",
        R"(<a xmlns:p="urn:x" xmlns:q="urn:x" p:v="1" q:v="2"/>)",
        "<p:a/>",
        "<a p:v=\"1\"/>",
        "<a xmlns:p=\"\"/>",
        "<a:b:c xmlns:a=\"urn:a\"/>",
        "<a b=\"1\"c=\"2\"/>",
        "<a b/>",
        "<a b=1/>",
        "<rc =\"E1\"/>",
        "<a xmlns:v:r=\"urn:r\"/>",
        "<a xmlns:=\"urn:r\"/>",
        "<a xmlns:x=\"urn:x\" x:2y=\"1\"/>",
        "<x:2a xmlns:x=\"urn:x\"/>",
        "<a =\"1\"/>",
        "< a/>",
        "<a><!-- a -- b --></a>",
        "<a><?xml version=\"1.0\"?></a>",
        "<a></b>",
        "</a>",
        "<1a/>",
        "<a><![CDATA[x</a>",
        "<a><!-- x</a>",
        "<a>\xFF</a>",
        "<dim\xEF\xBB\xBF" "ension/>",
        "<\xC2\xB7" "a/>",
        "<x:\xC2\xB7" "a xmlns:x=\"urn:x\"/>",
        "<a\xC2\xB7\xE3\x81\x82 \xE5\x80\xA4=\"1\"/>",
        "<\xF0\x9F\x98\x80/>",
        "<a><?x:y z?></a>",
    };
    for (const auto& xml : cases) {
        SCOPED_TRACE(xml);
        const auto expected = Kind(WithExpat(xml));
        for (std::size_t piece : {xml.size() + 1, std::size_t(1), std::size_t(3), std::size_t(7)})
            EXPECT_EQ(Kind(WithTokenizer(xml, piece)), expected) << "pieces of " << piece;
    }
}

TEST(TXmlTokenizer, ReportsWhereTheDocumentIsMalformed)
{
    const auto message = WithTokenizer("<a>\n<b>\n  <c></b></a>", 4);
    EXPECT_NE(message.find("ファイル \"/data/book.xlsx\" を開けません。xl/worksheets/sheet1.xml の 3 行 "),
              std::string::npos)
        << message;
    EXPECT_NE(message.find("桁目で XML を解析できません (mismatched tag)。"), std::string::npos) << message;
    // Columns count characters, also where the line began in an earlier piece.
    const std::string wide = "<a>\n<b>表計算の値 \x01</b></a>";
    for (std::size_t piece : {std::size_t(1), std::size_t(5), wide.size()})
        EXPECT_EQ(WithTokenizer(wide, piece), WithExpat(wide)) << "pieces of " << piece;
    // A line far longer than the blocks its characters are counted in.
    std::string line = "<a>";
    for (int i = 0; i < 3000; ++i)
        line += i % 3 ? "<b>値x</b>" : "<b>y</b>";
    line += "\x01</a>";
    for (std::size_t piece : {std::size_t(100), std::size_t(4099), line.size()})
        EXPECT_EQ(WithTokenizer(line, piece), WithExpat(line)) << "pieces of " << piece;
}

TEST(TXmlTokenizer, HandlerExceptionsPassThroughUnchanged)
{
    struct Thrower : TXmlHandler {
        void StartElement(const TXmlName& name, const TXmlAttributes&) override
        {
            if (name.local == "stop")
                throw EOleException(u"stopped here");
        }
        void EndElement(const TXmlName&) override {}
    } t;
    EXPECT_EQ(OleMessage([&] { ParseXmlFast("<a><b/><stop/></a>", Book, Part, t); }), "stopped here");
}

// Bytes scanned for a sheet whose only large token is a comment, an
// attribute or a text of `size` bytes, fed as a zip entry arrives.
double ScannedForHugeToken(std::size_t size, int kind)
{
    const char* heads[] = {"<sheet><!--", "<sheet><c v=\"", "<sheet><c>"};
    const char* tails[] = {"--><c/></sheet>", "\"/></sheet>", "</c></sheet>"};
    const std::string xml = heads[kind] + std::string(size, 'x') + tails[kind];
    Recorder r;
    TXmlTokenizer tokenizer(r, Book, Part);
    for (std::size_t at = 0; at < xml.size(); at += 64 * 1024)
        tokenizer.Parse(std::string_view(xml).substr(at, 64 * 1024), false);
    tokenizer.Parse({}, true);
    EXPECT_NE(r.log.find("</|c>"), std::string::npos);
    return static_cast<double>(tokenizer.ScannedBytes());
}

TEST(TXmlTokenizer, OneHugeTokenCostsWorkLinearInItsSize)
{
    for (int kind : {0, 1, 2}) {
        const double small = ScannedForHugeToken(4u << 20, kind);
        const double large = ScannedForHugeToken(16u << 20, kind);
        EXPECT_LT(large, 5 * small) << kind << ": " << small << ", " << large;
    }
}

} // namespace
