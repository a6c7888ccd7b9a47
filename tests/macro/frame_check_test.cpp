// Frame check: a source needs an exact "<U>" ... "</U>" frame; the text after
// the first "</U>" becomes redefinition text and may turn overwriting on.
#include "parser/pipeline_helpers.h"

#include <gtest/gtest.h>

using namespace koru_test;

namespace {

struct Checked {
    int result;
    std::string source;
    std::string redefinition;
    int overwrite;
};

// Runs the check on `text` with the overwrite flag preset to `overwrite`.
Checked Check(const std::string& text, int overwrite = 0) {
    CKORU_Parser parser;
    Access::SetOverwrite(parser, overwrite);
    CString source{std::string_view(text)};
    Checked c;
    c.result = Access::DoYouHaveReDefineSource(parser, source);
    c.source = Str(source);
    c.redefinition = Str(Access::ReDefineSource(parser));
    c.overwrite = Access::Overwrite(parser);
    return c;
}

TEST(FrameCheck, DocumentWithNothingAfterItIsUnchanged) {
    Checked c = Check("<U><B></B></U>");
    EXPECT_EQ(c.result, 1);
    EXPECT_EQ(c.source, "<U><B></B></U>");
    EXPECT_EQ(c.redefinition, "");
    EXPECT_EQ(c.overwrite, 0);
    EXPECT_EQ(Check("<U></U>").result, 1);
    // A start without an end is enough.
    EXPECT_EQ(Check("<U><B></B>").source, "<U><B></B>");
    EXPECT_EQ(Check("<U><B></B>").result, 1);
}

TEST(FrameCheck, BlanksAfterTheFrameKeepTheOverwriteFlag) {
    Checked c = Check("<U></U> \r\n\t ");
    EXPECT_EQ(c.result, 1);
    EXPECT_EQ(c.source, "<U></U>");
    EXPECT_EQ(c.redefinition, " \r\n\t ");
    EXPECT_EQ(c.overwrite, 0);
    EXPECT_EQ(Check("<U></U> ", 1).overwrite, 1);  // set, never cleared
}

TEST(FrameCheck, StatementsAfterTheFrameTurnOverwritingOn) {
    Checked c = Check("<U></U><C N=x></C><U></U>");
    EXPECT_EQ(c.result, 1);
    EXPECT_EQ(c.source, "<U></U>");
    EXPECT_EQ(c.redefinition, "<C N=x></C><U></U>");  // not scanned further
    EXPECT_EQ(c.overwrite, 1);
    EXPECT_EQ(Check("<U></U>!").overwrite, 1);
    EXPECT_EQ(Check("<U></U>\x7f").overwrite, 1);
}

TEST(FrameCheck, BytesAbove127DoNotCountAsVisible) {
    Checked c = Check("<U></U> \xc3\xa9 \x80\xff");
    EXPECT_EQ(c.result, 1);
    EXPECT_EQ(c.redefinition, " \xc3\xa9 \x80\xff");
    EXPECT_EQ(c.overwrite, 0);
}

TEST(FrameCheck, FrameTagsInQuotesOrCommentsDoNotCount) {
    EXPECT_EQ(Check("<B N=\"<U>\"></B>").result, 0);
    EXPECT_EQ(Check("<!-- <U> -->").result, 0);
    EXPECT_EQ(Check("<!-- <U> --></U>").result, 0);

    Checked quoted = Check("<U><B N=\"</U>\"></B></U>tail");
    EXPECT_EQ(quoted.source, "<U><B N=\"</U>\"></B></U>");
    EXPECT_EQ(quoted.redefinition, "tail");

    Checked prefixed = Check("<U><B N=\"<l=4></U>\"></B></U>");
    EXPECT_EQ(prefixed.result, 1);
    EXPECT_EQ(prefixed.source, "<U><B N=\"<l=4></U>\"></B></U>");
    EXPECT_EQ(prefixed.redefinition, "");
}

TEST(FrameCheck, CommentDirectlyBeforeTheEndEndsTheFrameThere) {
    Checked c = Check("<U><!-- c --></U>tail");
    EXPECT_EQ(c.result, 1);
    EXPECT_EQ(c.source, "<U><!-- c --></U>");
    EXPECT_EQ(c.redefinition, "tail");
}

TEST(FrameCheck, FrameMustBeWrittenExactly) {
    EXPECT_EQ(Check("<u></u>").result, 0);
    EXPECT_EQ(Check("<U A=1></U>").result, 0);  // "</U>" before any "<U>"
    EXPECT_EQ(Check("").result, 0);
    EXPECT_EQ(Check("<B></B>").result, 0);
}

TEST(FrameCheck, RefusalsLeaveTheSourceAndAnEmptyRedefinition) {
    const char* refused[] = {"<U><U></U>", "</U><U></U>", "<U><!-- open</U> x", "<B></B>"};
    for (const char* text : refused) {
        SCOPED_TRACE(text);
        CKORU_Parser parser;
        CString earlier("<U></U>left over");
        ASSERT_EQ(Access::DoYouHaveReDefineSource(parser, earlier), 1);
        CString source(text);
        EXPECT_EQ(Access::DoYouHaveReDefineSource(parser, source), 0);
        EXPECT_EQ(Str(source), text);
        EXPECT_EQ(Str(Access::ReDefineSource(parser)), "");
    }
}

}  // namespace
