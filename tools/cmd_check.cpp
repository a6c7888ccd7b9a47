// koru check FILE... [--format=text|json] [--tags T] [--disable CODE] [--strict | -W error]:
// every diagnostic of KoruCheckSource, as a compiler prints its own or as one
// JSON array. Exit status 1 when any file has an error, 2 when one cannot be read.
#include "cli.h"
#include "commands.h"
#include "diagnostics.h"

#include <nlohmann/json.hpp>

#include <iostream>
#include <memory>

namespace koru_cli {

namespace {

using Json = nlohmann::ordered_json;

struct CheckOptions {
    std::vector<std::string> files;
    std::string format = "text";
    KoruCheckOptions check;
    bool strict = false;  // warnings are errors
    std::string warningsAs;
};

Json DiagnosticJson(const std::string& path, const KoruDiagnostic& d) {
    Json entry;
    entry["file"] = DisplayName(path);
    entry["line"] = d.line;
    entry["column"] = d.column;
    if (d.endLine) entry["end_line"] = d.endLine;
    if (d.endColumn) entry["end_column"] = d.endColumn;
    entry["severity"] = SeverityName(d.severity);
    entry["code"] = d.code;
    entry["message"] = d.message;
    entry["refusal"] = d.refusal;
    if (!d.note.empty()) {
        entry["note"] = d.note;
        entry["note_line"] = d.noteLine;
        entry["note_column"] = d.noteColumn;
    }
    return entry;
}

int RunCheck(const CheckOptions& options) {
    const bool json = options.format == "json";
    Json all = Json::array();
    int status = kOk;
    for (const std::string& file : options.files) {  // each an independent document
        std::string text;
        if (!ReadInput(file, text)) {
            status = kUsage;
            continue;
        }
        const SourceLines lines(text);
        for (KoruDiagnostic& d : KoruCheckSource(CString(text), options.check)) {
            if (options.strict) d.severity = KoruSeverity::Error;
            if (d.severity == KoruSeverity::Error && status == kOk) status = kRefused;
            if (json) all.push_back(DiagnosticJson(file, d));
            else PrintDiagnostic(std::cout, file, lines, d);
        }
    }
    // Bytes that are not UTF-8 come out as U+FFFD.
    if (json) std::cout << all.dump(2, ' ', false, Json::error_handler_t::replace) << "\n";
    return status;
}

}  // namespace

void AddCheck(CLI::App& app, Runner& run) {
    auto options = std::make_shared<CheckOptions>();
    CLI::App* cmd = app.add_subcommand("check", "Print the errors and warnings of documents, each with its place");
    cmd->add_option("FILE", options->files, "KORU documents (- for standard input)")->required();
    cmd->add_option("--format", options->format, "Output: text (as a compiler's) or json (one array)")
        ->check(CLI::IsMember({"text", "json"}));
    cmd->add_option("--tags", options->check.extraTags, "Tag names to accept beside the language's own")
        ->delimiter(',');
    cmd->add_option("--disable", options->check.disabled, "Codes of warnings not to report")->delimiter(',');
    cmd->add_flag("--strict", options->strict, "Warnings count and print as errors");
    cmd->add_option("-W", options->warningsAs, "-W error: the same as --strict")->check(CLI::IsMember({"error"}));
    cmd->callback([options, &run] {
        StandardInputOnce(options->files);
        options->strict = options->strict || options->warningsAs == "error";
        run = [options] { return RunCheck(*options); };
    });
}

}  // namespace koru_cli
