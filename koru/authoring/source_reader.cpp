// Reading a source into places, with the splitter's statement rules.
#include "authoring/source_reader.h"
#include "parser/frame_check.h"
#include "parser/statement_list.h"
#include "parser/statement_splitter.h"
#include "scan/word_cursor.h"

namespace koru { namespace detail {

namespace {

// Reads the statements of text[from, to) into `out`; false when reading stopped early.
bool ReadPart(std::string_view text, size_t from, size_t to, SourceReading& out) {
    const std::string_view part = text.substr(0, to);
    SourceStatements scratch;
    for (size_t i = from; i < to; ++i) {
        if (part[i] != '<') {
            i = FindByte(part, i, '<');
            if (i == std::string_view::npos) break;
        }
        const size_t at = i;
        StatementSpan span{};
        switch (ReadStatement(part, i, span, scratch)) {
            case StatementRead::Statement: {
                const bool closes = StartsWithEndTag(NodeText(part.substr(at, i + 1 - at)));
                out.items.push_back({closes ? SourceItem::End : SourceItem::Start, at, i + 1 - at});
                break;
            }
            case StatementRead::Comment: {
                // The comment runs through its closing "--", and the '>' that usually follows.
                size_t end = i + 2;
                if (end < to && part[end] == '>') ++end;
                out.items.push_back({SourceItem::Comment, at, end - at});
                i = end - 1;
                break;
            }
            case StatementRead::UnclosedQuote:
                out.stop = {SourceStop::UnclosedQuote, at};
                return false;
            case StatementRead::Unterminated:
                out.stop = {SourceStop::Unterminated, at};
                return false;
            case StatementRead::UnclosedComment:
                out.stop = {SourceStop::UnclosedComment, at};
                return false;
        }
    }
    return true;
}

}  // namespace

SourceReading ReadSource(std::string_view text, bool all) {
    SourceReading reading;
    const FrameScan frame = all ? FrameScan() : ScanFrame(text);
    reading.documentEnd = frame.end == std::string_view::npos ? text.size() : frame.end;
    const std::string_view document = text.substr(0, reading.documentEnd);
    const MacroBlockPlace block = all ? MacroBlockPlace() : FindMacroBlock(document);
    if (block.found && block.closed) {
        // The block is cut out before statements are read: those before it end at its '<'.
        if (!ReadPart(document, 0, block.begin, reading)) return reading;
        reading.items.push_back({SourceItem::MacroBlock, block.begin, block.end - block.begin});
        ReadPart(document, block.end, document.size(), reading);
    } else {
        ReadPart(document, 0, document.size(), reading);
    }
    return reading;
}

std::string_view TagOf(std::string_view statement) {
    size_t origin = 0;
    CString scratch;
    const std::string_view text = NodeText(statement);
    std::string_view word = CutFirstWordView(text, origin, scratch);
    if (!word.empty() && word.data() == scratch.GetString()) return std::string_view();  // not one run of the text
    if (!word.empty() && word.front() == '/') word.remove_prefix(1);
    return word;
}

}}  // namespace koru::detail
