// koru query FILE --tag T [--name N] [--level L] [--parent-tag T --parent-name N] [--href]:
// the matching nodes, or their link targets. Like grep, it exits with 1 when no
// node matches, and when the parent node does not exist.
#include "cli.h"
#include "commands.h"

#include <iostream>
#include <memory>

namespace koru_cli {

namespace {

struct QueryOptions {
    std::string file;
    std::string tag;
    std::string name;
    bool hasName = false;
    int level = 0;
    bool hasLevel = false;
    std::string parentTag;
    std::string parentName;
    bool hasParent = false;
    bool href = false;
};

int RunQuery(const QueryOptions& options) {
    CKORU_Parser parser;
    if (int status = ParseFile(parser, options.file, 0)) return status;

    CKORU_ItemNode* parent = nullptr;
    if (options.hasParent) {
        parent = parser.GetNode(nullptr, CString(options.parentTag), CString(options.parentName));
        if (!parent) {
            std::cerr << "koru query: no " << options.parentTag << " node named \"" << options.parentName << "\"\n";
            return kNoMatch;
        }
    }
    // With a level, every node nested in the parent at that level; else the parent's children.
    NodeList* found = options.hasLevel
                          ? parser.GetNodeList(nullptr, static_cast<short>(options.level), parent)
                          : parser.GetNodeList(nullptr, CString(options.tag), parent);
    if (!found) return kNoMatch;
    int status = kNoMatch;
    for (CKORU_ItemNode* node : *found) {
        if (node->m_TagName.CompareNoCase(options.tag.c_str()) != 0) continue;
        if (options.hasName && parser.GetValue("N", node) != CString(options.name)) continue;
        if (options.href) std::cout << parser.GetCtrlHRef(node).Str() << "\n";
        else std::cout << NodeLine(node) << "\n";
        status = kOk;
    }
    parser.ReleaseNodeList(found);
    return status;
}

}  // namespace

void AddQuery(CLI::App& app, Runner& run) {
    auto options = std::make_shared<QueryOptions>();
    CLI::App* cmd =
        app.add_subcommand("query", "Print the nodes with a tag, or their link targets; exit status 1 when none match");
    cmd->add_option("FILE", options->file, kFileHelp)->required();
    cmd->add_option("--tag", options->tag, "Tag name (case ignored)")->required();
    CLI::Option* name = cmd->add_option("--name", options->name, "N value (exact)");
    CLI::Option* level = cmd->add_option("--level", options->level, "Level; with a parent, any depth inside it")
                             ->check(CLI::Range(-32768, 32767));
    CLI::Option* parentTag =
        cmd->add_option("--parent-tag", options->parentTag, "Only nodes inside the first node with this tag and N value:");
    CLI::Option* parentName = cmd->add_option("--parent-name", options->parentName, "its children, or with --level any depth");
    parentTag->needs(parentName);
    parentName->needs(parentTag);
    cmd->add_flag("--href", options->href, "Print each match's link target (its own HREF or its nearest ancestor's)");
    cmd->callback([options, name, level, parentTag, &run] {
        options->hasName = name->count() > 0;
        options->hasLevel = level->count() > 0;
        options->hasParent = parentTag->count() > 0;
        run = [options] { return RunQuery(*options); };
    });
}

}  // namespace koru_cli
