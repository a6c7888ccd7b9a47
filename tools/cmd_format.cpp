// koru format FILE: parse and write the document back in the writer's layout.
#include "cli.h"
#include "commands.h"

#include <iostream>

namespace koru_cli {

int RunFormat(const FormatOptions& options) {
    CKORU_Parser parser;
    if (int status = ParseFile(parser, options.file, 0)) return status;
    std::cout << KoruWriteDocument(parser.GetMainList()).Str() << "\n";
    return kOk;
}

}  // namespace koru_cli
