// The statements of a processed source, gathered as places in it: nothing is
// copied before a node is built from it.
#ifndef KORU_PARSER_STATEMENT_SPLITTER_H
#define KORU_PARSER_STATEMENT_SPLITTER_H

#include "koru.h"
#include "parser/block_list.h"
#include "parser/statement_list.h"
#include "scan/word_cursor.h"

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

namespace koru { namespace detail {

// One statement, '<' to '>' both included. A statement from which the splitter
// dropped a byte (the quote of a length header with no '>') is not one run of
// the source: its text is kept aside.
struct StatementSpan {
    uint32_t offset;
    uint32_t length;
    uint32_t kept;      // edited: index into SourceStatements::edited; else, with cut words, their place
    int16_t wordCount;  // words cut while reading, or -1 when they were not
    bool edited;        // the text is kept aside
    bool closes;        // an end statement, as the tag stack tells them
};

// A node a parse kept, as it closed: its place in the closed list, its level
// and its tag when that is one letter (upper-cased; 0 for any other tag).
// A merge outlines its fragment from these without reading the nodes again.
struct ClosedMark {
    POSITION pos;
    short level;
    char tag;
};

struct SourceStatements {
    BlockList<StatementSpan> spans;
    std::vector<CString> edited;
    // Set by the caller: record a ClosedMark for every node the parse keeps.
    bool markClosed = false;
    KeptVector<ClosedMark> closed;
    // Set by the caller: cut the words of start statements while reading
    // them, so that building their nodes does not walk them again.
    bool cutWords = false;

    std::string_view Text(std::string_view source, const StatementSpan& s) const noexcept {
        return s.edited ? edited[s.kept].View() : source.substr(s.offset, s.length);
    }

    // The cut words of start statements are kept in blocks: for each
    // statement its number of equals signs outside quoted values, then the
    // WordPlaces of its words from its '<'. Where a statement's entries begin
    // is its place: block number << 16 | index in the block.

    // Room for the entries of one more statement after those kept.
    uint32_t* WordRoom() {
        if (m_BlockRoom - m_BlockUsed <= static_cast<size_t>(StatementWords::kMax)) NewWordBlock();
        return m_Blocks.back().get() + m_BlockUsed;
    }
    // The place of the entries WordRoom() gave room for.
    uint32_t WordPlace() const noexcept { return static_cast<uint32_t>((m_Blocks.size() - 1) << 16 | m_BlockUsed); }
    // Keeps the `count` entries just written to WordRoom().
    void KeepWords(size_t count) noexcept { m_BlockUsed += count; }
    const uint32_t* WordsAt(uint32_t place) const noexcept { return m_Blocks[place >> 16].get() + (place & 0xffffu); }
    // Frees the blocks before the one of `place`: their statements are built.
    void DropWordsBefore(uint32_t place) noexcept {
        for (const size_t block = place >> 16; m_Dropped < block; ++m_Dropped) m_Blocks[m_Dropped].reset();
    }

private:
    void NewWordBlock();
    std::vector<std::unique_ptr<uint32_t[], GiveBack>> m_Blocks;
    size_t m_BlockRoom = 0;  // entries the last block holds
    size_t m_BlockUsed = 0;  // entries kept in it
    size_t m_Dropped = 0;    // blocks freed
};

// A run of gathered statements, from `at` up to `end`.
struct SpanRange {
    BlockList<StatementSpan>::const_iterator at;
    BlockList<StatementSpan>::const_iterator end;
};

// What reading one statement from its '<' found. Only a statement and an
// unclosed comment matter to a parse; the other outcomes are skipped alike.
enum class StatementRead {
    Statement,
    Comment,          // `pos` on the first '-' of the closing "--"
    UnclosedQuote,    // a quoted value runs to the end of the text
    Unterminated,     // the text ends before the statement's '>'
    UnclosedComment,
};

// Reads the statement whose '<' is at `pos`. Quoted values (length-prefixed
// ones included) protect '>' and "!--". `pos` moves to the last byte read.
StatementRead ReadStatement(std::string_view text, size_t& pos, StatementSpan& span, SourceStatements& out);

// The same, cutting the statement's words as CutPlainWords cuts its node
// text, into out.WordRoom() (span.kept, span.wordCount); span.wordCount is -1
// when they need the general rules. The byte after the text must be a
// zero, as a CString's is.
StatementRead ReadStatementWords(std::string_view text, size_t& pos, StatementSpan& span, SourceStatements& out);

// Records a statement just read: whether it closes, and the words of a start
// statement. True when its second byte is '/', as the balance check counts
// end statements.
inline bool KeepStatement(std::string_view text, StatementSpan& span, SourceStatements& out) {
    const std::string_view statement = out.Text(text, span);
    // Most statements have their tag right after the '<'.
    const unsigned char second = statement.size() > 2 ? static_cast<unsigned char>(statement[1]) : 0;
    span.closes = kCharClasses.word[second] ? second == '/' : StartsWithEndTag(NodeText(statement));
    // An end statement becomes no node: its words are not kept.
    if (span.closes) span.wordCount = -1;
    else if (span.wordCount >= 0) out.KeepWords(1 + static_cast<size_t>(span.wordCount));
    out.spans.push_back(span);
    return statement.substr(1, 1) == "/";
}

// True when `text` may hold a macro block: it holds "MACRO" somewhere.
bool MayHoldMacroBlock(std::string_view text) noexcept;

// Splits `text` as the splitter splits what the frame check keeps of it, and
// finds where the frame check ends it (`end`, npos when it keeps all), in one
// walk. False when the walk meets something on which the two might not
// agree (a quote between statements, an odd statement) or that a stage
// refuses; `out` is then to be dropped and the stages run one by one.
bool SplitFramed(std::string_view text, SourceStatements& out, size_t& end);

// The macro block of a framed text as the splitter cuts it: from the '<'
// before "MACRO" through the '>' after "/MACRO". `found` false when the text
// has no block; `closed` false when its "/MACRO" is missing.
struct MacroBlockPlace {
    bool found = false;
    bool closed = false;
    size_t begin = 0;
    size_t end = 0;
    size_t name = 0;  // index of "MACRO"
};
MacroBlockPlace FindMacroBlock(std::string_view text);

}}  // namespace koru::detail

#endif
