// koru expand FILE: the source as the parser takes it, after the macro block is
// cut out, every reference replaced and the text after "</U>" cut off.
#include "cli.h"
#include "commands.h"
#include "diagnostics.h"

#include <iostream>
#include <memory>

namespace koru_cli {

namespace {

int RunExpand(const std::string& file) {
    std::string text;
    if (!ReadInput(file, text)) return kUsage;
    CKORU_Parser parser;
    CString source(text);
    if (parser.DoParsingProc(source, 0) != 1) return ReportRefused(file, text, parser.GetLastRefusal());
    const std::string_view processed = source.View();
    std::cout << processed;
    if (processed.empty() || processed.back() != '\n') std::cout << "\n";
    return kOk;
}

}  // namespace

void AddExpand(CLI::App& app, Runner& run) {
    auto file = std::make_shared<std::string>();
    CLI::App* cmd = app.add_subcommand("expand", "Print the source as parsed: macros replaced, the macro block and "
                                                 "the text after </U> cut off");
    cmd->add_option("FILE", *file, kFileHelp)->required();
    cmd->callback([file, &run] { run = [file] { return RunExpand(*file); }; });
}

}  // namespace koru_cli
