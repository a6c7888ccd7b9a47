// Parses a document, merges a fragment into it, asks a few questions of the
// result and writes it back as KORU.
//
//   koru_merge examples/page.koru examples/fragment.koru
#include <koru/koru.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

namespace {

bool Parse(CKORU_Parser& parser, const char* path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "cannot read %s\n", path);
        return false;
    }
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    CString source(text.c_str(), static_cast<int>(text.size()));
    if (parser.DoParsingProc(source, 0) == 1) return true;
    const KoruRefusal& why = parser.GetLastRefusal();
    std::fprintf(stderr, "%s:%d:%d: %s\n", path, why.line, why.column, why.message.c_str());
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s DOCUMENT FRAGMENT\n", argv[0]);
        return 2;
    }
    CKORU_Parser parser;  // one parser per document: the first parse builds it, the next merges
    if (!Parse(parser, argv[1]) || !Parse(parser, argv[2])) return 1;

    // Controls of the body, in document order; the list is ours, its nodes the parser's.
    std::printf("body -> %s\n", parser.GetBodyHRef().GetString());
    CTypedPtrList<CPtrList, CKORU_ItemNode*>* controls = parser.GetNodeList(nullptr, CString("C"), nullptr);
    if (controls) {
        for (CKORU_ItemNode* control : *controls)
            std::printf("control %s -> %s\n", parser.GetValue("N", control).GetString(),
                        parser.GetCtrlHRef(control).GetString());
        parser.ReleaseNodeList(controls);
    }
    std::printf("%s\n", KoruWriteDocument(parser.GetMainList()).GetString());
    return 0;
}
