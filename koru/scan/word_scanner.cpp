// Word scanner: character classes, quoted and length-prefixed values, word cutting.
#include "scan/word_cursor.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace koru { namespace detail {

namespace {

// Reads a decimal number the way atoi does: leading blanks, an optional sign,
// digits up to the first non-digit; no digits give 0.
long ReadNumber(std::string_view digits) noexcept {
    size_t i = 0;
    while (i < digits.size() && (digits[i] == ' ' || (digits[i] >= '\t' && digits[i] <= '\r'))) ++i;
    bool negative = false;
    if (i < digits.size() && (digits[i] == '+' || digits[i] == '-')) negative = digits[i++] == '-';
    long value = 0;
    for (; i < digits.size() && digits[i] >= '0' && digits[i] <= '9'; ++i)
        value = std::min(value * 10 + (digits[i] - '0'), static_cast<long>(INT_MAX));
    return negative ? -value : value;
}

}  // namespace

LengthHeader ReadPresentLengthHeader(std::string_view text, size_t quote) noexcept {
    LengthHeader h;
    h.present = true;
    std::string_view window = text.substr(quote + 1, 10);
    size_t gt = window.find('>');
    if (gt == std::string_view::npos) return h;
    h.gt = static_cast<int>(gt);
    long n = gt > 3 ? ReadNumber(window.substr(3, gt - 3)) : 0;
    h.length = n < 0 ? 0 : static_cast<int>(n);
    return h;
}

bool DecodeLengthValue(std::string_view text, size_t& pos, CString& out) {
    LengthHeader h = ReadLengthHeader(text, pos);
    out.Empty();
    if (!h.present) return false;
    out += text[pos];
    if (h.gt < 0) return true;
    size_t first = pos + static_cast<size_t>(h.gt) + 2;
    if (first < text.size())
        out.Append(text.substr(first, static_cast<size_t>(h.length) + 1));
    pos = first + static_cast<size_t>(h.length);
    return true;
}

// Words are runs of ordinary bytes ended by blanks, '&', ';' or '='; a quoted
// value counts as one word. Colons neither start nor end a word. A last word is
// counted only when the text ends in an ordinary byte and no value ran to the end.
int CountWords(std::string_view text, int& equals) noexcept {
    const size_t length = text.size();
    equals = 0;
    int count = 0;
    bool inWord = false;
    size_t i = 0;
    for (; i < length; ++i) {
        switch (ClassOf(text[i])) {
            case kOrdinary:
                inWord = true;
                break;
            case kEquals:
                ++equals;
                [[fallthrough]];
            case kBlank:
            case kAmpersand:
            case kSemicolon:
                if (inWord) {
                    inWord = false;
                    ++count;
                }
                break;
            case kQuote:
                i = SkipQuotedValue(text, i);
                ++count;
                break;
            default:
                break;
        }
    }
    if (i == length && length > 0 && ClassOf(text[length - 1]) == kOrdinary) ++count;
    return count;
}

// Finds the word's bytes as runs of the text: the usual word is one run and
// comes back as a view of it, without a copy or a per-byte append.
std::string_view CutFirstWordViewSlow(std::string_view text, size_t& origin, CString& scratch) {
    const size_t length = text.size();
    size_t i = origin;
    // Blanks, equals signs, '&' and ';' before the word are passed over.
    for (; i < length; ++i) {
        const short k = ClassOf(text[i]);
        if (k == kOrdinary || k == kColon || k == kQuote) break;
    }
    if (i == length) {
        origin = length;
        return std::string_view();
    }
    if (text[i] == '"') {
        if (StartsLengthHeader(text, i)) {
            size_t pos = i;
            DecodeLengthValue(text, pos, scratch);
            // A header without its '>' gives the quote alone and leaves the text as it was.
            if (pos != i) origin = std::min(pos + 1, length);
            return scratch.View();
        }
        const size_t close = FindByte(text, i + 1, '"');
        const size_t end = close == std::string_view::npos ? length : close + 1;
        origin = end;
        return text.substr(i, end - i);
    }
    // The usual word: one run of ordinary bytes and colons.
    const size_t start = i;
    while (i < length && (ClassOf(text[i]) == kOrdinary || ClassOf(text[i]) == kColon)) ++i;
    if (i == length || ClassOf(text[i]) == kBlank || ClassOf(text[i]) == kEquals || text[i] == '"') {
        origin = i == length ? length : (text[i] == '"' ? i + 1 : i);
        return text.substr(start, i - start);
    }
    // '&' and ';' inside the word are dropped: the runs between them are joined.
    CString& word = scratch;
    word = CString(text.substr(start, i - start));
    size_t run = i + 1;
    for (i = run; i < length; ++i) {
        switch (ClassOf(text[i])) {
            case kOrdinary:
            case kColon:
                continue;
            case kAmpersand:
            case kSemicolon:
                word.Append(text.substr(run, i - run));
                run = i + 1;
                continue;
            case kQuote:
                word.Append(text.substr(run, i - run));
                origin = i + 1;
                return scratch.View();
            default:  // blank or equals sign: stays as the first byte of the rest
                word.Append(text.substr(run, i - run));
                origin = i;
                return scratch.View();
        }
    }
    word.Append(text.substr(run, length - run));
    origin = length;
    return scratch.View();
}

bool CutPlainWords(std::string_view text, StatementWords& out) noexcept {
    const size_t length = text.size();
    if (length > WordPlaces::kMaxPlaced || (length > 0 && text[length - 1] == ':')) return false;
    out.base = text.data();
    out.count = 0;
    out.equals = 0;
    size_t i = 0;
    for (;;) {
        while (i < length && kCharClasses.skip[static_cast<unsigned char>(text[i])]) {
            if (text[i] == '=') ++out.equals;
            ++i;
        }
        if (i == length) return true;
        if (out.count == StatementWords::kMax) return false;
        if (text[i] == '"') {
            if (StartsLengthHeader(text, i)) return false;
            const size_t close = FindByte(text, i + 1, '"');
            const size_t end = close == std::string_view::npos ? length : close + 1;
            out.word[out.count++] = WordPlaces::Place(i, end - i);
            i = end;
            continue;
        }
        if (text[i] == ':') return false;
        const size_t start = i;
        while (i < length && kCharClasses.word[static_cast<unsigned char>(text[i])]) ++i;
        if (i < length && (text[i] == '"' || ClassOf(text[i]) == kAmpersand || ClassOf(text[i]) == kSemicolon))
            return false;
        out.word[out.count++] = WordPlaces::Place(start, i - start);
    }
}

CString CutFirstWord(std::string_view text, size_t& origin) {
    CString scratch;
    std::string_view word = CutFirstWordView(text, origin, scratch);
    if (!word.empty() && word.data() == scratch.GetString()) return scratch;
    return CString(word);
}

bool StartsWithEndTag(std::string_view statement) noexcept {
    for (char c : statement) {
        short k = ClassOf(c);
        if (k == kBlank || k == kEquals || k == kAmpersand || k == kSemicolon) continue;
        return c == '/';
    }
    return false;
}

CString UpperCopy(std::string_view text) {
    CString s(text);
    s.MakeUpper();
    return s;
}

void StripQuotes(CString& value) {
    if (value.GetAt(0) != '"') return;
    std::string_view s = value.View().substr(1);
    size_t last = s.rfind('"');
    if (last != std::string_view::npos) s = s.substr(0, last);
    value = CString(s);
}

}}  // namespace koru::detail

using namespace koru::detail;

short CKORU_Parser::IsWordDelimitation(char c) { return ClassOf(c); }

// Moves `pos` over a quoted value (the only use inside the library) or, in
// general, until a byte of `stopClass` or `limit`. The byte at the start is
// never tested. A length header jumps straight to the value's closing byte.
void CKORU_Parser::SearchAndSkipRightOrLeft(CString& text, int limit, int& pos, short stopClass, int toRight) {
    const int length = text.GetLength();
    if (pos < 0 || pos > length) return;
    if (toRight && stopClass == kQuote) {
        // The library's one use, skipping a quoted value, as one search for the next quote.
        if (pos == limit || pos >= length) return;
        LengthHeader h = ReadLengthHeader(text.View(), static_cast<size_t>(pos));
        if (h.present) {
            long target = h.gt < 0 ? pos + 1L : static_cast<long>(pos) + h.gt + h.length + 2;
            pos = static_cast<int>(std::min<long>(target, length));
            return;
        }
        const int end = limit > pos ? std::min(limit, length) : length;
        const size_t quote = FindByte(text.View().substr(0, static_cast<size_t>(end)), static_cast<size_t>(pos) + 1, '"');
        pos = quote == std::string_view::npos ? end : static_cast<int>(quote);
        return;
    }
    // Nothing is seen before the first step: a stop class that no byte has
    // (even -1) runs to the limit instead of stopping before it moved.
    short last = -1;
    bool first = true;
    for (;;) {
        if ((!first && last == stopClass) || pos == limit) return;
        if (toRight) {
            if (pos >= length) return;
            if (first) {
                LengthHeader h = ReadLengthHeader(text.View(), static_cast<size_t>(pos));
                if (h.present) {
                    long target = h.gt < 0 ? pos + 1L : static_cast<long>(pos) + h.gt + h.length + 2;
                    pos = static_cast<int>(std::min<long>(target, length));
                    return;
                }
            }
            ++pos;
        } else {
            if (pos <= 0) return;
            --pos;
        }
        first = false;
        last = ClassOf(text.GetAt(pos));
    }
}

// Word count of `text`; the equals count is held to 32767 rather than wrapping.
int CKORU_Parser::GetWordCount(CString& text, short& equalsCount) {
    int equals = 0;
    int count = CountWords(text.View(), equals);
    equalsCount = static_cast<short>(std::min(equals, 32767));
    return count;
}

CString CKORU_Parser::GetFirstWord(CString& text, int cut) {
    size_t origin = 0;
    CString word = CutFirstWord(text.View(), origin);
    if (cut && origin != 0) text = CString(text.View().substr(origin));
    return word;
}

CString CKORU_Parser::GetFirstWord(CKORU_ItemNode* node) {
    if (!node) return CString();
    if (!node->m_AttrTable.IsEmpty()) return node->m_TagName;
    if (node->m_Statement.IsEmpty()) return CString();
    size_t origin = 0;
    return CutFirstWord(node->m_Statement.View(), origin);
}

CString CKORU_Parser::EncodeRValue(CString& text, int cut, int& pos) {
    CString result;
    if (pos < 0 || pos >= text.GetLength()) return result;
    size_t at = static_cast<size_t>(pos);
    if (!DecodeLengthValue(text.View(), at, result)) return result;
    if (at == static_cast<size_t>(pos)) return result;  // header without '>': text and pos stay
    pos = static_cast<int>(std::min(at, static_cast<size_t>(INT_MAX)));
    if (cut) {
        if (at + 1 >= text.View().size()) text.Empty();
        else text = CString(text.View().substr(at + 1));
    }
    return result;
}

short CKORU_Parser::RemoveHeadChar(CString& text, char c) {
    int at = text.Find(c);
    if (at < 0) return 0;
    text = CString(text.View().substr(static_cast<size_t>(at) + 1));
    return 1;
}

short CKORU_Parser::RemoveTailChar(CString& text, char c) {
    int at = text.ReverseFind(c);
    if (at < 0) return 0;
    text = CString(text.View().substr(0, static_cast<size_t>(at)));
    return 1;
}
