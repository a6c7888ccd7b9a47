// koru query FILE [--tag T] [--name N] [--attr NAME=VALUE]... [--level L]
// [--parent-tag T --parent-name N] [--href | --value NAME] [--json]: the
// matching nodes with their places in the file, their link targets or one
// value of each. Like grep, it exits with 1 when no node matches, and when the
// parent node does not exist.
#include "cli.h"
#include "commands.h"

#include <nlohmann/json.hpp>

#include <iostream>
#include <memory>
#include <utility>

namespace koru_cli {

namespace {

using Json = nlohmann::ordered_json;

struct QueryOptions {
    std::string file;
    std::string tag;  // empty: any tag
    std::string name;
    bool hasName = false;
    std::vector<std::string> attrs;  // NAME=VALUE, split into `wanted`
    std::vector<std::pair<CString, CString>> wanted;
    int level = 0;
    bool hasLevel = false;
    std::string parentTag;
    std::string parentName;
    bool hasParent = false;
    bool href = false;
    std::string value;
    bool hasValue = false;
    bool json = false;
};

// The nodes to match: of the level (inside the parent, at any depth), else the
// parent's children, else the whole main list; with a tag, only those of it.
std::vector<CKORU_ItemNode*> Candidates(CKORU_Parser& parser, const QueryOptions& options, CKORU_ItemNode* parent) {
    NodeList* found = nullptr;
    if (options.hasLevel) found = parser.GetNodeList(nullptr, static_cast<short>(options.level), parent);
    else if (!options.tag.empty()) found = parser.GetNodeList(nullptr, CString(options.tag), parent);
    else if (parent && parent->m_Level < 32767)
        found = parser.GetNodeList(nullptr, static_cast<short>(parent->m_Level + 1), parent);
    else if (!parent) found = parser.GetMainList();
    std::vector<CKORU_ItemNode*> nodes;
    if (found) nodes.assign(found->begin(), found->end());
    parser.ReleaseNodeList(found);  // the main list stays
    return nodes;
}

bool Matches(CKORU_Parser& parser, const QueryOptions& options, CKORU_ItemNode* node) {
    if (!options.tag.empty() && node->m_TagName.CompareNoCase(options.tag.c_str()) != 0) return false;
    if (options.hasName && parser.GetValue("N", node) != CString(options.name)) return false;
    for (const auto& [name, value] : options.wanted)
        if (parser.GetValue(name, node) != value) return false;
    return true;
}

int RunQuery(const QueryOptions& options) {
    CKORU_Parser parser;
    std::string text;
    CString processed;
    if (int status = ParseSource(parser, options.file, 0, text, processed)) return status;

    CKORU_ItemNode* parent = nullptr;
    if (options.hasParent) {
        parent = parser.GetNode(nullptr, CString(options.parentTag), CString(options.parentName));
        if (!parent) {
            std::cerr << "koru query: no " << options.parentTag << " node named \"" << options.parentName << "\"\n";
            return kNoMatch;
        }
    }
    NodeList found;
    for (CKORU_ItemNode* node : Candidates(parser, options, parent))
        if (Matches(parser, options, node)) found.AddTail(node);
    // Placed all at once: the two texts are read once, not once per node.
    const std::vector<KoruPlace> places = KoruNodePlaces(&found, CString(text), processed);
    Json matches = Json::array();
    size_t index = 0;
    for (CKORU_ItemNode* node : found) {
        const int line = places[index].line, column = places[index].column;
        const bool placed = line > 0;
        ++index;
        if (options.json) {
            Json entry;
            entry["tag"] = node->m_TagName.Str();
            entry["level"] = node->m_Level;
            entry["line"] = line;
            entry["column"] = column;
            entry["attributes"] = AttributesJson(parser, node);
            if (options.hasValue) entry["value"] = parser.GetValue(CString(options.value), node).Str();
            matches.push_back(std::move(entry));
        } else if (options.href) {
            std::cout << parser.GetCtrlHRef(node).Str() << "\n";
        } else if (options.hasValue) {
            std::cout << parser.GetValue(CString(options.value), node).Str() << "\n";
        } else {
            if (placed) std::cout << line << ":" << column << ": ";
            std::cout << NodeLine(node) << "\n";
        }
    }
    // Bytes that are not UTF-8 come out as U+FFFD.
    if (options.json) std::cout << matches.dump(2, ' ', false, Json::error_handler_t::replace) << "\n";
    return found.IsEmpty() ? kNoMatch : kOk;
}

}  // namespace

void AddQuery(CLI::App& app, Runner& run) {
    auto options = std::make_shared<QueryOptions>();
    CLI::App* cmd = app.add_subcommand(
        "query", "Print the matching nodes, their link targets or values; exit status 1 when none match");
    cmd->add_option("FILE", options->file, kFileHelp)->required();
    CLI::Option* tag = cmd->add_option("--tag", options->tag, "Tag name (case ignored); without it, any tag");
    CLI::Option* name = cmd->add_option("--name", options->name, "N value (exact)");
    CLI::Option* attr = cmd->add_option("--attr", options->attrs, "NAME=VALUE: the value GetValue gives (exact)");
    CLI::Option* level = cmd->add_option("--level", options->level, "Level; with a parent, any depth inside it")
                             ->check(CLI::Range(-32768, 32767));
    CLI::Option* parentTag = cmd->add_option("--parent-tag", options->parentTag,
                                             "Only nodes inside the first node with this tag and N value:");
    CLI::Option* parentName =
        cmd->add_option("--parent-name", options->parentName, "its children, or with --level any depth");
    parentTag->needs(parentName);
    parentName->needs(parentTag);
    CLI::Option* href = cmd->add_flag("--href", options->href,
                                      "Print each match's link target (its own HREF or its nearest ancestor's)");
    CLI::Option* value = cmd->add_option("--value", options->value, "Print each match's value of this attribute");
    CLI::Option* json = cmd->add_flag("--json", options->json, "Print a JSON array of the matches");
    href->excludes(value)->excludes(json);
    cmd->callback([options, tag, name, attr, level, parentTag, value, &run] {
        if (!tag->count() && !name->count() && !attr->count()) throw CLI::RequiredError("--tag (or --name or --attr)");
        for (const std::string& pair : options->attrs) {
            const size_t equals = pair.find('=');
            if (equals == 0 || equals == std::string::npos)
                throw CLI::ValidationError("--attr: NAME=VALUE expected, not \"" + pair + "\"");
            options->wanted.emplace_back(CString(pair.substr(0, equals)), CString(pair.substr(equals + 1)));
        }
        options->hasName = name->count() > 0;
        options->hasLevel = level->count() > 0;
        options->hasParent = parentTag->count() > 0;
        options->hasValue = value->count() > 0;
        run = [options] { return RunQuery(*options); };
    });
}

}  // namespace koru_cli
