// koru update DOC UPDATE [--new-values] [--write | -o OUT]: apply an update text
// and print the nodes it rebuilt, with --new-values also their new-value
// tables; with --write or -o, write the updated document back as well.
#include "cli.h"
#include "commands.h"

#include <iostream>
#include <memory>

namespace koru_cli {

namespace {

struct UpdateOptions {
    std::string document;
    std::string update;
    bool newValues = false;
    bool write = false;  // rewrite the document
    std::string output;  // or write it here ("-": standard output, instead of the listing)
};

// The updated document as the writer gives it, laid out by KoruFormatSource where it can.
std::string WrittenDocument(const CKORU_Parser& parser) {
    const CString written = KoruWriteDocument(parser.GetMainList());
    CString laid;
    return (KoruFormatSource(written, laid, 2) == 1 ? laid : written).Str() + "\n";
}

int RunUpdate(const UpdateOptions& options) {
    CKORU_Parser parser;
    if (int status = ParseFile(parser, options.document, 0)) return status;
    std::string text;
    if (!ReadInput(options.update, text)) return kUsage;
    NodeList* rebuilt = parser.UpdateParser(nullptr, CString(std::move(text)), options.newValues ? 1 : 0);
    if (!rebuilt) {
        std::cerr << RefusalLine(options.update, parser.GetLastRefusal()) << "\n";
        return kRefused;
    }
    for (CKORU_ItemNode* node : *rebuilt) {
        if (options.output == "-") break;
        std::cout << NodeLine(node) << "\n";
        if (!options.newValues) continue;
        std::cout << "  new values:";
        const CMapStringToString& table = node->m_NewValueTable;
        if (table.IsEmpty()) std::cout << " (none)";
        for (int i = 0; i < table.GetCount(); ++i) std::cout << " " << table.KeyAt(i).Str() << "=" << table.ValueAt(i).Str();
        std::cout << "\n";
    }
    parser.ReleaseNodeList(rebuilt);
    if (!options.write && options.output.empty()) return kOk;
    return WriteOutput(options.write ? options.document : options.output, WrittenDocument(parser)) ? kOk : kUsage;
}

}  // namespace

void AddUpdate(CLI::App& app, Runner& run) {
    auto options = std::make_shared<UpdateOptions>();
    CLI::App* cmd = app.add_subcommand("update", "Apply an update text and print the rebuilt nodes");
    cmd->add_option("DOC", options->document, kFileHelp)->required();
    cmd->add_option("UPDATE", options->update, "Update text: loose C and B statements (- for standard input)")
        ->required();
    cmd->add_flag("--new-values", options->newValues, "Record and print the values the update assigned");
    CLI::Option* write = cmd->add_flag("--write", options->write, "Rewrite DOC with the updated document");
    cmd->add_option("-o,--output", options->output, "Write the updated document here (- for standard output)")
        ->excludes(write);
    cmd->callback([options, &run] {
        StandardInputOnce({options->document, options->update});
        if (options->write && options->document == "-")
            throw CLI::ValidationError("--write: standard input (-) cannot be rewritten");
        run = [options] { return RunUpdate(*options); };
    });
}

}  // namespace koru_cli
