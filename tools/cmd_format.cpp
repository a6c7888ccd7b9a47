// koru format FILE... [--indent N] [-o OUT | --in-place | --check] [--normalize]:
// the layout of KoruFormatSource, which changes only the blanks and line breaks
// between statements; --normalize writes the parsed document back instead.
#include "cli.h"
#include "commands.h"
#include "diagnostics.h"

#include <iostream>
#include <memory>

namespace koru_cli {

namespace {

struct FormatOptions {
    std::vector<std::string> files;
    int indent = 2;
    std::string output = "-";
    bool inPlace = false;
    bool check = false;
    bool normalize = false;
};

// The layout of `text` in `laid`; kRefused after reporting a refused text. A
// text that no layout can be told safe for stays as it is, with a note.
int Layout(const std::string& path, const std::string& text, int indent, std::string& laid) {
    CString out;
    if (KoruFormatSource(CString(text), out, indent) == 1) {
        laid = out.Str();
        return kOk;
    }
    CKORU_Parser parser;
    CString source(text);
    if (parser.DoParsingProc(source, 0) != 1) return ReportRefused(path, text, parser.GetLastRefusal());
    std::cerr << "koru format: " << DisplayName(path) << ": left as it is: a new layout could change how it parses\n";
    laid = text;
    return kOk;
}

int RunNormalize(const FormatOptions& options) {
    CKORU_Parser parser;
    if (int status = ParseFile(parser, options.files.front(), 0)) return status;
    return WriteOutput(options.output, KoruWriteDocument(parser.GetMainList()).Str() + "\n") ? kOk : kUsage;
}

int RunFormat(const FormatOptions& options) {
    if (options.normalize) return RunNormalize(options);
    int status = kOk;
    for (const std::string& file : options.files) {
        std::string text, laid;
        int result = ReadInput(file, text) ? Layout(file, text, options.indent, laid) : kUsage;
        if (result == kOk && options.check && laid != text) {
            std::cout << DisplayName(file) << "\n";
            result = kRefused;  // not formatted: 1, as for a refused file
        } else if (result == kOk && !options.check && (!options.inPlace || laid != text)) {
            if (!WriteOutput(options.inPlace ? file : options.output, laid)) result = kUsage;
        }
        if (result > status) status = result;
    }
    return status;
}

}  // namespace

void AddFormat(CLI::App& app, Runner& run) {
    auto options = std::make_shared<FormatOptions>();
    CLI::App* cmd = app.add_subcommand("format", "Lay a document out one statement per line, indented by nesting");
    cmd->add_option("FILE", options->files, "KORU documents (- for standard input)")->required();
    CLI::Option* indent =
        cmd->add_option("--indent", options->indent, "Blanks per open statement (default 2)")->check(CLI::Range(0, 16));
    CLI::Option* output = cmd->add_option("-o,--output", options->output, "Write to this file (- for standard output)");
    CLI::Option* inPlace = cmd->add_flag("-i,--in-place", options->inPlace, "Rewrite each file that is not laid out");
    CLI::Option* check =
        cmd->add_flag("--check", options->check, "Print the files that are not laid out; exit status 1 if any");
    CLI::Option* normalize =
        cmd->add_flag("--normalize", options->normalize, "Parse and write the document back in the writer's layout");
    output->excludes(inPlace)->excludes(check);
    inPlace->excludes(check);
    normalize->excludes(indent)->excludes(inPlace)->excludes(check);
    cmd->callback([options, &run] {
        const std::vector<std::string>& files = options->files;
        StandardInputOnce(files);
        if (files.size() > 1 && !options->inPlace && !options->check)
            throw CLI::ValidationError("FILE: one file only, unless --in-place or --check");
        if (options->inPlace && std::count(files.begin(), files.end(), "-"))
            throw CLI::ValidationError("--in-place: standard input (-) cannot be rewritten");
        run = [options] { return RunFormat(*options); };
    });
}

}  // namespace koru_cli
