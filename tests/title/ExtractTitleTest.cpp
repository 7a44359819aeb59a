#include "title/TitleExtractor.h"

#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "HostilePdf.h"
#include "PdfWriter.h"
#include "TempDir.h"

namespace tidemark {
namespace {

using pdfgen::Document;
using pdfgen::PageBuilder;

// Collects the library's messages for one test.
class Messages {
public:
    Messages()
    {
        setErrorSink([this](const std::string &m) { list.push_back(m); });
    }
    ~Messages() { setErrorSink(nullptr); }
    bool contains(const std::string &part) const
    {
        for (const std::string &m : list) {
            if (m.find(part) != std::string::npos) {
                return true;
            }
        }
        return false;
    }
    std::vector<std::string> list;
};

class ExtractTitle : public ::testing::Test {
protected:
    std::string write(const std::string &name, const Document &doc)
    {
        const std::string path = dir.file(name);
        pdfgen::writeFile(path, doc);
        return path;
    }
    Extraction extract(const std::string &path)
    {
        return extractTitle(path, state);
    }

    TempDir dir;
    CollectorState state;
    Messages messages;
};

Document titlePage(const std::string &title, bool heading, int bodyPages = 0)
{
    PageBuilder b;
    b.line(title, 20, "Helvetica-Bold").line("Ann Author", 12).gap(10);
    if (heading) {
        b.line("Abstract", 11, "Helvetica-Bold");
    }
    b.body(10);
    Document doc{{b.page()}, "Metadata Must Not Win"};
    for (int i = 0; i < bodyPages; ++i) {
        doc.pages.push_back(PageBuilder().body(40, 10, std::to_string(i)).page());
    }
    return doc;
}

TEST_F(ExtractTitle, StopsAfterThePageWithTheHeading)
{
    const Extraction e = extract(write("p.pdf", titlePage("Tidal Mixing in Estuaries", true, 4)));
    EXPECT_EQ(e.title, "Tidal Mixing in Estuaries");
    EXPECT_EQ(e.pagesRendered, 1);
}

TEST_F(ExtractTitle, CoverPageThenHeadingOnPageTwo)
{
    Document doc = titlePage("Sediment Transport Now", true);
    doc.pages.insert(doc.pages.begin(), PageBuilder().gap(100).line("Report Series", 30, "Times-Bold").page());
    doc.pages.push_back(PageBuilder().body(40).page());
    const Extraction e = extract(write("cover.PDF", doc));
    EXPECT_EQ(e.title, "Sediment Transport Now");
    EXPECT_EQ(e.pagesRendered, 2);
}

TEST_F(ExtractTitle, WithoutHeadingEveryPageIsReadAndPageOneGivesTheTitle)
{
    const std::string one = write("one.pdf", titlePage("Short Note on Tides", false));
    const std::string three = write("three.pdf", titlePage("Field Guide to Marshes", false, 2));
    EXPECT_EQ(extract(one).pagesRendered, 1);
    const Extraction e = extract(three);
    EXPECT_EQ(e.title, "Field Guide to Marshes");
    EXPECT_EQ(e.pagesRendered, 3);
}

TEST_F(ExtractTitle, TwoExtractionsInARowStartAfresh)
{
    const std::string a = write("a.pdf", titlePage("First Paper Title", true));
    Document other = titlePage("Second Paper Title", false);
    other.pages.insert(other.pages.begin(), PageBuilder().line("Abstract of nothing", 9).page());
    const std::string b = write("b.pdf", other);

    EXPECT_EQ(extract(a).title, "First Paper Title");
    EXPECT_EQ(state.pageNumber, 0);
    EXPECT_EQ(state.abstractPage, 0);
    EXPECT_FALSE(state.stopRequested);
    // The blocks of the last document stay until the next extraction.
    EXPECT_FALSE(state.blocks.empty());

    // Page 1 of b opens with "Abstract": as the first kept line it is stored,
    // so no heading is met and the title comes from page 1.
    const Extraction e = extract(b);
    EXPECT_EQ(e.pagesRendered, 2);
    EXPECT_EQ(e.title, "Abstract of nothing");
}

TEST_F(ExtractTitle, LineEndingInAHyphen)
{
    // A title page whose lines are given as {text, size}, then a page whose
    // 20 pt heading would be appended to the title if page 1 were not
    // stopped at its abstract heading.
    struct Case {
        const char *what;
        std::vector<std::pair<std::string, double>> lines;
        std::string title;
    };
    const Case cases[] = {
        {"a word broken over two lines is rejoined",
         {{"Wave Energy and Hydro-", 18}, {"dynamic Modelling of Reefs", 18}, {"Abstract", 11}},
         "Wave Energy and Hydrodynamic Modelling of Reefs"},
        {"a capital after the break begins a word of its own",
         {{"Adaptive Self-", 20}, {"Organizing Tidal Networks", 20}, {"Abstract", 11}},
         "Adaptive Self Organizing Tidal Networks"},
        {"the heading after a stored hyphenated line still stops",
         {{"Deep Channel Surveys", 20}, {"Ann Author", 12}, {"University of Electro-", 10}, {"Abstract", 10}},
         "Deep Channel Surveys"},
        {"the heading after a dropped hyphenated line still stops",
         {{"Deep Channel Surveys", 20}, {"Ann Author", 12}, {"1 Dept. of Electro-", 10}, {"Abstract", 10}},
         "Deep Channel Surveys"},
        {"a line after a dropped year is kept",
         {{"Deep Channel Surveys", 20}, {"2019-", 20}, {"continued Here", 20}, {"Abstract", 10}},
         "Deep Channel Surveys continued Here"},
        {"a line of a lone hyphen glues nothing to the title",
         {{"Deep Harbour Learning", 20}, {"-", 12}, {"Ann Author", 12}, {"Abstract", 10}},
         "Deep Harbour Learning"},
    };
    for (const Case &c : cases) {
        PageBuilder first;
        for (const auto &[text, size] : c.lines) {
            first.line(text, size, size > 12 ? "Helvetica-Bold" : "Helvetica");
        }
        first.body(5);
        const Document doc{{first.page(), PageBuilder().line("Supplementary Material Heading", 20).body(5).page()},
                           ""};
        const Extraction e = extract(write("hyphen.pdf", doc));
        EXPECT_EQ(e.title, c.title) << c.what;
        EXPECT_EQ(e.pagesRendered, 1) << c.what;
    }
}

TEST_F(ExtractTitle, CharacterOutsideLatin1Disappears)
{
    // A Greek alpha (Symbol font) glued to the title words: the line then
    // begins with the letter after it. With a space between them the line
    // would begin with that space and be passed over.
    PageBuilder b(680);
    b.line("Ann Author", 12).line("Abstract", 11).body(3);
    pdfgen::Page page = b.page();
    page.runs.push_back({"a", 20, 72, 720, "Symbol"});
    page.runs.push_back({"Helix Folding Kinetics", 20, 72 + 0.631 * 20, 720, "Helvetica-Bold"});
    page.runs.push_back({"b", 16, 72, 700, "Symbol"});
    page.runs.push_back({" Sheets Too", 16, 72 + 0.549 * 16 + 6, 700, "Helvetica-Bold"});
    const Extraction e = extract(write("greek.pdf", {{page}, ""}));
    EXPECT_EQ(e.title, "Helix Folding Kinetics");
    for (const TitleBlock &block : state.blocks) {
        for (const std::string &line : block.lines) {
            EXPECT_EQ(line.find("Sheets"), std::string::npos) << line;
        }
    }
}

TEST_F(ExtractTitle, LatinOneTitleStaysInLatinOne)
{
    PageBuilder b;
    b.line("Caf\xe9 Culture and Na\xefve Models", 20).line("Abstract", 11).body(3);
    EXPECT_EQ(extract(write("latin1.pdf", {{b.page()}, ""})).title, "Caf\xe9 Culture and Na\xefve Models");
}

TEST_F(ExtractTitle, FileNameWithAnAccentedLetter)
{
    // On Windows the name is in the ANSI code page, which the library does
    // not read by itself.
    const Extraction e = extract(write("caf\xe9 na\xefve.pdf", titlePage("Accented File Name", true)));
    EXPECT_EQ(e.title, "Accented File Name");
}

TEST_F(ExtractTitle, DocumentWithoutPagesHasNoTitle)
{
    const Extraction e = extract(write("empty.pdf", Document{}));
    EXPECT_EQ(e.title, "");
    EXPECT_EQ(e.pagesRendered, 0);
}

TEST_F(ExtractTitle, BadInputGivesNoTitleAndAMessage)
{
    const std::string good = pdfgen::render(titlePage("Good Title Here", true));
    const std::string truncated = dir.file("truncated.pdf");
    writeFileBytes(truncated, good.substr(0, 300));
    std::string noise(20000, '\0');
    unsigned h = 7;
    for (char &c : noise) {
        h = h * 1103515245u + 12345u;
        c = static_cast<char>(h >> 16);
    }
    const std::string random = dir.file("random.pdf");
    writeFileBytes(random, noise);
    const std::string empty = dir.file("empty.pdf");
    writeFileBytes(empty, "");

    for (const std::string &path : {truncated, random, empty, dir.path(), dir.file("missing.pdf")}) {
        messages.list.clear();
        EXPECT_EQ(extract(path).title, "") << path;
        EXPECT_FALSE(messages.list.empty()) << path;
    }
}

TEST_F(ExtractTitle, DamagedCrossReferenceIsRepairedByTheLibrary)
{
    std::string bytes = pdfgen::render(titlePage("Still Readable Title", true));
    bytes.replace(bytes.find("xref"), 4, "xxxx");
    const std::string path = dir.file("damaged.pdf");
    writeFileBytes(path, bytes);
    EXPECT_EQ(extract(path).title, "Still Readable Title");
}

TEST_F(ExtractTitle, DocumentThatKeepsTheLibraryBusyRunsOutOfTime)
{
    const std::string path = dir.file("endless.pdf");
    writeFileBytes(path, endlessPdf());
    const Extraction e = extractTitle(path, state, ExtractionOptions{std::chrono::milliseconds(300)});
    EXPECT_TRUE(e.timedOut);
    EXPECT_EQ(e.title, "");
    EXPECT_TRUE(messages.contains("too long"));
    EXPECT_EQ(state.pageNumber, 0);
}

#ifdef TIDEMARK_ENCRYPTED_DIR
TEST_F(ExtractTitle, EncryptedDocuments)
{
    const std::string dataDir = TIDEMARK_ENCRYPTED_DIR;
    EXPECT_EQ(extract(dataDir + "/user-password.pdf").title, "");
    EXPECT_FALSE(messages.list.empty());

    messages.list.clear();
    EXPECT_EQ(extract(dataDir + "/no-copy.pdf").title, "");
    EXPECT_TRUE(messages.contains("Copying of text from this document is not allowed."));

    // Encrypted without a user password and copying allowed reads normally.
    EXPECT_EQ(extract(dataDir + "/copy-allowed.pdf").title, "Tidal Mixing in Shallow Estuaries");
}
#endif

}  // namespace
}  // namespace tidemark
