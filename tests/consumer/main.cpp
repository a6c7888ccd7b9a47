// Smoke test of an installed koru: builds an item node and parses a small document
// through the public header alone. Exit status 0 when everything matched.
#include <koru/koru.h>

#include <cstdio>

namespace {

int g_failures = 0;

void Check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "koru_consumer: FAILED: %s\n", what);
        ++g_failures;
    }
}

void CheckItemNode() {
    CKORU_ItemNode node(CString("<C N=abc ID=\"x y\">"));
    Check(node.m_Statement == "<C N=abc ID=\"x y\"", "statement text without the closing '>'");
    Check(node.m_Level == -1, "level of a node never pushed is -1");
    Check(node.m_TagName == "C", "tag name is C");

    CString value;
    Check(node.m_AttrTable.Lookup("N", value) == 1, "attribute table holds N");
    Check(value == "abc", "N is abc");
    value.Empty();
    Check(node.m_AttrTable.Lookup("ID", value) == 1, "attribute table holds ID");
    Check(value == "\"x y\"", "ID keeps its quotes");
}

void CheckParse() {
    CKORU_Parser parser;
    CString source("<U><B N=b><C N=c></C></B></U>");
    Check(parser.DoParsingProc(source, 0) == 1, "a framed document parses");

    const CTypedPtrList<CPtrList, CKORU_ItemNode*>* list = parser.GetMainList();
    Check(list != nullptr, "a main list exists after the first parse");
    if (list == nullptr) {
        return;
    }
    Check(list->GetCount() == 2, "main list holds C and B");
    const char* expected[] = {"C", "B"};
    const short levels[] = {3, 2};
    int i = 0;
    for (CKORU_ItemNode* n : *list) {
        if (i < 2) {
            Check(n->m_TagName == expected[i], "main list is in closing order");
            Check(n->m_Level == levels[i], "nodes carry their nesting level");
        }
        ++i;
    }
}

}  // namespace

int main() {
    std::printf("koru %s\n", KoruVersion());
    CheckItemNode();
    CheckParse();
    if (g_failures != 0) {
        std::fprintf(stderr, "koru_consumer: %d check(s) failed\n", g_failures);
        return 1;
    }
    std::printf("koru_consumer: all checks passed\n");
    return 0;
}
