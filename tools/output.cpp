// Writing outputs: a file, or standard output for "-".
#include "cli.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iostream>

namespace koru_cli {

bool WriteOutput(const std::string& path, std::string_view text) {
    if (path == "-") {
        std::cout << text;  // main checks standard output once all is written
        return true;
    }
    errno = 0;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (out) out.write(text.data(), static_cast<std::streamsize>(text.size()));
    if (out) out.close();
    if (out) return true;
    std::cerr << "koru: cannot write " << path << ": " << (errno ? std::strerror(errno) : "write error") << "\n";
    return false;
}

}  // namespace koru_cli
