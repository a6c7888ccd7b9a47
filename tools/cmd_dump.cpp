// koru dump FILE [--json]: the main list as an indented tree or as JSON.
#include "cli.h"
#include "commands.h"

#include <iostream>
#include <memory>

namespace koru_cli {

namespace {

struct DumpOptions {
    std::string file;
    bool json = false;
};

int RunDump(const DumpOptions& options) {
    CKORU_Parser parser;
    if (int status = ParseFile(parser, options.file, 0)) return status;
    if (options.json) PrintJson(std::cout, parser, parser.GetMainList());
    else PrintTree(std::cout, parser.GetMainList());
    return kOk;
}

}  // namespace

void AddDump(CLI::App& app, Runner& run) {
    auto options = std::make_shared<DumpOptions>();
    CLI::App* cmd = app.add_subcommand("dump", "Print the main list as an indented tree (tag, level, attributes)");
    cmd->add_option("FILE", options->file, kFileHelp)->required();
    cmd->add_flag("--json", options->json, "Print JSON instead");
    cmd->callback([options, &run] { run = [options] { return RunDump(*options); }; });
}

}  // namespace koru_cli
