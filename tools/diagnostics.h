// Diagnostics of KoruCheckSource printed as a compiler prints its own: the
// place, severity, message and code, then the source line with a caret under
// the column.
#ifndef KORU_TOOLS_DIAGNOSTICS_H
#define KORU_TOOLS_DIAGNOSTICS_H

#include <koru/koru.h>

#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace koru_cli {

// The lines of a text, found once so that many diagnostics can show theirs.
class SourceLines {
public:
    explicit SourceLines(std::string_view text);
    // Line `number` (1-based) without its line break; false when there is none.
    bool Line(int number, std::string_view& line) const;

private:
    std::string_view m_Text;
    std::vector<size_t> m_Starts;
};

const char* SeverityName(KoruSeverity severity);

// "file:line:column: severity: message [code]" (just "file: ..." without a
// line), the line and its caret, then the note, if any, in the same form.
void PrintDiagnostic(std::ostream& out, const std::string& path, const SourceLines& lines, const KoruDiagnostic& d);

// Reports a refused document on stderr as koru check does: the errors that
// KoruCheckSource finds in `text`, or `refusal` alone should it find none.
// Returns kRefused.
int ReportRefused(const std::string& path, const std::string& text, const KoruRefusal& refusal);

}  // namespace koru_cli

#endif
