// Writing outputs: a file, or standard output for "-".
#include "cli.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <system_error>

namespace koru_cli {

// A file is written whole beside its target and then renamed over it, so that
// a full disk or a failed write never leaves a user's document half rewritten.
bool WriteOutput(const std::string& path, std::string_view text) {
    if (path == "-") {
        std::cout << text;  // main checks standard output once all is written
        return true;
    }
    namespace fs = std::filesystem;
    std::error_code error;
    fs::path target(path);
    if (fs::is_symlink(target, error)) target = fs::canonical(target, error);  // rewrite what the link names
    const fs::path temporary = target.string() + ".koru-" + std::to_string(getpid());
    errno = 0;
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    if (out) out.write(text.data(), static_cast<std::streamsize>(text.size()));
    if (out) out.close();
    if (out) {
        const fs::file_status old = fs::status(target, error);
        if (fs::exists(old)) fs::permissions(temporary, old.permissions(), error);
        fs::rename(temporary, target, error);
        if (!error) return true;
        errno = error.value();
    }
    const int why = errno;
    fs::remove(temporary, error);
    std::cerr << "koru: cannot write " << path << ": " << (why ? std::strerror(why) : "write error") << "\n";
    return false;
}

}  // namespace koru_cli
