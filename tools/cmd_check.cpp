// koru check FILE...: "file:line:column: reason" for every refused file.
#include "cli.h"
#include "commands.h"

namespace koru_cli {

int RunCheck(const CheckOptions& options) {
    int status = kOk;
    for (const std::string& file : options.files) {
        CKORU_Parser parser;  // a fresh parser each: files are independent documents
        int result = ParseFile(parser, file, 0);
        if (result > status) status = result;
    }
    return status;
}

}  // namespace koru_cli
