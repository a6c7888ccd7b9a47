// Reading inputs and reporting refused documents.
#include "cli.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <system_error>

namespace koru_cli {

std::string DisplayName(const std::string& path) { return path == "-" ? "<stdin>" : path; }

namespace {

// Appends all of `in` to `text`; false when a read fails. Errors while reading
// (a directory given as standard input, an I/O error) leave the stream bad.
bool ReadStream(std::istream& in, std::string& text) {
    char buffer[1 << 16];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) text.append(buffer, static_cast<size_t>(in.gcount()));
    return in.eof() && !in.bad();
}

}  // namespace

bool ReadInput(const std::string& path, std::string& text) {
    text.clear();
    bool read = false;
    std::error_code error;
    if (path == "-") {
        errno = 0;
        read = ReadStream(std::cin, text) && !std::ferror(stdin);  // std::cin reads through stdin
    } else if (std::filesystem::is_directory(path, error)) {
        errno = EISDIR;  // opening a directory succeeds; reading it does not
    } else {
        std::ifstream in(path, std::ios::binary);  // on failure errno tells why
        if (in) {
            errno = 0;
            read = ReadStream(in, text);
        }
    }
    if (read) return true;
    std::cerr << "koru: cannot read " << DisplayName(path) << ": " << (errno ? std::strerror(errno) : "read error") << "\n";
    return false;
}

std::string RefusalLine(const std::string& path, const KoruRefusal& refusal) {
    std::string line = DisplayName(path) + ":";
    if (refusal.line > 0) line += std::to_string(refusal.line) + ":" + std::to_string(refusal.column) + ":";
    line += " " + (refusal.message.empty() ? std::string("refused") : refusal.message);
    if (refusal.code == KoruRefusalCode::Unbalanced)
        line += " (" + std::to_string(refusal.startCount) + " start, " + std::to_string(refusal.endCount) + " end)";
    return line;
}

int ParseSource(CKORU_Parser& parser, const std::string& path, int overwrite, std::string& original,
                CString& processed) {
    if (!ReadInput(path, original)) return kUsage;
    processed = CString(original);
    if (parser.DoParsingProc(processed, overwrite) == 1) return kOk;
    std::cerr << RefusalLine(path, parser.GetLastRefusal()) << "\n";
    return kRefused;
}

int ParseFile(CKORU_Parser& parser, const std::string& path, int overwrite) {
    std::string original;
    CString processed;
    return ParseSource(parser, path, overwrite, original, processed);
}

}  // namespace koru_cli
