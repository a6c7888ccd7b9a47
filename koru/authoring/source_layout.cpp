// A layout of a source that keeps every byte but the blanks between statements.
#include "koru.h"

int KoruFormatSource(const CString& text, CString& out, int) {
    out = text;
    return 0;
}
