// koru query FILE --tag T [--name N] [--level L] [--parent-tag T --parent-name N] [--href]:
// the matching nodes, or their link targets. Like grep, it exits with 1 when no
// node matches, and when the parent node does not exist.
#include "cli.h"
#include "commands.h"

#include <iostream>

namespace koru_cli {

int RunQuery(const QueryOptions& options) {
    CKORU_Parser parser;
    if (int status = ParseFile(parser, options.file, 0)) return status;

    CKORU_ItemNode* parent = nullptr;
    if (options.hasParent) {
        parent = parser.GetNode(nullptr, CString(options.parentTag), CString(options.parentName));
        if (!parent) {
            std::cerr << "koru query: no " << options.parentTag << " node named \"" << options.parentName << "\"\n";
            return kNoMatch;
        }
    }
    // With a level, every node nested in the parent at that level; else the parent's children.
    NodeList* found = options.hasLevel
                          ? parser.GetNodeList(nullptr, static_cast<short>(options.level), parent)
                          : parser.GetNodeList(nullptr, CString(options.tag), parent);
    if (!found) return kNoMatch;
    int status = kNoMatch;
    for (CKORU_ItemNode* node : *found) {
        if (node->m_TagName.CompareNoCase(options.tag.c_str()) != 0) continue;
        if (options.hasName && parser.GetValue("N", node) != CString(options.name)) continue;
        if (options.href) std::cout << parser.GetCtrlHRef(node).Str() << "\n";
        else std::cout << NodeLine(node) << "\n";
        status = kOk;
    }
    parser.ReleaseNodeList(found);
    return status;
}

}  // namespace koru_cli
