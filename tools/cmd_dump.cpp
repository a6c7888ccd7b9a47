// koru dump FILE [--json]: the main list as an indented tree or as JSON.
#include "cli.h"
#include "commands.h"

#include <iostream>

namespace koru_cli {

int RunDump(const DumpOptions& options) {
    CKORU_Parser parser;
    if (int status = ParseFile(parser, options.file, 0)) return status;
    if (options.json) PrintJson(std::cout, parser, parser.GetMainList());
    else PrintTree(std::cout, parser.GetMainList());
    return kOk;
}

}  // namespace koru_cli
