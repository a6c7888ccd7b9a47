// Refusals are all-or-nothing: whatever stage refuses a source, the caller's
// string, the macro table and every node list stay exactly as they were, and
// GetLastRefusal tells which stage refused and where.
#include "parser/pipeline_helpers.h"

#include <gtest/gtest.h>

using namespace koru_test;

namespace {

// 40 macros in table order M40 ... M1, each value twice the next one's reference.
std::string DoublingBlock() {
    std::string block = "<MACRO>";
    for (int i = 40; i > 1; --i) {
        std::string prev = "&M" + std::to_string(i - 1) + ";";
        block += "M" + std::to_string(i) + ":" + prev + prev + "??";
    }
    return block + "M1:xx??" "</MACRO>";
}

struct RefusalCase {
    const char* name;
    std::string source;
    KoruRefusalCode code;
};

std::vector<RefusalCase> RefusalCases() {
    // Each source also redefines T and adds Z, and most carry redefinition text,
    // so that a half-done parse would show in the table or the string.
    const std::string block = "<MACRO>T:Changed??Z:1??" "</MACRO>";
    const std::string tail = "<C N=z></C>";
    return {
        {"frame missing", block + "<B></B>", KoruRefusalCode::NoFrame},
        {"second frame start", "<U><U></U>" + tail, KoruRefusalCode::SecondFrameStart},
        {"frame end first", "</U><U>", KoruRefusalCode::FrameEndBeforeStart},
        {"frame comment unclosed", block + "<U><!-- never </U>", KoruRefusalCode::UnclosedFrameComment},
        {"macro block unclosed", "<U><B N=MACRO></B></U>" + tail, KoruRefusalCode::UnclosedMacroBlock},
        {"comment unclosed", block + "<U><B !-- x></B></U>" + tail, KoruRefusalCode::UnclosedComment},
        {"no statement", "<MACRO>T:Changed??Z:1??" "<U></MACRO>", KoruRefusalCode::NoStatement},
        {"unbalanced", block + "<U><B></U>" + tail, KoruRefusalCode::Unbalanced},
        {"expansion", DoublingBlock() + "<U><B N=\"&M40;\"></B></U>" + tail, KoruRefusalCode::ExpansionLimit},
        {"nesting", block + "<U>" + Repeat("<B>", 40000) + Repeat("</B>", 40000) + "</U>" + tail,
         KoruRefusalCode::NestingLimit},
    };
}

class Refusal : public ::testing::Test {
protected:
    void SetUp() override {
        // A main list, a macro table and one tag (U) left open on the tag stack.
        ASSERT_EQ(Parse(parser, "<MACRO>T:Hello??" "</MACRO></X><U><B N=b><C N=c V=\"&T;\"></C></U>"), 1);
        ASSERT_EQ(Shape(parser.GetMainList()), (Lines{"C 3", "B 2"}));
        ASSERT_EQ(Shape(&Access::TagStack(parser)), (Lines{"U 1"}));
        ASSERT_EQ(Table(Access::MacroTable(parser)), (Lines{"T=Hello"}));
    }
    CKORU_Parser parser;
};

TEST_F(Refusal, EveryKindLeavesSourceTablesAndListsAsTheyWere) {
    for (const RefusalCase& c : RefusalCases()) {
        for (int overwrite : {0, 1}) {
            SCOPED_TRACE(std::string(c.name) + ", overwrite " + std::to_string(overwrite));
            const std::string before = Snapshot(parser);
            CString source{std::string_view(c.source)};
            EXPECT_EQ(parser.DoParsingProc(source, overwrite), 0);
            EXPECT_EQ(parser.GetLastRefusal().code, c.code);
            EXPECT_TRUE(Str(source) == c.source);
            EXPECT_EQ(Snapshot(parser), before);
            EXPECT_EQ(Access::Overwrite(parser), overwrite);
            EXPECT_EQ(Str(Access::ReDefineSource(parser)), "");
        }
    }
}

TEST_F(Refusal, ParserKeepsWorkingAfterARefusal) {
    ASSERT_EQ(Parse(parser, "<U><B></U><C N=z></C>"), 0);
    CString source("<U><F ID=f><FD N=&T;></FD></F></U>");
    ASSERT_EQ(parser.DoParsingProc(source, 0), 1);
    EXPECT_EQ(Str(source), "<U><F ID=f><FD N=Hello></FD></F></U>");
    EXPECT_EQ(parser.GetLastRefusal().code, KoruRefusalCode::None);
}

TEST(RefusalDoublingMacros, RefusedQuicklyOnAFreshParser) {
    CKORU_Parser parser;
    const std::string text = DoublingBlock() + "<U><B N=\"&M40;\"></B></U>";
    CString source{std::string_view(text)};
    EXPECT_EQ(parser.DoParsingProc(source, 0), 0);
    EXPECT_EQ(parser.GetLastRefusal().code, KoruRefusalCode::ExpansionLimit);
    EXPECT_TRUE(Str(source) == text);
    EXPECT_EQ(Table(Access::MacroTable(parser)), Lines{});
    EXPECT_EQ(parser.GetMainList(), nullptr);
}

struct Located {
    const char* source;
    KoruRefusalCode code;
    long long offset;
    int line;
    int column;
};

TEST(RefusalReport, CodeAndPlaceOfEachKind) {
    const Located cases[] = {
        {"<B></B>", KoruRefusalCode::NoFrame, -1, 0, 0},
        {"<U>\n<B>\n<U></U>", KoruRefusalCode::SecondFrameStart, 8, 3, 1},
        {"<B>\n  </U>", KoruRefusalCode::FrameEndBeforeStart, 6, 2, 3},
        {"<U>\n<!-- x</U>", KoruRefusalCode::UnclosedFrameComment, 4, 2, 1},
        {"<U>\n<B N=MACRO></B></U>", KoruRefusalCode::UnclosedMacroBlock, 9, 2, 6},
        {"<U>\n<B>\n<C !-- x></C></B></U>", KoruRefusalCode::UnclosedComment, 8, 3, 1},
        {"<MACRO><U></MACRO>", KoruRefusalCode::NoStatement, -1, 0, 0},
        {"<U></B></B></U>", KoruRefusalCode::Unbalanced, 7, 1, 8},
    };
    for (const Located& c : cases) {
        SCOPED_TRACE(c.source);
        CKORU_Parser parser;
        EXPECT_EQ(Parse(parser, c.source), 0);
        const KoruRefusal& r = parser.GetLastRefusal();
        EXPECT_EQ(r.code, c.code);
        EXPECT_EQ(r.offset, c.offset);
        EXPECT_EQ(r.line, c.line);
        EXPECT_EQ(r.column, c.column);
        EXPECT_FALSE(r.message.empty());
    }
}

TEST(RefusalReport, UnbalancedCountsAndTheLimitsAreReported) {
    CKORU_Parser parser;
    EXPECT_EQ(Parse(parser, "<U><B><C></U>"), 0);
    EXPECT_EQ(parser.GetLastRefusal().code, KoruRefusalCode::Unbalanced);
    EXPECT_EQ(parser.GetLastRefusal().startCount, 3);
    EXPECT_EQ(parser.GetLastRefusal().endCount, 1);

    EXPECT_EQ(Parse(parser, DoublingBlock() + "<U><B N=\"&M40;\"></B></U>"), 0);
    EXPECT_EQ(parser.GetLastRefusal().code, KoruRefusalCode::ExpansionLimit);

    EXPECT_EQ(Parse(parser, "<U>" + Repeat("<B>", 40000) + Repeat("</B>", 40000) + "</U>"), 0);
    EXPECT_EQ(parser.GetLastRefusal().code, KoruRefusalCode::NestingLimit);
}

TEST(RefusalReport, SuccessResetsTheReportToNone) {
    CKORU_Parser parser;
    EXPECT_EQ(Parse(parser, "<B></B>"), 0);
    ASSERT_EQ(parser.GetLastRefusal().code, KoruRefusalCode::NoFrame);
    EXPECT_EQ(Parse(parser, "<U><B></B></U>"), 1);
    EXPECT_EQ(parser.GetLastRefusal().code, KoruRefusalCode::None);
    EXPECT_EQ(parser.GetLastRefusal().offset, -1);
    EXPECT_TRUE(parser.GetLastRefusal().message.empty());
}

}  // namespace

namespace {

// Refusals are placed in the host's own text: after a macro block was cut out,
// at the first start statement nothing closes, and at the statement that
// passes the nesting limit.
TEST(RefusalReport, PlacesAreInTheHostsText) {
    struct Case {
        std::string source;
        KoruRefusalCode code;
        int line;
        int column;
    };
    std::string deep = "<U>\n";
    for (int i = 0; i < 33000; ++i) deep += "<B>";
    for (int i = 0; i < 33000; ++i) deep += "</B>";
    deep += "</U>";
    const Case cases[] = {
        {"<MACRO>\nA:1??\nB:2??\n</MACRO>\n<U>\n<B !-- x\n></B></U>", KoruRefusalCode::UnclosedComment, 6, 1},
        {"<U>\n<B>\n<C>\n</B></U>", KoruRefusalCode::Unbalanced, 1, 1},
        {"<MACRO>\nA:1??\n</MACRO>\n<U>\n<B>\n</U>", KoruRefusalCode::Unbalanced, 4, 1},
        {deep, KoruRefusalCode::NestingLimit, 2, 3 * 32766 + 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.source.substr(0, 60));
        CKORU_Parser parser;
        CString source(c.source.c_str());
        EXPECT_EQ(parser.DoParsingProc(source, 0), 0);
        const KoruRefusal& r = parser.GetLastRefusal();
        EXPECT_EQ(r.code, c.code);
        EXPECT_EQ(r.line, c.line);
        EXPECT_EQ(r.column, c.column);
    }
}

// Where macro expansion changed the text, the place is counted in the expanded
// text, and the message says so.
TEST(RefusalReport, PlacesAfterExpansionSaySo) {
    CKORU_Parser parser;
    CString source("<MACRO>\nA:1??\n</MACRO>\n<U>\n<B N=&A;>\n<C !-- x\n></B></U>");
    EXPECT_EQ(parser.DoParsingProc(source, 0), 0);
    EXPECT_EQ(parser.GetLastRefusal().code, KoruRefusalCode::UnclosedComment);
    EXPECT_NE(parser.GetLastRefusal().message.find("after macro expansion"), std::string::npos);
}

}  // namespace
