// Diagnostics as text: place, severity, message and code, the source line and a caret.
#include "diagnostics.h"

#include "cli.h"

#include <algorithm>
#include <iostream>

namespace koru_cli {

SourceLines::SourceLines(std::string_view text) : m_Text(text) {
    m_Starts.push_back(0);
    for (size_t at = text.find('\n'); at != std::string_view::npos; at = text.find('\n', at + 1))
        m_Starts.push_back(at + 1);
}

bool SourceLines::Line(int number, std::string_view& line) const {
    if (number < 1 || static_cast<size_t>(number) > m_Starts.size()) return false;
    const size_t begin = m_Starts[static_cast<size_t>(number) - 1];
    const size_t end = static_cast<size_t>(number) < m_Starts.size() ? m_Starts[static_cast<size_t>(number)] - 1
                                                                      : m_Text.size();
    line = m_Text.substr(begin, end - begin);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return true;
}

const char* SeverityName(KoruSeverity severity) { return severity == KoruSeverity::Warning ? "warning" : "error"; }

namespace {

// Lines longer than this show only this many bytes around the column, so that
// a document on one line does not print whole for each of its diagnostics.
constexpr size_t kShownBytes = 160;

bool IsContinuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// One "place: label: text" line, then the source line and a caret under `column`.
void PrintPlaced(std::ostream& out, const std::string& path, const SourceLines& lines, int line, int column,
                 const std::string& head) {
    out << DisplayName(path) << ":";
    if (line > 0) out << line << ":";
    if (line > 0 && column > 0) out << column << ":";
    out << " " << head << "\n";
    std::string_view shown;
    if (line <= 0 || column <= 0 || !lines.Line(line, shown)) return;
    size_t at = std::min(static_cast<size_t>(column) - 1, shown.size());  // at most just past the line's end
    std::string caret;
    if (shown.size() > kShownBytes) {  // a window around the column, cut between characters
        size_t begin = std::min(at > kShownBytes / 2 ? at - kShownBytes / 2 : 0, shown.size() - kShownBytes);
        while (begin > 0 && IsContinuation(shown[begin])) --begin;
        size_t end = begin + kShownBytes;
        while (end < shown.size() && IsContinuation(shown[end])) --end;
        const bool cutBefore = begin > 0, cutAfter = end < shown.size();
        shown = shown.substr(begin, end - begin);
        at -= begin;
        out << (cutBefore ? "..." : "") << shown << (cutAfter ? "..." : "") << "\n";
        if (cutBefore) caret = "   ";
    } else {
        out << shown << "\n";
    }
    // Columns count bytes: the caret line keeps the tabs before the column and
    // gives one blank per character, not per byte of a UTF-8 sequence.
    for (size_t i = 0; i < at; ++i) {
        const char c = i < shown.size() ? shown[i] : ' ';
        if (c == '\t') caret += '\t';
        else if (!IsContinuation(c)) caret += ' ';
    }
    out << caret << "^\n";
}

}  // namespace

void PrintDiagnostic(std::ostream& out, const std::string& path, const SourceLines& lines, const KoruDiagnostic& d) {
    std::string head = std::string(SeverityName(d.severity)) + ": " + d.message;
    if (!d.code.empty()) head += " [" + d.code + "]";
    PrintPlaced(out, path, lines, d.line, d.column, head);
    if (!d.note.empty()) PrintPlaced(out, path, lines, d.noteLine, d.noteColumn, "note: " + d.note);
}

int ReportRefused(const std::string& path, const std::string& text, const KoruRefusal& refusal) {
    const SourceLines lines(text);
    bool reported = false;
    for (const KoruDiagnostic& d : KoruCheckSource(CString(text))) {
        if (d.severity != KoruSeverity::Error) continue;
        PrintDiagnostic(std::cerr, path, lines, d);
        reported = true;
    }
    if (!reported) {
        KoruDiagnostic d;
        d.code = d.refusal = KoruRefusalName(refusal.code);
        d.message = refusal.message;
        d.line = refusal.line;
        d.column = refusal.column;
        PrintDiagnostic(std::cerr, path, lines, d);
    }
    return kRefused;
}

}  // namespace koru_cli
