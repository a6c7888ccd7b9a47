// The koru tool's commands; main.cpp maps the command line onto these options.
#ifndef KORU_TOOLS_COMMANDS_H
#define KORU_TOOLS_COMMANDS_H

#include <string>
#include <vector>

namespace koru_cli {

struct DumpOptions {
    std::string file;
    bool json = false;
};
int RunDump(const DumpOptions& options);

struct CheckOptions {
    std::vector<std::string> files;
};
int RunCheck(const CheckOptions& options);

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
int RunQuery(const QueryOptions& options);

struct MergeOptions {
    std::string document;
    std::vector<std::string> fragments;
    bool overwrite = false;
    bool json = false;
};
int RunMerge(const MergeOptions& options);

struct UpdateOptions {
    std::string document;
    std::string update;
    bool newValues = false;
};
int RunUpdate(const UpdateOptions& options);

struct FormatOptions {
    std::string file;
};
int RunFormat(const FormatOptions& options);

int RunEncode(const std::string& text);
int RunDecode(const std::string& text);

}  // namespace koru_cli

#endif
