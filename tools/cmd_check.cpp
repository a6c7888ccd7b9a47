// koru check FILE...: "file:line:column: reason" for every refused file.
#include "cli.h"
#include "commands.h"

#include <memory>

namespace koru_cli {

namespace {

int RunCheck(const std::vector<std::string>& files) {
    int status = kOk;
    for (const std::string& file : files) {
        CKORU_Parser parser;  // a fresh parser each: files are independent documents
        int result = ParseFile(parser, file, 0);
        if (result > status) status = result;
    }
    return status;
}

}  // namespace

void AddCheck(CLI::App& app, Runner& run) {
    auto files = std::make_shared<std::vector<std::string>>();
    CLI::App* cmd = app.add_subcommand("check", "Print file:line:column: reason for every refused document");
    cmd->add_option("FILE", *files, "KORU documents (- for standard input)")->required();
    cmd->callback([files, &run] {
        StandardInputOnce(*files);
        run = [files] { return RunCheck(*files); };
    });
}

}  // namespace koru_cli
