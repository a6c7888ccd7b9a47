// koru: the command-line tool for KORU documents. Every FILE may be "-" for
// standard input, named once at most. Exit status: 0 success; 1 a document was
// refused, or for query no node matched (as grep does); 2 a usage error, an
// input that cannot be read, or any other failure (one "koru: ..." line).
#include "cli.h"
#include "commands.h"

#include <exception>
#include <iostream>
#include <new>

using namespace koru_cli;

int main(int argc, char** argv) {
    CLI::App app{"Parse, check, query, merge and write KORU documents.", "koru"};
    app.set_version_flag("--version", KoruVersion(), "Print the library version and exit");
    app.require_subcommand(1, 1);
    app.footer("Exit status: 0 success; 1 a document was refused, or query matched nothing;\n"
               "2 a usage error, an unreadable input or another failure.");
    Runner run;
    AddDump(app, run);
    AddCheck(app, run);
    AddQuery(app, run);
    AddMerge(app, run);
    AddUpdate(app, run);
    AddFormat(app, run);
    AddExpand(app, run);
    AddCodec(app, run);

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        // --help and --version end here with status 0; real usage errors give 2.
        return app.exit(e) == 0 ? kOk : kUsage;
    }
    if (!run) return kUsage;
    try {
        const int status = run();
        // A full disk or a closed pipe must not pass for success.
        if (!std::cout.flush()) {
            std::cerr << "koru: cannot write the output\n";
            return kUsage;
        }
        return status;
    } catch (const std::bad_alloc&) {
        std::cerr << "koru: out of memory\n";
    } catch (const std::exception& e) {
        std::cerr << "koru: " << e.what() << "\n";
    } catch (...) {
        std::cerr << "koru: unexpected error\n";
    }
    return kUsage;
}
