// The reading of a plain statement, in line for the loops that split a
// source: statements are short, and most are read by this alone.
#ifndef KORU_PARSER_PLAIN_READER_H
#define KORU_PARSER_PLAIN_READER_H

#include "parser/statement_splitter.h"
#include "scan/word_cursor.h"

#include <cstdint>
#include <string_view>

namespace koru { namespace detail {

// How a plain reading read a statement.
enum class PlainRead {
    Cut,    // a statement, its words cut
    Uncut,  // a statement whose words need the general rules, or an end statement
    Odd,    // something ReadStatement's rules must read: a '!' (a comment, maybe), a
            // '<' after the first byte, a zero byte, a length header, or no end
};

// What a byte does to the reading: between words lie blanks (which may also
// end a word), '&' and ';' (which may not) and equals signs; words are runs
// of ordinary bytes and colons, or quoted values; '>' ends the statement.
// Odd bytes need ReadStatement's rules: '!' may open a comment, a '<' inside
// a statement is where the frame check looks for its marks, and the zero
// byte also stands after the text's end, so no loop needs to test the length.
enum ByteKind : unsigned char { kBlankByte, kJoinByte, kEqualsByte, kWordByte, kQuoteByte, kEndByte, kOddByte };

struct ByteKinds {
    unsigned char of[256] = {};
    constexpr ByteKinds() {
        for (int c = 0; c < 256; ++c) {
            const unsigned char k = kCharClasses.of[c];
            of[c] = k == kBlank ? kBlankByte : k == kAmpersand || k == kSemicolon ? kJoinByte : kWordByte;
        }
        of[static_cast<unsigned char>('=')] = kEqualsByte;
        of[static_cast<unsigned char>('"')] = kQuoteByte;
        of[static_cast<unsigned char>('>')] = kEndByte;
        of[static_cast<unsigned char>('!')] = kOddByte;
        of[static_cast<unsigned char>('<')] = kOddByte;
        of[0] = kOddByte;
    }
};
inline constexpr ByteKinds kKinds{};

inline unsigned char KindOf(char c) noexcept { return kKinds.of[static_cast<unsigned char>(c)]; }

// Moves `at` over the quoted value whose quote it is on; false when the value
// has a length header or no closing quote.
inline bool SkipPlainValue(std::string_view text, const char*& at) noexcept {
    const size_t quote = static_cast<size_t>(at - text.data());
    if (StartsLengthHeader(text, quote)) return false;
    const size_t close = FindByte(text, quote + 1, '"');
    if (close == std::string_view::npos) return false;
    at = text.data() + close + 1;
    return true;
}

// Reads from `at` to the statement's '>' without cutting words.
inline PlainRead ReadRest(std::string_view text, const char* at, size_t& gt) noexcept {
    for (;;) {
        const unsigned char kind = KindOf(*at);
        if (kind == kEndByte) break;
        if (kind == kOddByte) return PlainRead::Odd;
        if (kind == kQuoteByte) {
            if (!SkipPlainValue(text, at)) return PlainRead::Odd;
        } else {
            ++at;
        }
    }
    gt = static_cast<size_t>(at - text.data());
    return PlainRead::Uncut;
}

// Reads the statement at `start`, cutting its words into `words` (the equals
// count first) as long as CutPlainWords could cut them: '&' or ';' inside a
// word, a word that starts with ':' or runs into a quote, or more than kMax
// words leave them uncut. An end statement's words are not cut: it becomes
// no node.
inline PlainRead ReadPlain(std::string_view text, size_t start, size_t& gt, uint32_t* words, int& count) noexcept {
    const char* at = text.data() + start + 1;
    if (*at == '/') return ReadRest(text, at, gt);
    const char* const base = text.data() + start;
    int n = 0, equals = 0;
    for (;;) {
        unsigned char kind = KindOf(*at);
        while (kind <= kEqualsByte) {
            equals += kind == kEqualsByte;
            kind = KindOf(*++at);
        }
        if (kind == kEndByte) break;
        if (n == StatementWords::kMax) return ReadRest(text, at, gt);
        const char* first = at;
        if (kind == kWordByte) {
            if (*at == ':') return ReadRest(text, at, gt);
            do kind = KindOf(*++at);
            while (kind == kWordByte);
            if (kind != kBlankByte && kind != kEqualsByte && kind != kEndByte) return ReadRest(text, at, gt);
        } else if (kind != kQuoteByte || !SkipPlainValue(text, at)) {
            return PlainRead::Odd;
        }
        words[++n] = WordPlaces::Place(static_cast<size_t>(first - base), static_cast<size_t>(at - first));
    }
    gt = static_cast<size_t>(at - text.data());
    // Places are 16 bits each, and the node text ends before the '>': a last
    // byte ':' needs the general rules.
    if (gt - start > WordPlaces::kMaxPlaced || at[-1] == ':') return PlainRead::Uncut;
    words[0] = static_cast<uint32_t>(equals);
    count = n;
    return PlainRead::Cut;
}

// Reads the statement at `pos` as ReadStatement does and cuts its words as
// ReadStatementWords does, unless it is odd; `pos` then stays.
inline PlainRead ReadPlainInline(std::string_view text, size_t& pos, StatementSpan& span, SourceStatements& out) {
    size_t gt = 0;
    int count = 0;
    const PlainRead read = ReadPlain(text, pos, gt, out.WordRoom(), count);
    if (read == PlainRead::Odd) return read;
    span.offset = static_cast<uint32_t>(pos);
    span.length = static_cast<uint32_t>(gt - pos + 1);
    span.edited = false;
    span.kept = out.WordPlace();
    span.wordCount = read == PlainRead::Cut ? static_cast<int16_t>(count) : -1;
    pos = gt;
    return read;
}

}}  // namespace koru::detail

#endif
