// Shared pieces of the koru tool: reading inputs and writing outputs, parsing
// with refusal reports, and printing node lists as text or JSON.
#ifndef KORU_TOOLS_CLI_H
#define KORU_TOOLS_CLI_H

#include <koru/koru.h>
#include <nlohmann/json_fwd.hpp>

#include <iosfwd>
#include <string>
#include <string_view>

namespace koru_cli {

using NodeList = CTypedPtrList<CPtrList, CKORU_ItemNode*>;

// Exit statuses of every command; query's 1 means that no node matched.
enum Status { kOk = 0, kRefused = 1, kNoMatch = 1, kUsage = 2 };

// The name a path is reported under: "<stdin>" for "-".
std::string DisplayName(const std::string& path);

// Reads a file, or standard input for "-". On failure prints why to stderr and returns false.
bool ReadInput(const std::string& path, std::string& text);

// Writes `text` to `path`, or to standard output for "-". On failure prints why to stderr and returns false.
bool WriteOutput(const std::string& path, std::string_view text);

// "file:line:column: reason" (or "file: reason" when the place is unknown).
std::string RefusalLine(const std::string& path, const KoruRefusal& refusal);

// Reads and parses `path` into `parser`; kRefused after printing the refusal,
// kUsage when the file cannot be read.
int ParseFile(CKORU_Parser& parser, const std::string& path, int overwrite);
// The same, keeping the text read in `original` and, parsed, what the parse
// left of it (the processed source) in `processed`.
int ParseSource(CKORU_Parser& parser, const std::string& path, int overwrite, std::string& original,
                CString& processed);

// One node as "TAG (level L) NAME=value ...", values as stored, control bytes escaped.
std::string NodeLine(const CKORU_ItemNode* node);

// The list as a tree: each node on its own line, indented under its parent as
// GetParent finds it (the JSON's "parent"); a node without one at the margin.
void PrintTree(std::ostream& out, const NodeList* list);

// The node's attributes as a JSON object of the values GetValue gives.
nlohmann::ordered_json AttributesJson(CKORU_Parser& parser, CKORU_ItemNode* node);

// The list as JSON: {"nodes": [{"index", "tag", "level", "words", "parent", "attributes"}]}.
void PrintJson(std::ostream& out, CKORU_Parser& parser, const NodeList* list);

}  // namespace koru_cli

#endif
