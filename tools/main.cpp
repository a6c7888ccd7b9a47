// koru: the command-line tool for KORU documents. Every FILE may be "-" for
// standard input, named once at most. Exit status: 0 success; 1 a document was
// refused, or for query no node matched (as grep does); 2 a usage error, an
// input that cannot be read, or any other failure (one "koru: ..." line).
#include "cli.h"
#include "commands.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <exception>
#include <functional>
#include <iostream>
#include <new>
#include <string>
#include <vector>

using namespace koru_cli;

namespace {

const char* const kFileHelp = "KORU document, or - for standard input";

// Standard input can be read once only: naming "-" twice is a usage error.
void StandardInputOnce(const std::vector<std::string>& paths) {
    if (std::count(paths.begin(), paths.end(), "-") > 1)
        throw CLI::ValidationError("standard input (-) is named more than once");
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"Parse, check, query, merge and write KORU documents.", "koru"};
    app.set_version_flag("--version", KoruVersion(), "Print the library version and exit");
    app.require_subcommand(1, 1);
    app.footer("Exit status: 0 success; 1 a document was refused, or query matched nothing;\n"
               "2 a usage error, an unreadable input or another failure.");
    std::function<int()> run;

    DumpOptions dump;
    CLI::App* dumpCmd = app.add_subcommand("dump", "Print the main list as an indented tree (tag, level, attributes)");
    dumpCmd->add_option("FILE", dump.file, kFileHelp)->required();
    dumpCmd->add_flag("--json", dump.json, "Print JSON instead");
    dumpCmd->callback([&] { run = [&] { return RunDump(dump); }; });

    CheckOptions check;
    CLI::App* checkCmd = app.add_subcommand("check", "Print file:line:column: reason for every refused document");
    checkCmd->add_option("FILE", check.files, "KORU documents (- for standard input)")->required();
    checkCmd->callback([&] {
        StandardInputOnce(check.files);
        run = [&] { return RunCheck(check); };
    });

    QueryOptions query;
    CLI::App* queryCmd =
        app.add_subcommand("query", "Print the nodes with a tag, or their link targets; exit status 1 when none match");
    queryCmd->add_option("FILE", query.file, kFileHelp)->required();
    queryCmd->add_option("--tag", query.tag, "Tag name (case ignored)")->required();
    CLI::Option* name = queryCmd->add_option("--name", query.name, "N value (exact)");
    CLI::Option* level = queryCmd->add_option("--level", query.level, "Level; with a parent, any depth inside it")
                             ->check(CLI::Range(-32768, 32767));
    CLI::Option* parentTag = queryCmd->add_option("--parent-tag", query.parentTag, "Only nodes inside the first node with this tag and N value:");
    CLI::Option* parentName = queryCmd->add_option("--parent-name", query.parentName, "its children, or with --level any depth");
    parentTag->needs(parentName);
    parentName->needs(parentTag);
    queryCmd->add_flag("--href", query.href, "Print each match's link target (its own HREF or its nearest ancestor's)");
    queryCmd->callback([&] {
        query.hasName = name->count() > 0;
        query.hasLevel = level->count() > 0;
        query.hasParent = parentTag->count() > 0;
        run = [&] { return RunQuery(query); };
    });

    MergeOptions merge;
    CLI::App* mergeCmd = app.add_subcommand("merge", "Merge fragments into a document and write the result as KORU");
    mergeCmd->add_option("DOC", merge.document, kFileHelp)->required();
    mergeCmd->add_option("FRAGMENT", merge.fragments, "Fragments (framed documents), merged in turn")->required();
    mergeCmd->add_flag("--overwrite", merge.overwrite, "Let fragment attributes and macros replace existing ones");
    mergeCmd->add_flag("--json", merge.json, "Print JSON instead");
    mergeCmd->callback([&] {
        std::vector<std::string> inputs = merge.fragments;
        inputs.push_back(merge.document);
        StandardInputOnce(inputs);
        run = [&] { return RunMerge(merge); };
    });

    UpdateOptions update;
    CLI::App* updateCmd = app.add_subcommand("update", "Apply an update text and print the rebuilt nodes");
    updateCmd->add_option("DOC", update.document, kFileHelp)->required();
    updateCmd->add_option("UPDATE", update.update, "Update text: loose C and B statements (- for standard input)")
        ->required();
    updateCmd->add_flag("--new-values", update.newValues, "Record and print the values the update assigned");
    updateCmd->callback([&] {
        StandardInputOnce({update.document, update.update});
        run = [&] { return RunUpdate(update); };
    });

    FormatOptions format;
    CLI::App* formatCmd = app.add_subcommand("format", "Parse a document and write it back");
    formatCmd->add_option("FILE", format.file, kFileHelp)->required();
    formatCmd->callback([&] { run = [&] { return RunFormat(format); }; });

    std::string text;
    CLI::App* encodeCmd = app.add_subcommand("encode", "URL form-encode TEXT");
    encodeCmd->add_option("TEXT", text, "Text to encode")->required();
    encodeCmd->callback([&] { run = [&] { return RunEncode(text); }; });
    CLI::App* decodeCmd = app.add_subcommand("decode", "Decode URL form-encoded TEXT");
    decodeCmd->add_option("TEXT", text, "Text to decode")->required();
    decodeCmd->callback([&] { run = [&] { return RunDecode(text); }; });

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        // --help and --version end here with status 0; real usage errors give 2.
        return app.exit(e) == 0 ? kOk : kUsage;
    }
    if (!run) return kUsage;
    try {
        const int status = run();
        // A full disk or a closed pipe must not pass for success.
        if (!std::cout.flush()) {
            std::cerr << "koru: cannot write the output\n";
            return kUsage;
        }
        return status;
    } catch (const std::bad_alloc&) {
        std::cerr << "koru: out of memory\n";
    } catch (const std::exception& e) {
        std::cerr << "koru: " << e.what() << "\n";
    } catch (...) {
        std::cerr << "koru: unexpected error\n";
    }
    return kUsage;
}
