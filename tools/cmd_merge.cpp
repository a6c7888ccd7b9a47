// koru merge DOC FRAGMENT... [--overwrite] [--json]: parse, merge each fragment
// in turn, and write the result as KORU (or JSON).
#include "cli.h"
#include "commands.h"

#include <iostream>

namespace koru_cli {

int RunMerge(const MergeOptions& options) {
    CKORU_Parser parser;
    if (int status = ParseFile(parser, options.document, 0)) return status;
    for (const std::string& fragment : options.fragments)
        if (int status = ParseFile(parser, fragment, options.overwrite ? 1 : 0)) return status;
    if (options.json) PrintJson(std::cout, parser, parser.GetMainList());
    else std::cout << KoruWriteDocument(parser.GetMainList()).Str() << "\n";
    return kOk;
}

}  // namespace koru_cli
