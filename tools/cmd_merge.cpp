// koru merge DOC FRAGMENT... [--overwrite] [--json]: parse, merge each fragment
// in turn, and write the result as KORU (or JSON).
#include "cli.h"
#include "commands.h"

#include <iostream>
#include <memory>

namespace koru_cli {

namespace {

struct MergeOptions {
    std::string document;
    std::vector<std::string> fragments;
    bool overwrite = false;
    bool json = false;
};

int RunMerge(const MergeOptions& options) {
    CKORU_Parser parser;
    if (int status = ParseFile(parser, options.document, 0)) return status;
    for (const std::string& fragment : options.fragments)
        if (int status = ParseFile(parser, fragment, options.overwrite ? 1 : 0)) return status;
    if (options.json) PrintJson(std::cout, parser, parser.GetMainList());
    else std::cout << KoruWriteDocument(parser.GetMainList()).Str() << "\n";
    return kOk;
}

}  // namespace

void AddMerge(CLI::App& app, Runner& run) {
    auto options = std::make_shared<MergeOptions>();
    CLI::App* cmd = app.add_subcommand("merge", "Merge fragments into a document and write the result as KORU");
    cmd->add_option("DOC", options->document, kFileHelp)->required();
    cmd->add_option("FRAGMENT", options->fragments, "Fragments (framed documents), merged in turn")->required();
    cmd->add_flag("--overwrite", options->overwrite, "Let fragment attributes and macros replace existing ones");
    cmd->add_flag("--json", options->json, "Print JSON instead");
    cmd->callback([options, &run] {
        std::vector<std::string> inputs = options->fragments;
        inputs.push_back(options->document);
        StandardInputOnce(inputs);
        run = [options] { return RunMerge(*options); };
    });
}

}  // namespace koru_cli
