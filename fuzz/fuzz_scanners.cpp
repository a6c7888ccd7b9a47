// The public static scanners with fuzzed texts, positions and limits.
//
// Input layout: bytes 0-1 a position, 2-3 a limit (little-endian 16-bit, so
// negative and past-the-end values occur), byte 4 a stop class (0 to 7),
// byte 5 the direction (bit 0) and the cut flag (bit 1); the rest is the text.
#include "fuzz_support.h"

#include <algorithm>

using namespace koru_check;
using koru_fuzz::Fail;
using koru_fuzz::Require;

namespace {

short ExpectedClass(unsigned char c) {
    switch (c) {
        case 9: case 32: case 13: case 10: case '<': case '>': return 1;
        case '"': return 2;
        case '&': return 3;
        case ';': return 4;
        case '=': return 5;
        case ':': return 6;
        default: return 0;
    }
}

bool ClassTableChecked() {
    for (int c = 0; c < 256; ++c)
        if (CKORU_Parser::IsWordDelimitation(static_cast<char>(c)) != ExpectedClass(static_cast<unsigned char>(c)))
            Fail("scanners: IsWordDelimitation", "class of byte " + std::to_string(c));
    return true;
}

bool HeaderAfter(std::string_view text, int pos) {
    return pos >= 0 && static_cast<size_t>(pos) + 3 < text.size() && text.compare(static_cast<size_t>(pos) + 1, 3, "<l=") == 0;
}

// Word count as the word-counting rules state it, written independently.
int ReferenceWordCount(std::string_view text, int& equals) {
    const int length = static_cast<int>(text.size());
    int count = 0;
    equals = 0;
    bool inWord = false;
    int i = 0;
    for (; i < length; ++i) {
        switch (ExpectedClass(static_cast<unsigned char>(text[static_cast<size_t>(i)]))) {
            case 0: inWord = true; break;
            case 5: ++equals; [[fallthrough]];
            case 1: case 3: case 4:
                if (inWord) { inWord = false; ++count; }
                break;
            case 2: {
                // Skip the quoted value: a length header jumps to its closing byte,
                // otherwise the value runs to the next quote or the end.
                if (HeaderAfter(text, i)) {
                    std::string_view window = text.substr(static_cast<size_t>(i) + 1, 10);
                    size_t gt = window.find('>');
                    if (gt == std::string_view::npos) {
                        i += 1;
                    } else {
                        long n = std::atol(std::string(window.substr(3, gt - 3)).c_str());
                        if (n < 0) n = 0;
                        long target = static_cast<long>(i) + static_cast<long>(gt) + n + 2;
                        i = static_cast<int>(std::min<long>(target, length));
                    }
                } else {
                    size_t close = text.find('"', static_cast<size_t>(i) + 1);
                    i = close == std::string_view::npos ? length : static_cast<int>(close);
                }
                ++count;
                break;
            }
            default: break;
        }
    }
    if (i <= length && length > 0 && ExpectedClass(static_cast<unsigned char>(text.back())) == 0) ++count;
    return count;
}

void CheckSkip(const std::string& text, int start, int limit, short stopClass, int toRight) {
    CString s(text);
    int pos = start;
    CKORU_Parser::SearchAndSkipRightOrLeft(s, limit, pos, stopClass, toRight);
    Require("scanners: skip text", s.Str() == text, "SearchAndSkipRightOrLeft changed the text");
    const int length = static_cast<int>(text.size());
    if (start < 0 || start > length) {
        Require("scanners: skip out of range", pos == start, "an out-of-range position moved");
        return;
    }
    Require("scanners: skip range", pos >= 0 && pos <= length, "position left [0, length]");
    if (start == limit) {
        Require("scanners: skip at limit", pos == start, "moved although it started at the limit");
        return;
    }
    if (toRight && start < length && HeaderAfter(text, start)) {
        Require("scanners: skip header", pos > start, "a length header moved the position backwards");
        return;
    }
    if (toRight) Require("scanners: skip right", pos >= start, "moved left");
    else Require("scanners: skip left", pos <= start, "moved right");
    const bool atEdge = pos == 0 || pos == length;
    const bool atStop = pos != start && ExpectedClass(static_cast<unsigned char>(s.GetAt(pos))) == stopClass;
    Require("scanners: skip stop", pos == limit || atEdge || atStop, "stopped on neither the limit, an edge nor the class");
}

void CheckFirstWord(const std::string& text) {
    CString kept(text);
    CString w0 = CKORU_Parser::GetFirstWord(kept, 0);
    Require("scanners: first word keeps", kept.Str() == text, "GetFirstWord without cut changed the text");
    CString cut(text);
    CString w1 = CKORU_Parser::GetFirstWord(cut, 1);
    Require("scanners: first word cut", w0 == w1, "the cut changed the word");
    Require("scanners: cut suffix", cut.GetLength() <= static_cast<int>(text.size()) &&
                text.compare(text.size() - static_cast<size_t>(cut.GetLength()), std::string::npos, cut.Str()) == 0,
            "the cut text is not a suffix of the text");
    if (w0.GetAt(0) != '"')
        for (char c : w0.View()) {
            short k = ExpectedClass(static_cast<unsigned char>(c));
            Require("scanners: word bytes", k == 0 || k == 6, "a plain word holds a delimiter");
        }
    // Cutting word after word ends: each cut shortens the text or leaves it as it was.
    CString walk(text);
    for (size_t steps = 0; steps < 64 && !walk.IsEmpty(); ++steps) {
        const int before = walk.GetLength();
        CKORU_Parser::GetFirstWord(walk, 1);
        if (walk.GetLength() == before) break;
        Require("scanners: walk", walk.GetLength() < before, "a cut made the text longer");
    }
}

void CheckEncodeRValue(const std::string& text, int start, int cut) {
    CString s(text);
    int pos = start;
    CString value = CKORU_Parser::EncodeRValue(s, cut, pos);
    const int length = static_cast<int>(text.size());
    if (start < 0 || start >= length || !HeaderAfter(text, start)) {
        Require("scanners: decode none", value.IsEmpty() && pos == start && s.Str() == text,
                "a value decoded where no header starts");
        return;
    }
    Require("scanners: decode quote", value.GetLength() >= 1 && value.GetAt(0) == text[static_cast<size_t>(start)],
            "the decoded value does not start with the opening byte");
    Require("scanners: decode forward", pos >= start, "the decoder moved backwards");
    if (pos == start) {
        Require("scanners: decode no gt", s.Str() == text && value.GetLength() == 1, "a header without '>' changed things");
        return;
    }
    if (cut) {
        const long long after = static_cast<long long>(pos) + 1;
        const size_t keep = after >= length ? 0u : static_cast<size_t>(length - after);
        Require("scanners: decode cut", s.Str() == text.substr(text.size() - keep), "the cut is not the text after the value");
    } else {
        Require("scanners: decode keeps", s.Str() == text, "EncodeRValue without cut changed the text");
    }
}

void CheckNode(const std::string& text) {
    CKORU_ItemNode node(7, CString(text));
    Require("scanners: node text", node.m_Statement.Str() == text && node.m_Level == 7, "node lost its text or level");
    CString copy(text);
    std::string tag = Upper(CKORU_Parser::GetFirstWord(copy, 0).View());
    Require("scanners: node tag", node.m_TagName.Str() == tag, "tag name is not the upper-cased first word");
    Require("scanners: node key", node.m_AttrTable.PLookup(tag) != nullptr, "tag name is not a key");
    short equals = 0;
    CString counted(text);
    int words = CKORU_Parser::GetWordCount(counted, equals);
    int refEquals = 0;
    int refWords = ReferenceWordCount(text, refEquals);
    Require("scanners: word count", words == refWords, "GetWordCount differs from the counting rules");
    Require("scanners: equals count", equals == std::min(refEquals, 32767), "equals count differs or does not saturate");
    // The node subtracts the true number of equals signs, not the saturated one.
    int expected = std::max(0, words - 2 * refEquals);
    Require("scanners: node word count", node.m_WordCount == std::min(expected, 65535), "node word count");
    CString statement = CKORU_Parser::MakeStatement(&node);
    std::string rebuilt;
    for (auto& kv : Pairs(node.m_AttrTable)) rebuilt += kv.first + "=" + kv.second + " ";
    Require("scanners: MakeStatement", statement.Str() == rebuilt, "MakeStatement differs from the table");
    CKORU_ItemNode twin(&node);
    Require("scanners: copy", Pairs(twin.m_AttrTable) == Pairs(node.m_AttrTable) && twin.m_Level == 7,
            "a copy differs from its source");
    Require("scanners: node first word", CKORU_Parser::GetFirstWord(&node) == node.m_TagName, "GetFirstWord(node)");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool classes = ClassTableChecked();
    (void)classes;
    uint8_t head[6] = {0, 0, 0, 0, 0, 0};
    std::copy(data, data + std::min<size_t>(size, 6), head);
    const int pos = static_cast<int16_t>(head[0] | (head[1] << 8));
    const int limit = static_cast<int16_t>(head[2] | (head[3] << 8));
    // 7 is a class no byte has. (-1 is left out: the scan's "nothing seen yet"
    // mark is -1 too, so a stop class of -1 stops at once; see the scanner tests.)
    const short stopClass = static_cast<short>(head[4] % 8);
    const int toRight = head[5] & 1;
    const int cut = (head[5] >> 1) & 1;
    const std::string text = size > 6 ? std::string(reinterpret_cast<const char*>(data) + 6, size - 6) : std::string();

    CheckSkip(text, pos, limit, stopClass, toRight);
    CheckSkip(text, pos, static_cast<int>(text.size()), 2, 1);  // the library's own use
    CheckFirstWord(text);
    CheckEncodeRValue(text, pos, cut);
    const size_t quote = text.find('"');
    if (quote != std::string::npos) CheckEncodeRValue(text, static_cast<int>(quote), cut);
    CheckNode(text);
    Require("scanners: null node", CKORU_Parser::GetFirstWord(static_cast<CKORU_ItemNode*>(nullptr)).IsEmpty() &&
                CKORU_Parser::MakeStatement(nullptr).IsEmpty(), "null node gives text");
    return 0;
}
