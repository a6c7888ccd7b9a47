// Position-based word scanning shared by the public scanner statics and node building.
#ifndef KORU_SCAN_WORD_CURSOR_H
#define KORU_SCAN_WORD_CURSOR_H

#include "koru.h"

#include <cstdint>
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
    bool skip[256] = {};  // passed over before a word: blanks, '=', '&', ';'
    bool word[256] = {};  // inside a plain word: ordinary bytes and colons
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
        for (int c = 0; c < 256; ++c) {
            skip[c] = of[c] == kBlank || of[c] == kEquals || of[c] == kAmpersand || of[c] == kSemicolon;
            word[c] = of[c] == kOrdinary || of[c] == kColon;
        }
    }
};
inline constexpr CharClassTable kCharClasses{};

// Class of one byte: a table read, since every scan asks it for every byte.
inline short ClassOf(char c) noexcept { return kCharClasses.of[static_cast<unsigned char>(c)]; }

// Index of the first `c` at or after `from`, or npos. Quoted values are short,
// so the first bytes are searched here, eight at a time, before handing the
// rest to memchr, whose call costs more than such a value.
inline size_t FindByte(std::string_view text, size_t from, char c) noexcept {
    const size_t length = text.size();
    const char* bytes = text.data();
    const size_t inlineEnd = from + 64 < length ? from + 64 : length;
#if defined(__GNUC__) && defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    // A byte of `word` equals `c` where the xor is zero; the lowest flagged
    // byte is the first match (flags above it may be false, never below).
    const uint64_t ones = 0x0101010101010101ull, highs = 0x8080808080808080ull;
    const uint64_t pattern = ones * static_cast<unsigned char>(c);
    for (; from + 8 <= inlineEnd; from += 8) {
        uint64_t word;
        std::memcpy(&word, bytes + from, sizeof word);
        const uint64_t x = word ^ pattern;
        const uint64_t hits = (x - ones) & ~x & highs;
        if (hits) return from + static_cast<size_t>(__builtin_ctzll(hits) >> 3);
    }
#endif
    for (; from < inlineEnd; ++from)
        if (bytes[from] == c) return from;
    if (from >= length) return std::string_view::npos;
    const void* hit = std::memchr(bytes + from, c, length - from);
    return hit ? static_cast<size_t>(static_cast<const char*>(hit) - bytes) : std::string_view::npos;
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
std::string_view CutFirstWordViewSlow(std::string_view text, size_t& origin, CString& scratch);
// Words are cut many times per statement: the usual ones (a plain run, a
// quoted value without a length header) are cut here in line.
inline std::string_view CutFirstWordView(std::string_view text, size_t& origin, CString& scratch) {
    const size_t length = text.size();
    size_t i = origin;
    while (i < length && kCharClasses.skip[static_cast<unsigned char>(text[i])]) ++i;
    if (i == length) {
        origin = length;
        return std::string_view();
    }
    if (text[i] == '"') {
        if (StartsLengthHeader(text, i)) return CutFirstWordViewSlow(text, origin, scratch);
        const size_t close = FindByte(text, i + 1, '"');
        const size_t end = close == std::string_view::npos ? length : close + 1;
        origin = end;
        return text.substr(i, end - i);
    }
    const size_t start = i;
    while (i < length && kCharClasses.word[static_cast<unsigned char>(text[i])]) ++i;
    if (i == length || text[i] == '"' || ClassOf(text[i]) == kBlank || ClassOf(text[i]) == kEquals) {
        origin = i == length ? length : (text[i] == '"' ? i + 1 : i);
        return text.substr(start, i - start);
    }
    return CutFirstWordViewSlow(text, origin, scratch);
}

// The words of one statement as places in a copy of its text: each word is
// its offset from `base` << 16 | its size, so a statement of at most
// kMaxPlaced bytes fits.
struct WordPlaces {
    static constexpr size_t kMaxPlaced = 0xffff;
    const char* base;
    const uint32_t* word;
    int count;
    // Word `i`, or the empty word past the last one (as a cut past the end gives).
    std::string_view At(int i) const noexcept {
        return i < count ? std::string_view(base + (word[i] >> 16), word[i] & 0xffffu) : std::string_view();
    }
    static uint32_t Place(size_t offset, size_t size) noexcept { return static_cast<uint32_t>(offset << 16 | size); }
};

// Every word of a statement, cut in one walk, with the counts CountWords gives.
struct StatementWords {
    static constexpr int kMax = 131;  // the tag and 65 pairs
    const char* base = nullptr;
    uint32_t word[kMax];              // left uninitialised: filled as cut
    int count = 0;
    int equals = 0;
    WordPlaces Places() const noexcept { return {base, word, count}; }
};
// Cuts every word of `text` as successive CutFirstWordView calls would and
// counts words and equals signs as CountWords does, in one walk. That holds
// for the usual statement; false (and `out` unusable) for one that needs the
// general rules: '&' or ';' inside a word, a word that starts with ':' or runs
// into a quote, a length header, a last byte ':', more than kMax words, or
// more than kMaxPlaced bytes.
bool CutPlainWords(std::string_view text, StatementWords& out) noexcept;

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
