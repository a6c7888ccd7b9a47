// Checks for authors: where the mistake in a refused source most likely is,
// and warnings for what parses but is almost surely wrong.
#include "koru.h"

std::vector<KoruDiagnostic> KoruCheckSource(const CString& text, const KoruCheckOptions&) {
    std::vector<KoruDiagnostic> found;
    CKORU_Parser parser;
    CString work = text;
    if (parser.DoParsingProc(work, 0) == 1) return found;
    const KoruRefusal& refusal = parser.GetLastRefusal();
    KoruDiagnostic d;
    d.code = d.refusal = KoruRefusalName(refusal.code);
    d.message = refusal.message;
    d.line = refusal.line;
    d.column = refusal.column;
    found.push_back(d);
    return found;
}
