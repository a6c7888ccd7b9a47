// Parses one KORU document and prints each node of its main list: tag name,
// level, word count and attribute table, in the list's (closing) order.
//
//   koru_print examples/page.koru
#include <koru/koru.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FILE\n", argv[0]);
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 2;
    }
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());

    CKORU_Parser parser;
    CString source(text.c_str(), static_cast<int>(text.size()));
    if (parser.DoParsingProc(source, 0) != 1) {
        const KoruRefusal& why = parser.GetLastRefusal();
        std::fprintf(stderr, "%s:%d:%d: %s\n", argv[1], why.line, why.column, why.message.c_str());
        return 1;
    }

    // The main list is in closing order: a node comes after everything nested in it.
    const CTypedPtrList<CPtrList, CKORU_ItemNode*>* list = parser.GetMainList();
    std::printf("%d nodes\n", list->GetCount());
    for (CKORU_ItemNode* node : *list) {
        std::printf("%-3s level %d, %u word(s):", node->m_TagName.GetString(), node->m_Level,
                    static_cast<unsigned>(node->m_WordCount));
        POSITION pos = node->m_AttrTable.GetStartPosition();
        while (pos) {
            CString name, value;
            node->m_AttrTable.GetNextAssoc(pos, name, value);
            if (name == node->m_TagName && value.IsEmpty()) continue;  // the tag name's own entry
            std::printf(" %s=%s", name.GetString(), value.GetString());
        }
        std::printf("\n");
    }
    std::printf("body link: %s\n", parser.GetBodyHRef().GetString());
    return 0;
}
