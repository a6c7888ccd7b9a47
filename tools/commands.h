// The koru tool's commands. Each Add* function adds its subcommand and options
// to the application; when the command line names it, `run` is set to run it.
#ifndef KORU_TOOLS_COMMANDS_H
#define KORU_TOOLS_COMMANDS_H

#include <CLI/CLI.hpp>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace koru_cli {

using Runner = std::function<int()>;

inline const char* const kFileHelp = "KORU document, or - for standard input";

// Standard input can be read once only: naming "-" twice is a usage error.
inline void StandardInputOnce(const std::vector<std::string>& paths) {
    if (std::count(paths.begin(), paths.end(), "-") > 1)
        throw CLI::ValidationError("standard input (-) is named more than once");
}

void AddDump(CLI::App& app, Runner& run);
void AddCheck(CLI::App& app, Runner& run);
void AddQuery(CLI::App& app, Runner& run);
void AddMerge(CLI::App& app, Runner& run);
void AddUpdate(CLI::App& app, Runner& run);
void AddFormat(CLI::App& app, Runner& run);
void AddExpand(CLI::App& app, Runner& run);
void AddCodec(CLI::App& app, Runner& run);

}  // namespace koru_cli

#endif
