// The help pages: every link resolves, and every example, run through the
// real program, makes exactly the pages shown next to it.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <regex>

#include "app/TAppHelp.h"
#include "generation/EndToEnd.h"
#include "shell/TChildProcess.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;

namespace {

fs::path HelpDir() { return testsupport::SourceDir() / "docs" / "help"; }

std::vector<fs::path> HelpPages()
{
    std::vector<fs::path> pages;
    for (const auto& entry : fs::directory_iterator(HelpDir()))
        if (entry.path().extension() == ".html")
            pages.push_back(entry.path());
    std::sort(pages.begin(), pages.end());
    return pages;
}

std::string Unescaped(std::string text)
{
    text = std::regex_replace(text, std::regex("<br>"), "\n");
    const std::pair<const char*, const char*> entities[] = {{"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&amp;", "&"}};
    for (const auto& [from, to] : entities)
        text = std::regex_replace(text, std::regex(from), to);
    return text;
}

// HTML drops one line break right after <pre>.
std::string PreText(const std::string& raw)
{
    std::string text = Unescaped(raw);
    return !text.empty() && text[0] == '\n' ? text.substr(1) : text;
}

struct Example {
    std::string id;
    std::string templateText;
    std::vector<e2e::Sheet> sheets;
    std::map<std::string, std::string> pages;  // name -> text
    std::string error;
};

e2e::Sheet ReadSheet(const std::string& name, const std::string& table)
{
    e2e::Sheet sheet{Unescaped(name), {}};
    const std::regex row("<tr><th>(\\d+)</th>(.*?)</tr>");
    const std::regex cell("<td( data-number=\"([^\"]*)\" data-format=\"([^\"]*)\")?>(.*?)</td>");
    for (std::sregex_iterator r(table.begin(), table.end(), row), end; r != end; ++r) {
        const std::string cells = (*r)[2];
        int column = 0;
        for (std::sregex_iterator c(cells.begin(), cells.end(), cell); c != end; ++c) {
            const std::string ref = std::string(1, static_cast<char>('A' + column++)) + (*r)[1].str();
            if ((*c)[1].matched)
                sheet.cells.push_back(e2e::N(ref, std::stod((*c)[2]), Unescaped((*c)[3])));
            else if ((*c)[4].length() > 0)
                sheet.cells.push_back(e2e::S(ref, Unescaped((*c)[4])));
        }
    }
    return sheet;
}

std::vector<Example> ReadExamples(const std::string& html)
{
    std::vector<Example> examples;
    const std::regex start("<div class=\"example\" id=\"([^\"]+)\">");
    for (std::sregex_iterator m(html.begin(), html.end(), start), end; m != end; ++m) {
        const std::size_t from = m->position() + m->length();
        const std::string block = html.substr(from, html.find("\n</div>", from) - from);
        Example ex;
        ex.id = (*m)[1];
        std::smatch t;
        if (std::regex_search(block, t, std::regex("<pre class=\"template\">([\\s\\S]*?)</pre>")))
            ex.templateText = PreText(t[1]);
        const std::regex table("<table class=\"cells\" data-sheet=\"([^\"]*)\">([\\s\\S]*?)</table>");
        for (std::sregex_iterator s(block.begin(), block.end(), table); s != end; ++s)
            ex.sheets.push_back(ReadSheet((*s)[1], (*s)[2]));
        const std::regex page("<div class=\"page\"><p class=\"page-name\">(.*?)</p><pre>([\\s\\S]*?)</pre></div>");
        for (std::sregex_iterator p(block.begin(), block.end(), page); p != end; ++p)
            ex.pages[Unescaped((*p)[1])] = PreText((*p)[2]);
        std::smatch e;
        if (std::regex_search(block, e, std::regex("<div class=\"error\"><pre>([\\s\\S]*?)</pre></div>")))
            ex.error = PreText(e[1]);
        examples.push_back(ex);
    }
    return examples;
}

TEST(HelpPagesTest, EveryLinkAndImageResolves)
{
    const std::regex link("(?:href|src)=\"([^\"]*)\"");
    for (const fs::path& page : HelpPages()) {
        const std::string html = testsupport::ReadFile(page);
        for (std::sregex_iterator m(html.begin(), html.end(), link), end; m != end; ++m) {
            const std::string target = (*m)[1];
            if (target.rfind("http", 0) == 0 || target.rfind("mailto:", 0) == 0)
                continue;
            const std::size_t hash = target.find('#');
            const fs::path file = hash == 0 ? page : HelpDir() / target.substr(0, hash);
            ASSERT_TRUE(fs::is_regular_file(file)) << page.filename() << " -> " << target;
            if (hash != std::string::npos) {
                EXPECT_NE(testsupport::ReadFile(file).find("id=\"" + target.substr(hash + 1) + "\""), std::string::npos)
                    << page.filename() << " -> " << target;
            }
        }
    }
    for (THelpTopic topic : {THelpTopic::Contents, THelpTopic::MainWindow, THelpTopic::ConfigGeneral})
        EXPECT_TRUE(fs::is_regular_file(HelpDir() / ToPath(HelpPageName(topic))));
}

TEST(HelpPagesTest, EveryExampleMakesThePagesItShows)
{
    int count = 0;
    for (const fs::path& page : HelpPages()) {
        for (const Example& ex : ReadExamples(testsupport::ReadFile(page))) {
            SCOPED_TRACE(page.filename().string() + "#" + ex.id);
            ++count;
            ASSERT_FALSE(ex.templateText.empty());
            ASSERT_FALSE(ex.sheets.empty());
            ASSERT_NE(ex.pages.empty(), ex.error.empty()) << "an example shows pages or a message";
            e2e::Job job(ex.sheets);
            job.SetTemplate(ex.templateText);
            TChildProcessRequest run;
            run.argv = {(testsupport::BinaryDir() / "tabloom").string(), "-a", "-t=" + job.Template().string(),
                        "-x=" + job.Workbook().string(), "-d=" + job.Output().string(), "-te=1", "-de=1"};
            run.unsetEnv = {"DISPLAY", "WAYLAND_DISPLAY"};
            const TChildProcessResult result = RunChildProcess(run);
            if (!ex.error.empty()) {
                EXPECT_EQ(result.exitStatus, 1);
                EXPECT_NE(result.err.find(ex.error), std::string::npos) << result.err;
                EXPECT_TRUE(job.Pages().empty());
                continue;
            }
            ASSERT_EQ(result.exitStatus, 0) << result.err;
            std::map<std::string, std::string> expected;
            for (const auto& [name, text] : ex.pages)
                expected[name] = e2e::Bom + text;
            EXPECT_EQ(job.Pages(), expected);
        }
    }
    EXPECT_GE(count, 15);
}

} // namespace

namespace {

// The same lookup finds the pages next to a program in the build tree and
// under <prefix>/share next to <prefix>/bin.
TEST(HelpPagesTest, FoundInTheBuildTreeAndWhenInstalled)
{
    testsupport::TempDir dir;
    for (const char* page : {"build/share/tabloom/help/settings.html", "usr/share/tabloom/help/settings.html"}) {
        fs::create_directories((dir / page).parent_path());
        testsupport::WriteFile(dir / page, "x");
    }
    fs::create_directories(dir / "usr/bin");
    EXPECT_EQ(ToPath(HelpPagePath(FromPath(dir / "build/tabloom"), THelpTopic::ConfigGeneral)),
              dir / "build/share/tabloom/help/settings.html");
    EXPECT_EQ(ToPath(HelpPagePath(FromPath(dir / "usr/bin/tabloom"), THelpTopic::ConfigGeneral)),
              dir / "usr/share/tabloom/help/settings.html");
    EXPECT_EQ(HelpPagePath(FromPath(dir / "usr/bin/tabloom"), THelpTopic::MainWindow), u"");
}

} // namespace
