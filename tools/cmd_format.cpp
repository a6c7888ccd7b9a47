// koru format FILE: parse and write the document back in the writer's layout.
#include "cli.h"
#include "commands.h"

#include <iostream>
#include <memory>

namespace koru_cli {

void AddFormat(CLI::App& app, Runner& run) {
    auto file = std::make_shared<std::string>();
    CLI::App* cmd = app.add_subcommand("format", "Parse a document and write it back");
    cmd->add_option("FILE", *file, kFileHelp)->required();
    cmd->callback([file, &run] {
        run = [file] {
            CKORU_Parser parser;
            if (int status = ParseFile(parser, *file, 0)) return status;
            std::cout << KoruWriteDocument(parser.GetMainList()).Str() << "\n";
            return static_cast<int>(kOk);
        };
    });
}

}  // namespace koru_cli
