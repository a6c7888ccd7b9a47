// Reading inputs and reporting refused documents.
#include "cli.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>

namespace koru_cli {

std::string DisplayName(const std::string& path) { return path == "-" ? "<stdin>" : path; }

bool ReadInput(const std::string& path, std::string& text) {
    if (path == "-") {
        std::ostringstream all;
        all << std::cin.rdbuf();
        text = all.str();
        return true;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::cerr << "koru: cannot read " << path << ": " << std::strerror(errno) << "\n";
        return false;
    }
    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

std::string RefusalLine(const std::string& path, const KoruRefusal& refusal) {
    std::string line = DisplayName(path) + ":";
    if (refusal.line > 0) line += std::to_string(refusal.line) + ":" + std::to_string(refusal.column) + ":";
    line += " " + (refusal.message.empty() ? std::string("refused") : refusal.message);
    if (refusal.code == KoruRefusalCode::Unbalanced)
        line += " (" + std::to_string(refusal.startCount) + " start, " + std::to_string(refusal.endCount) + " end)";
    return line;
}

int ParseFile(CKORU_Parser& parser, const std::string& path, int overwrite) {
    std::string text;
    if (!ReadInput(path, text)) return kUsage;
    CString source(std::move(text));
    if (parser.DoParsingProc(source, overwrite) == 1) return kOk;
    std::cerr << RefusalLine(path, parser.GetLastRefusal()) << "\n";
    return kRefused;
}

}  // namespace koru_cli
