// Position-based word scanning shared by the public scanner statics and node building.
#ifndef KORU_SCAN_WORD_CURSOR_H
#define KORU_SCAN_WORD_CURSOR_H

#include "koru.h"

#include <cstring>
#include <string_view>

namespace koru { namespace detail {

// Character classes of the word scanner.
enum CharClass : short {
    kOrdinary = 0,
    kBlank = 1,
    kQuote = 2,
    kAmpersand = 3,
    kSemicolon = 4,
    kEquals = 5,
    kColon = 6,
};

// Classes of all 256 byte values, built at compile time.
struct CharClassTable {
    unsigned char of[256] = {};
    constexpr CharClassTable() {
        of[static_cast<unsigned char>('\t')] = kBlank;
        of[static_cast<unsigned char>(' ')] = kBlank;
        of[static_cast<unsigned char>('\r')] = kBlank;
        of[static_cast<unsigned char>('\n')] = kBlank;
        of[static_cast<unsigned char>('<')] = kBlank;
        of[static_cast<unsigned char>('>')] = kBlank;
        of[static_cast<unsigned char>('"')] = kQuote;
        of[static_cast<unsigned char>('&')] = kAmpersand;
        of[static_cast<unsigned char>(';')] = kSemicolon;
        of[static_cast<unsigned char>('=')] = kEquals;
        of[static_cast<unsigned char>(':')] = kColon;
    }
};
inline constexpr CharClassTable kCharClasses{};

// Class of one byte: a table read, since every scan asks it for every byte.
inline short ClassOf(char c) noexcept { return kCharClasses.of[static_cast<unsigned char>(c)]; }

// Index of the first `c` at or after `from`, or npos. Quoted values are short,
// so the first bytes are compared in line before handing the rest to memchr,
// whose call costs more than such a value.
inline size_t FindByte(std::string_view text, size_t from, char c) noexcept {
    const size_t length = text.size();
    const size_t inlineEnd = from + 24 < length ? from + 24 : length;
    for (; from < inlineEnd; ++from)
        if (text[from] == c) return from;
    if (from >= length) return std::string_view::npos;
    const void* hit = std::memchr(text.data() + from, c, length - from);
    return hit ? static_cast<size_t>(static_cast<const char*>(hit) - text.data()) : std::string_view::npos;
}

// A length header "<l=N>" directly after the quote at `quote`.
struct LengthHeader {
    bool present = false;  // "<l=" follows the quote
    int gt = -1;           // index of '>' in the window that starts after the quote, or -1
    int length = 0;        // N, negative read as 0
};

// Reads the length header that StartsLengthHeader found after the quote at `quote`.
LengthHeader ReadPresentLengthHeader(std::string_view text, size_t quote) noexcept;

// True when "<l=" follows the quote at `quote`.
inline bool StartsLengthHeader(std::string_view text, size_t quote) noexcept {
    return quote + 3 < text.size() && text[quote + 1] == '<' && text[quote + 2] == 'l' && text[quote + 3] == '=';
}

// Reads the length header after the quote at `quote`; the '>' must lie within
// the ten bytes that start at the header's '<'. Inline, since every quoted
// value of every scan asks, and almost none has a header.
inline LengthHeader ReadLengthHeader(std::string_view text, size_t quote) noexcept {
    return StartsLengthHeader(text, quote) ? ReadPresentLengthHeader(text, quote) : LengthHeader();
}

// Index where a skip from the quote at `quote` rests: the closing quote, the
// closing byte of a length-prefixed value, or the text's end when none is there.
inline size_t SkipQuotedValue(std::string_view text, size_t quote) noexcept {
    if (StartsLengthHeader(text, quote)) {
        const LengthHeader h = ReadPresentLengthHeader(text, quote);
        const size_t target =
            h.gt < 0 ? quote + 1 : quote + static_cast<size_t>(h.gt) + static_cast<size_t>(h.length) + 2;
        return target < text.size() ? target : text.size();
    }
    const size_t close = FindByte(text, quote + 1, '"');
    return close == std::string_view::npos ? text.size() : close;
}

// Counts words as GetWordCount does; `equals` gets the full number of equals
// signs outside quoted values (no 16-bit limit, so a node's word count stays
// right for statements with more than 32767 pairs).
int CountWords(std::string_view text, int& equals) noexcept;

// Cuts the first word or quoted value off text[origin..] exactly as
// GetFirstWord(rest, 1) would; `origin` becomes the start of what is left.
// Linear in the bytes visited, so repeated cuts walk a statement once.
CString CutFirstWord(std::string_view text, size_t& origin);
// The same word as a view: into `text` when the word is one run of it (the
// usual case), else into `scratch`, which then holds the word.
std::string_view CutFirstWordView(std::string_view text, size_t& origin, CString& scratch);

// Decodes the length-prefixed value whose quote is at `pos` (see EncodeRValue);
// returns false when no "<l=" follows the quote. `pos` moves to the closing byte
// when a complete header was read.
bool DecodeLengthValue(std::string_view text, size_t& pos, CString& out);

// True when the statement's first word starts with '/' (an end tag as the tag stack sees it).
bool StartsWithEndTag(std::string_view statement) noexcept;

// Upper-cases ASCII letters of a copy.
CString UpperCopy(std::string_view text);

// Removes one pair of surrounding quotes as the value readers do: when the text
// starts with '"', drop it, then cut at the last '"' that remains (if any).
void StripQuotes(CString& value);

}}  // namespace koru::detail

#endif
