// Diagnostics as text: place, severity, message and code, the source line and a caret.
#include "diagnostics.h"

#include "cli.h"

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

// One "place: label: text" line, then the source line and a caret under `column`.
void PrintPlaced(std::ostream& out, const std::string& path, const SourceLines& lines, int line, int column,
                 const std::string& head) {
    out << DisplayName(path) << ":";
    if (line > 0) out << line << ":";
    if (line > 0 && column > 0) out << column << ":";
    out << " " << head << "\n";
    std::string_view shown;
    if (line <= 0 || column <= 0 || !lines.Line(line, shown)) return;
    // Columns count bytes: the caret line keeps the tabs of the prefix and
    // gives one blank per character, not per byte of a UTF-8 sequence.
    std::string caret;
    const size_t width = static_cast<size_t>(column) - 1;
    for (size_t i = 0; i < width; ++i) {
        const unsigned char c = i < shown.size() ? static_cast<unsigned char>(shown[i]) : ' ';
        if (c == '\t') caret += '\t';
        else if ((c & 0xC0) != 0x80) caret += ' ';
    }
    out << shown << "\n" << caret << "^\n";
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
