// koru encode TEXT / koru decode TEXT: the URL form encoding.
#include "cli.h"
#include "commands.h"

#include <iostream>
#include <memory>

namespace koru_cli {

void AddCodec(CLI::App& app, Runner& run) {
    auto text = std::make_shared<std::string>();
    CLI::App* encode = app.add_subcommand("encode", "URL form-encode TEXT");
    encode->add_option("TEXT", *text, "Text to encode")->required();
    encode->callback([text, &run] {
        run = [text] {
            std::cout << URIEncode(text->c_str()) << "\n";
            return kOk;
        };
    });
    CLI::App* decode = app.add_subcommand("decode", "Decode URL form-encoded TEXT");
    decode->add_option("TEXT", *text, "Text to decode")->required();
    decode->callback([text, &run] {
        run = [text] {
            std::cout << URIDecode(text->c_str()) << "\n";
            return kOk;
        };
    });
}

}  // namespace koru_cli
