// koru encode TEXT / koru decode TEXT: the URL form encoding.
#include "cli.h"
#include "commands.h"

#include <iostream>

namespace koru_cli {

int RunEncode(const std::string& text) {
    std::cout << URIEncode(text.c_str()) << "\n";
    return kOk;
}

int RunDecode(const std::string& text) {
    std::cout << URIDecode(text.c_str()) << "\n";
    return kOk;
}

}  // namespace koru_cli
