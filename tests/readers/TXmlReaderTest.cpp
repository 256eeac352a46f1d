#include <gtest/gtest.h>

#include "support/TestSupport.h"
#include "support/XmlEventLog.h"
#include "support/ZipFixture.h"
#include "readers/TXmlReader.h"
#include "readers/TZipArchive.h"

using namespace testsupport;
using namespace Excel;

namespace {

using Recorder = XmlEventLog;

const std::filesystem::path Book = "/data/book.xlsx";

std::string Parse(const std::string& xml)
{
    Recorder r;
    ParseXml(xml, Book, "xl/workbook.xml", r);
    return r.log;
}

TEST(TXmlReader, ResolvesPrefixesToNamespaceUris)
{
    // The same element with the default namespace and with an unusual prefix.
    EXPECT_EQ(Parse(R"(<a xmlns="urn:x" xmlns:r="urn:r"><b r:id="1" v="2">t&amp;&#x3042;</b></a>)"),
              "<urn:x|a><urn:x|b urn:r|id=1 |v=2>t&あ</urn:x|b></urn:x|a>");
    EXPECT_EQ(Parse(R"(<x:a xmlns:x="urn:x" xmlns:q="urn:r"><x:b q:id="1" v="2"/></x:a>)"),
              "<urn:x|a><urn:x|b urn:r|id=1 |v=2></urn:x|b></urn:x|a>");
    EXPECT_EQ(Parse("<a><![CDATA[<kept>]]></a>"), "<|a><kept></|a>");
}

TEST(TXmlReader, AttributesAreFoundByNamespaceAndLocalName)
{
    struct Finder : TXmlHandler {
        std::string id, plain;
        bool missing = false;
        void StartElement(const TXmlName&, const TXmlAttributes& a) override
        {
            id = a.Find("urn:r", "id");
            plain = a.Find("id");
            missing = a.Find("urn:other", "id") == nullptr;
        }
        void EndElement(const TXmlName&) override {}
    } f;
    ParseXml(R"(<a xmlns:z="urn:r" z:id="ns" id="plain"/>)", Book, "p.xml", f);
    EXPECT_EQ(f.id, "ns");
    EXPECT_EQ(f.plain, "plain");
    EXPECT_TRUE(f.missing);
}

TEST(TXmlReader, RefusesDeclarationsAndMalformedInput)
{
    struct Case {
        std::string xml;
        std::string expected;
    };
    const Case cases[] = {
        {R"(<!DOCTYPE a [<!ENTITY e "xxxxxxxx">]><a>&e;&e;</a>)", "DTD (DOCTYPE) が含まれています"},
        {R"(<!DOCTYPE a SYSTEM "file:///etc/passwd"><a/>)", "DTD (DOCTYPE) が含まれています"},
        {"<a>\xC3\x28</a>", "XML を解析できません"},
        {"<a>\xFF</a>", "XML を解析できません"},
        {"<a><b></a>", "XML を解析できません"},
        {"<a>&undefined;</a>", "XML を解析できません"},
        {"<a>", "XML を解析できません"},
        {"", "XML を解析できません"},
        {"<a/><b/>", "XML を解析できません"},
    };
    for (const auto& c : cases) {
        const auto message = OleMessage([&] { Parse(c.xml); });
        SCOPED_TRACE(c.xml);
        EXPECT_NE(message.find("ファイル \"/data/book.xlsx\" を開けません。xl/workbook.xml "),
                  std::string::npos)
            << message;
        EXPECT_NE(message.find(c.expected), std::string::npos) << message;
    }
}

TEST(TXmlReader, HandlerExceptionsPassThroughUnchanged)
{
    struct Thrower : TXmlHandler {
        void StartElement(const TXmlName& name, const TXmlAttributes&) override
        {
            if (name.local == "stop")
                throw EOleException(u"stopped here");
        }
        void EndElement(const TXmlName&) override {}
    } t;
    EXPECT_EQ(OleMessage([&] { ParseXml("<a><b/><stop/></a>", Book, "p.xml", t); }), "stopped here");
}

TEST(TXmlReader, StreamsAZipEntryAcrossPieces)
{
    TempDir dir;
    std::string xml = "<rows>";
    for (int i = 0; i < 100000; ++i)
        xml += "<r n=\"" + std::to_string(i) + "\">\xE6\x97\xA5</r>";
    xml += "</rows>";
    WriteZip(dir / "x.zip", {{"sheet.xml", xml}});

    struct Counter : TXmlHandler {
        long rows = 0, last = -1;
        std::string text;
        void StartElement(const TXmlName& name, const TXmlAttributes& a) override
        {
            if (name.local == "r") {
                ++rows;
                last = std::stol(a.Find("n"));
            }
        }
        void EndElement(const TXmlName&) override {}
        void Characters(std::string_view t) override
        {
            if (text.size() < 30)
                text += t;
        }
    } c;
    TZipArchive zip(dir / "x.zip");
    ParseXmlEntry(zip, "sheet.xml", c);
    EXPECT_EQ(c.rows, 100000);
    EXPECT_EQ(c.last, 99999);
    EXPECT_EQ(c.text.substr(0, 6), "\xE6\x97\xA5\xE6\x97\xA5");
}

} // namespace

// Bytes scanned to parse a sheet whose only large token is a comment or an
// attribute of `size` bytes, fed in the slices a zip entry arrives in.
static double ScannedForHugeToken(std::size_t size, bool attribute)
{
    const std::string head = attribute ? "<sheet><c v=\"" : "<sheet><!--";
    const std::string tail = attribute ? "\"/></sheet>" : "--><c/></sheet>";
    const std::string xml = head + std::string(size, 'x') + tail;
    Recorder r;
    TXmlReader reader(r, Book, "xl/worksheets/sheet1.xml");
    for (std::size_t at = 0; at < xml.size(); at += 64 * 1024)
        reader.Parse(std::string_view(xml).substr(at, 64 * 1024), false);
    reader.Parse({}, true);
    EXPECT_NE(r.log.find("</|c>"), std::string::npos);
    return static_cast<double>(reader.ScannedBytes());
}

TEST(TXmlReader, OneHugeTokenCostsWorkLinearInItsSize)
{
    // Resuming the token on every slice makes 4x the size cost 16x the work.
    // (Work, not time: on a shared machine the allocator's page faults
    // decide wall-clock ratios at these sizes.)
    for (bool attribute : {false, true}) {
        const double small = ScannedForHugeToken(4u << 20, attribute);
        const double large = ScannedForHugeToken(16u << 20, attribute);
        EXPECT_LT(large, 5 * small) << (attribute ? "attribute " : "comment ") << small << ", " << large;
    }
}
