// koru update DOC UPDATE [--new-values]: apply an update text and print the
// nodes it rebuilt, with --new-values also their new-value tables.
#include "cli.h"
#include "commands.h"

#include <iostream>

namespace koru_cli {

int RunUpdate(const UpdateOptions& options) {
    CKORU_Parser parser;
    if (int status = ParseFile(parser, options.document, 0)) return status;
    std::string text;
    if (!ReadInput(options.update, text)) return kUsage;
    NodeList* rebuilt = parser.UpdateParser(nullptr, CString(std::move(text)), options.newValues ? 1 : 0);
    if (!rebuilt) {
        std::cerr << RefusalLine(options.update, parser.GetLastRefusal()) << "\n";
        return kRefused;
    }
    for (CKORU_ItemNode* node : *rebuilt) {
        std::cout << NodeLine(node) << "\n";
        if (!options.newValues) continue;
        std::cout << "  new values:";
        const CMapStringToString& table = node->m_NewValueTable;
        if (table.IsEmpty()) std::cout << " (none)";
        for (int i = 0; i < table.GetCount(); ++i) std::cout << " " << table.KeyAt(i).Str() << "=" << table.ValueAt(i).Str();
        std::cout << "\n";
    }
    parser.ReleaseNodeList(rebuilt);
    return kOk;
}

}  // namespace koru_cli
