// Parse driver end to end: the main list a first parse builds, what it drops,
// the limits on nesting and balance, and the parser object's list handling.
#include "parser/pipeline_helpers.h"

#include <gtest/gtest.h>

using namespace koru_test;

namespace {

TEST(ParseDriver, NewParserHasNoMainList) {
    CKORU_Parser parser;
    EXPECT_EQ(parser.GetMainList(), nullptr);
    EXPECT_EQ(parser.GetLastRefusal().code, KoruRefusalCode::None);
    EXPECT_EQ(Access::Depth(parser), 0);
    EXPECT_EQ(Table(Access::MacroTable(parser)), Lines{});
}

TEST(ParseDriver, FirstParseBuildsTheMainListInClosingOrder) {
    CKORU_Parser parser;
    CString source("<U><B N=b><C N=c></C></B></U>");
    EXPECT_EQ(parser.DoParsingProc(source, 0), 1);
    EXPECT_EQ(Shape(parser.GetMainList()), (Lines{"C 3", "B 2"}));
    EXPECT_EQ(Str(source), "<U><B N=b><C N=c></C></B></U>");
    EXPECT_TRUE(Access::ClosedList(parser).IsEmpty());
    EXPECT_TRUE(Access::TagStack(parser).IsEmpty());

    CKORU_ItemNode* control = parser.GetMainList()->GetHead();
    EXPECT_EQ(Str(control->m_Statement), "<C N=c");
    EXPECT_EQ(Table(&control->m_AttrTable), (Lines{"C=", "N=c"}));
}

TEST(ParseDriver, LargerDocumentKeepsRunsBeforeTheirParents) {
    CKORU_Parser parser;
    ASSERT_EQ(Parse(parser,
                    "<U>\n<B N=b>\n <C N=c1><A N=a></A></C>\n <C N=c2></C>\n</B>\n"
                    "<F ID=f><FD></FD></F>\n</U>"),
              1);
    EXPECT_EQ(Shape(parser.GetMainList()), (Lines{"A 4", "C 3", "C 3", "B 2", "FD 3", "F 2"}));
}

TEST(ParseDriver, FrameAndHStatementsAreDropped) {
    CKORU_Parser parser;
    ASSERT_EQ(Parse(parser, "<U><H><C N=c></C></H><h></h></U>"), 1);
    EXPECT_EQ(Shape(parser.GetMainList()), (Lines{"C 3"}));

    // Every level-1 node goes, not only the frame.
    CKORU_Parser outer;
    ASSERT_EQ(Parse(outer, "<X></X><U><B></B></U>"), 1);
    EXPECT_EQ(Shape(outer.GetMainList()), (Lines{"B 2"}));
}

TEST(ParseDriver, EmptyFrameGivesAnEmptyMainListAndLaterParsesAreFragments) {
    CKORU_Parser parser;
    ASSERT_EQ(Parse(parser, "<U></U>"), 1);
    NodeList* main = parser.GetMainList();
    ASSERT_NE(main, nullptr);
    EXPECT_TRUE(main->IsEmpty());

    ASSERT_EQ(Parse(parser, "<U><F ID=f></F></U>"), 1);
    EXPECT_EQ(parser.GetMainList(), main);  // merged into, not built again
    EXPECT_TRUE(Access::SubList(parser).IsEmpty());
}

TEST(ParseDriver, RefusedFirstParseLeavesNoMainListAndTheNextParseBuildsIt) {
    CKORU_Parser parser;
    EXPECT_EQ(Parse(parser, "<U><B></U>"), 0);
    EXPECT_EQ(parser.GetMainList(), nullptr);
    ASSERT_EQ(Parse(parser, "<U><B N=b></B></U>"), 1);
    EXPECT_EQ(Shape(parser.GetMainList()), (Lines{"B 2"}));
}

TEST(ParseDriver, SourceHoldsTheProcessedTextAfterASuccess) {
    CKORU_Parser parser;
    CString source("<MACRO>T:Hello??" "</MACRO><U><B N=\"&T;\"></B></U>");
    ASSERT_EQ(parser.DoParsingProc(source, 0), 1);
    EXPECT_EQ(Str(source), "<U><B N=\"Hello\"></B></U>");
    EXPECT_EQ(Table(Access::MacroTable(parser)), (Lines{"T=Hello"}));

    // The table serves later parses of the same parser.
    CString later("<U><B N=&T;></B></U>");
    ASSERT_EQ(parser.DoParsingProc(later, 0), 1);
    EXPECT_EQ(Str(later), "<U><B N=Hello></B></U>");
}

TEST(ParseDriver, RedefinitionTextIsAppliedAfterTheDocument) {
    CKORU_Parser parser;
    CString source("<U><B N=b></B></U>\n<C N=added></C>");
    ASSERT_EQ(parser.DoParsingProc(source, 0), 1);
    EXPECT_EQ(Str(source), "<U><B N=b></B></U>");
    EXPECT_EQ(Str(Access::ReDefineSource(parser)), "\n<C N=added></C>");
    EXPECT_EQ(Access::Overwrite(parser), 1);
    EXPECT_EQ(Access::NewValue(parser), 0);
    EXPECT_EQ(Shape(parser.GetMainList()), (Lines{"C 3", "B 2"}));
    EXPECT_EQ(Str(parser.GetMainList()->GetHead()->m_Statement), "<C N=added");
}

TEST(ParseDriver, BlankRedefinitionTextKeepsTheOverwriteArgument) {
    CKORU_Parser parser;
    CString source("<U><B></B></U>  \n");
    ASSERT_EQ(parser.DoParsingProc(source, 0), 1);
    EXPECT_EQ(Access::Overwrite(parser), 0);
    EXPECT_EQ(Str(source), "<U><B></B></U>");
}

TEST(ParseDriver, NestingUpToTheLevelLimitIsAccepted) {
    const int inner = 32766;  // U at level 1, then B up to level 32767
    CKORU_Parser parser;
    ASSERT_EQ(Parse(parser, "<U>" + Repeat("<B>", inner) + Repeat("</B>", inner) + "</U>"), 1);
    NodeList* main = parser.GetMainList();
    ASSERT_EQ(main->GetCount(), inner);
    EXPECT_EQ(main->GetHead()->m_Level, 32767);
    EXPECT_EQ(main->GetTail()->m_Level, 2);
}

TEST(ParseDriver, NestingPastTheLevelLimitIsRefused) {
    CKORU_Parser parser;
    const std::string deep = "<U>" + Repeat("<B>", 40000) + Repeat("</B>", 40000) + "</U>";
    CString source{std::string_view(deep)};
    EXPECT_EQ(parser.DoParsingProc(source, 0), 0);
    EXPECT_EQ(parser.GetLastRefusal().code, KoruRefusalCode::NestingLimit);
    EXPECT_EQ(parser.GetMainList(), nullptr);
    EXPECT_TRUE(Access::TagStack(parser).IsEmpty());
    EXPECT_EQ(Access::Depth(parser), 0);
    EXPECT_TRUE(Str(source) == deep);

    CKORU_Parser edge;
    EXPECT_EQ(Parse(edge, "<U>" + Repeat("<B>", 32767) + Repeat("</B>", 32767) + "</U>"), 0);
}

TEST(ParseDriver, NestingLimitCountsTagsLeftOpenByAnEarlierParse) {
    // The first parse leaves U and 99 B nodes open: depth 100.
    CKORU_Parser parser;
    ASSERT_EQ(Parse(parser, Repeat("</X>", 100) + "<U>" + Repeat("<B>", 100) + "</U>"), 1);
    ASSERT_EQ(Access::Depth(parser), 100);

    // U at 101 and 32667 X nodes: the deepest would get level 32768.
    const std::string tooDeep = "<U>" + Repeat("<X>", 32667) + Repeat("</X>", 32667) + "</U>";
    const std::string before = Snapshot(parser);
    EXPECT_EQ(Parse(parser, tooDeep), 0);
    EXPECT_EQ(parser.GetLastRefusal().code, KoruRefusalCode::NestingLimit);
    EXPECT_EQ(Snapshot(parser), before);

    // The same source fits a parser with nothing open, and one level less fits here.
    CKORU_Parser fresh;
    EXPECT_EQ(Parse(fresh, tooDeep), 1);
    EXPECT_EQ(Parse(parser, "<U>" + Repeat("<X>", 32666) + Repeat("</X>", 32666) + "</U>"), 1);
    EXPECT_EQ(Access::Depth(parser), 100);
}

TEST(ParseDriver, BalanceIsCountedWithFullIntWidth) {
    // 65,536 start statements and no end statement: the last one hides "</U>".
    CKORU_Parser parser;
    EXPECT_EQ(Parse(parser, "<U>" + Repeat("<B>", 65534) + "<x </U>"), 0);
    EXPECT_EQ(parser.GetLastRefusal().code, KoruRefusalCode::Unbalanced);
    EXPECT_EQ(parser.GetLastRefusal().startCount, 65536);
    EXPECT_EQ(parser.GetLastRefusal().endCount, 0);
    EXPECT_EQ(parser.GetMainList(), nullptr);

    // 65,537 starts against one end.
    EXPECT_EQ(Parse(parser, "<U>" + Repeat("<B>", 65536) + "</U>"), 0);
    EXPECT_EQ(parser.GetLastRefusal().code, KoruRefusalCode::Unbalanced);
    EXPECT_EQ(parser.GetLastRefusal().startCount, 65537);
    EXPECT_TRUE(Access::TagStack(parser).IsEmpty());
}

TEST(ParserObject, ReleaseNodeListFreesTheListButNotItsNodes) {
    CKORU_Parser parser;
    ASSERT_EQ(Parse(parser, "<U><B N=b><C N=c></C><C N=d></C></B></U>"), 1);
    NodeList* controls = parser.GetNodeList(nullptr, CString("C"), nullptr);
    ASSERT_NE(controls, nullptr);
    ASSERT_EQ(controls->GetCount(), 2);
    parser.ReleaseNodeList(controls);
    parser.ReleaseNodeList(nullptr);
    EXPECT_EQ(Shape(parser.GetMainList()), (Lines{"C 3", "C 3", "B 2"}));
}

TEST(ParserObject, ReleasingTheParsersOwnListDoesNothing) {
    // Under AddressSanitizer a second free of the main list would abort the run.
    CKORU_Parser parser;
    ASSERT_EQ(Parse(parser, "<U><B N=b><C N=c></C></B></U>"), 1);
    NodeList* main = parser.GetMainList();
    parser.ReleaseNodeList(main);
    parser.ReleaseNodeList(&Access::SubList(parser));
    parser.ReleaseNodeList(&Access::TagStack(parser));
    parser.ReleaseNodeList(&Access::ClosedList(parser));
    ASSERT_EQ(parser.GetMainList(), main);
    EXPECT_EQ(Shape(main), (Lines{"C 3", "B 2"}));
    EXPECT_NE(parser.GetNode(nullptr, CString("C"), CString("c")), nullptr);
    EXPECT_EQ(Parse(parser, "<U><F ID=f></F></U>"), 1);
    EXPECT_EQ(parser.GetMainList(), main);
}

TEST(ParserObject, ClearStringEmptiesStatementsOnly) {
    CKORU_Parser parser;
    Access::ClearStringInMainNodeList(parser);  // no main list: nothing happens
    ASSERT_EQ(Parse(parser, "<U><B N=b><C N=c></C></B></U>"), 1);
    Access::ClearStringInMainNodeList(parser);
    EXPECT_EQ(Shape(parser.GetMainList()), (Lines{"C 3", "B 2"}));
    for (CKORU_ItemNode* node : *parser.GetMainList()) EXPECT_TRUE(node->m_Statement.IsEmpty());
    EXPECT_EQ(Table(&parser.GetMainList()->GetHead()->m_AttrTable), (Lines{"C=", "N=c"}));
}

TEST(ParserObject, ReleaseSubListFreesItsNodes) {
    CKORU_Parser parser;
    Access::SubList(parser).AddTail(new CKORU_ItemNode(CString("<C N=x>")));
    Access::SubList(parser).AddTail(new CKORU_ItemNode(CString("<C N=y>")));
    Access::ReleaseSubList(parser);
    EXPECT_TRUE(Access::SubList(parser).IsEmpty());
}

}  // namespace
