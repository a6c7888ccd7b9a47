// The koru tool, run as a program: one golden-output table per command. Each row
// gives the arguments (and standard input), the exit status, and the exact
// standard output and error; "..." in an expected text stands for any text, so
// that long outputs are checked by the parts that matter.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>

#include "common/koru_test.h"

using koru_test::Repeat;

namespace {

// A run of the tool; in a table, the expected run, whose outputs may hold "...".
struct Row {
    const char* rule;
    std::string args;  // after "koru"
    int status;
    std::string out, err = "";
    std::string input = "";  // standard input
};

// The text of the file `path`, which is then removed.
std::string Take(const std::string& path) {
    std::ostringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    std::remove(path.c_str());
    return text.str();
}

// Runs `koru ARGS` in the source tree with `input` on standard input, after the
// shell commands `before` (such as a ulimit); ARGS may redirect the output, and
// may go on with "&& cat FILE" to show a file the tool wrote.
// JSON outputs (of --json, --format=json) are compacted (one line, keys sorted) so that rows can quote them.
Row Koru(const std::string& args, const std::string& input = "", const std::string& before = "") {
    const std::string file = ::testing::TempDir() + "koru_cli_" + std::to_string(getpid());  // CTest runs tests at once
    std::ofstream(file + "_in", std::ios::binary) << input;
    const int raw = std::system(("cd '" KORU_SOURCE_DIR "' && " + before + "{ '" KORU_CLI "' " + args + "; } <'" +
                                 file + "_in' >'" + file + "_out' 2>'" + file + "_err'").c_str());
    Row r{"", args, WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, Take(file + "_out"), Take(file + "_err"), input};
    if (args.find("json") != std::string::npos)
        if (const nlohmann::json json = nlohmann::json::parse(r.out, nullptr, false); !json.is_discarded())
            r.out = json.dump();
    std::remove((file + "_in").c_str());
    return r;
}

// True when `text` is `pattern`, where each "..." of the pattern stands for any text.
bool Matches(const std::string& text, const std::string& pattern) {
    const size_t gap = pattern.find("...");
    if (gap == std::string::npos) return text == pattern;
    for (size_t at = gap; text.substr(0, gap) == pattern.substr(0, gap) && at <= text.size(); ++at)
        if (Matches(text.substr(at), pattern.substr(gap + 3))) return true;
    return false;
}

// Checks every row's status and outputs, and `also(row, result)` for the rows that succeed.
template <typename Rows>
void ExpectAll(const Rows& rows, const std::function<void(const Row&, const Row&)>& also = nullptr) {
    for (const Row& row : rows) {
        SCOPED_TRACE(row.rule);
        const Row r = Koru(row.args, row.input);
        EXPECT_EQ(r.status, row.status) << "koru " << row.args;
        EXPECT_TRUE(Matches(r.out, row.out)) << "koru " << row.args << "\nstdout:\n" << r.out;
        EXPECT_TRUE(Matches(r.err, row.err)) << "koru " << row.args << "\nstderr:\n" << r.err;
        if (also && r.status == 0) also(row, r);
    }
}

// A frame holding a macro of `size` bytes referenced `times` times, then `padding`.
std::string Expanding(int size, int times, const std::string& padding = "") {
    return "<MACRO>A:" + std::string(size, 'a') + "</MACRO><U><B>" + Repeat("&A;", times) + "</B>" + padding + "</U>";
}

TEST(Cli, UsageErrorsStatusesAndUnreadableInputs) {
    const std::string again = "standard input (-) is named more than once\n...", query = "query examples/page.koru ";
    const std::string range = " not in range -32768 to 32767\n...", cannot = "koru: cannot read ";
    std::vector<Row> rows = {
        {"version", "--version", 0, std::string(KoruVersion()) + "\n"},
        {"help: the commands", "--help", 0, "...dump...check...query...merge...update...format...expand...encode...decode..."},
        {"no command", "", 2, "", "A subcommand is required\n..."},
        {"unknown command", "frobnicate", 2, "", "A subcommand is required\n..."},
        {"dump without a file", "dump", 2, "", "FILE is required\n..."},
        {"unknown option", "dump --bogus examples/page.koru", 2, "", "...--bogus\n..."},
        {"dump of two files", "dump a b", 2, "", "The following argument was not expected: b\n..."},
        {"check without a file", "check", 2, "", "FILE is required\n..."},
        {"query without a tag, name or attribute", query, 2, "", "--tag (or --name or --attr) is required\n..."},
        {"query: an attribute without =", query + "--attr N", 2, "", "--attr: NAME=VALUE expected, not \"N\"\n..."},
        {"query: --href with --value", query + "--tag C --href --value N", 2, "", "--href excludes --value\n..."},
        {"parent tag alone", query + "--tag C --parent-tag B", 2, "", "--parent-tag requires --parent-name\n..."},
        {"level not a number", query + "--tag C --level x", 2, "", "--level: Value x" + range},
        {"level above 32767", query + "--tag C --level 32768", 2, "", "--level: Value 32768" + range},
        {"level below -32768", "query - --tag C --level=-32769", 2, "", "--level: Value -32769" + range},
        {"level a short wraps to 4", query + "--tag C --level 65540", 2, "", "--level: Value 65540" + range},
        {"merge without a fragment", "merge examples/page.koru", 2, "", "FRAGMENT is required\n..."},
        {"update without a text", "update examples/page.koru", 2, "", "UPDATE is required\n..."},
        {"encode without a text", "encode", 2, "", "TEXT is required\n..."},
        {"merge: - twice", "merge - -", 2, "", again},
        {"merge: - as document and fragment", "merge - examples/fragment.koru -", 2, "", again},
        {"check: - twice", "check examples/page.koru - -", 2, "", again},
        {"update: - twice", "update - -", 2, "", again},
        {"missing file", "dump no/such.koru", 2, "", cannot + "no/such.koru: No such file or directory\n"},
        {"a directory", "check examples/page.koru examples", 2, "...", cannot + "examples: Is a directory\n"},
        {"read error", "dump /proc/self/mem", 2, "", cannot + "/proc/self/mem: Input/output error\n"},
        {"update from a directory", "update examples/page.koru examples", 2, "", cannot + "examples: Is a directory\n"},
        {"output cannot be written", "dump examples/page.koru >/dev/full", 2, "", "koru: cannot write the output\n"},
    };
    for (const std::string command :
         {"dump", "check", "query", "merge", "update", "format", "expand", "encode", "decode"})
        rows.push_back({"command help", command + " --help", 0, "...Usage: koru " + command + " ..."});
    ExpectAll(rows);
}

TEST(Cli, OutOfMemoryIsOneLineAndTwo) {
    // 100 MiB of address space, and macros that expand to 200 MiB (within the bound of 100 x the source).
    const std::string limit = "ulimit -v 102400 && ";
    if (Koru("--version", "", limit).status != 0) GTEST_SKIP() << "the tool does not start in 100 MiB (sanitizers)";
    const Row r = Koru("check -", Expanding(100000, 2000, std::string(2000000, ' ')), limit);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "koru: out of memory\n");
}

TEST(Cli, Dump) {
    // An H statement is dropped but its content keeps its level: C N=a finds no
    // level-3 node after it in the first source, and the other body's in the second.
    const std::string lone = "<U><B ID N=x><H><C N=a></C></H></B></U>";  // ID N=x: a valueless word shifts the pairs
    const std::string found = "<U><B N=1><H><C N=a></C></H></B><B N=2><C N=b></C></B></U>";
    const Row rows[] = {
        {"the tree, values as stored", "dump examples/page.koru", 0,
         "B (level 2) N=order HREF=\"https://shop.example/spring/order\" T=\"Spring catalogue\"\n"
         "  C (level 3) N=search HREF=\"https://shop.example/spring/search\" W=200\n"
         "    A (level 4) N=label V=\"Search the catalogue\"\n"
         "    A (level 4) N=hint V=\"Type \"red\" or \"blue\"\"\n"
         "    E (level 4) T=click ACTION=submit\n"
         "    EN (level 4) T=enter ACTION=submit\n"
         "  C (level 3) N=basket W=80 COUNT=0\n"
         "    A (level 4) N=label V=Basket\n"
         "    E (level 4) T=click ACTION=open TARGET=basket\n"
         "F (level 2) ID=checkout HREF=\"https://shop.example/spring/pay\"\n"
         "  FD (level 3) ID=checkout N=name\n"
         "  FD (level 3) ID=checkout N=card\n"},
        {"control bytes escaped", "dump -", 0, "B (level 2) N=\"a\\tb\\nc\\x01\\\\\"\n", "",
         "<U><B N=\"a\tb\nc\x01\\\"></B></U>"},
        {"a node without parent at the margin", "dump -", 0, "C (level 4) N=a\nB (level 2) ID=N X=\n", "", lone},
        {"a parent found past a dropped H", "dump -", 0,
         "B (level 2) N=1\nB (level 2) N=2\n  C (level 3) N=b\n    C (level 4) N=a\n", "", found},
        {"json: no parent, words", "dump --json -", 0,
         R"(...{"attributes":{"ID":"N","X":""},"index":1,"level":2,"parent":null,"tag":"B","words":2}]})", "", lone},
        {"json: parent past a dropped H", "dump --json -", 0, "...\"index\":0,\"level\":4,\"parent\":2,...", "", found},
        {"json: closing order, parents, words, values by GetValue", "dump --json examples/page.koru", 0,
         R"({"nodes":[{"attributes":{"N":"label","V":"Search the catalogue"},"index":0,"level":4,"parent":4,)"
         R"("tag":"A","words":1},{"attributes":{"N":"hint","V":"Type \"red\" or \"blue\""},"index":1,...)"
         R"("W":"200"},"index":4,"level":3,"parent":8,"tag":"C",..."T":"Spring catalogue"},"index":8,"level":2,)"
         R"("parent":null,"tag":"B","words":1}...{"HREF":"https://shop.example/spring/pay","ID":"checkout"},)"
         R"("index":11,"level":2,"parent":null,"tag":"F","words":1}]})"},
        {"refused document", "dump -", 1, "", "<stdin>: no \"<U>\" frame\n", "<B></B>"},
    };
    ExpectAll(rows, [](const Row& row, const Row& r) {  // the JSON's parents are GetParent's
        if (row.args != "dump --json -") return;
        CKORU_Parser parser;
        koru_test::Parse(parser, row.input);
        const std::vector<CKORU_ItemNode*> list(parser.GetMainList()->begin(), parser.GetMainList()->end());
        const nlohmann::json nodes = nlohmann::json::parse(r.out)["nodes"];
        ASSERT_EQ(nodes.size(), list.size());
        for (size_t i = 0; i < list.size(); ++i) {
            const auto at = std::find(list.begin(), list.end(), parser.GetParent(list[i]));
            EXPECT_EQ(nodes[i]["parent"], at == list.end() ? nlohmann::json() : nlohmann::json(at - list.begin()));
        }
    });
}

TEST(Cli, Check) {
    const std::string in = "check -", deep = Repeat("<X>", 32767) + Repeat("</X>", 32767);
    const std::string good = "<U><B N=a></B></U>", unknown = "<U><X></X></U>", wide = std::string(200, ' ');
    const std::string unclosed = "<stdin>:1:4: error: start statement <B> is never closed by an end statement of its "
                                 "own name [unclosed-start]\n<U><B></U>\n   ^\n<stdin>:1:7: note: </U> closes it\n"
                                 "<U><B></U>\n      ^\n";
    const Row rows[] = {
        {"good documents say nothing", in, 0, "", "", good},
        {"no frame: no place, no line", in, 1, "<stdin>: error: no \"<U>\" frame [no-frame]\n", "", "<B>\n</B>\n"},
        {"the line and a caret", in, 1,
         "...<stdin>:2:3: error: a second \"<U>\" before \"</U>\" [second-frame-start]\n  <U>\n  ^\n", "",
         "<U>\n  <U>\n</U>"},
        {"tabs kept, one blank per UTF-8 character, no CR", in, 1, "...<stdin>:2:5: ...\n\t\xc3\xa9 <U>\n\t  ^\n", "",
         "<U>\r\n\t\xc3\xa9 <U>\r\n</U>"},
        {"a long line shown around the column", in, 1,
         "...<stdin>:1:204: ...\n..." + std::string(153, ' ') + "<U></U>\n" + std::string(156, ' ') + "^\n", "",
         "<U>" + wide + "<U></U>"},
        {"a note with its own line and caret", in, 1, unclosed, "", "<U><B></U>"},
        {"files in order, an unreadable one skipped", "check LICENSE no/such -", 2,
         "LICENSE: error: no \"<U>\" frame [no-frame]\n" + unclosed,
         "koru: cannot read no/such: No such file or directory\n", "<U><B></U>"},
        {"json: one array, end and note keys when set", "check --format=json LICENSE -", 1,
         R"([{"code":"no-frame","column":0,"file":"LICENSE","line":0,"message":"no \"<U>\" frame",)"
         R"("refusal":"no-frame","severity":"error"},{"code":"unclosed-start","column":4,"end_column":6,"end_line":1,)"
         R"("file":"<stdin>","line":1,"message":"start statement <B> is never closed by an end statement of its own )"
         R"(name","note":"</U> closes it","note_column":7,"note_line":1,"refusal":"unbalanced","severity":"error"}])",
         "", "<U><B></U>"},
        {"json: nothing found", "check --format=json -", 0, "[]", "", good},
        {"a warning alone passes", in, 0, "<stdin>:1:5: warning: unknown tag X [unknown-tag]\n" + unknown + "\n    ^\n",
         "", unknown},
        {"--strict: warnings are errors", "check --strict -", 1, "<stdin>:1:5: error: unknown tag X [unknown-tag]\n...",
         "", unknown},
        {"-W error: the same", "check -Werror -", 1, "<stdin>:1:5: error: unknown tag X [unknown-tag]\n...", "",
         unknown},
        {"json: --strict", "check --format=json -W error -", 1, R"(...,"severity":"error"}])", "", unknown},
        {"--disable: comma lists", "check --disable other,unknown-tag --strict -", 0, "", "", unknown},
        {"--tags: comma lists, repeated", "check --tags Y,x --tags Z --strict -", 0, "", "", unknown},
        {"-W takes only error", "check -W all -", 2, "", "-W: all not in {error}\n..."},
        {"unknown output format", "check --format=xml -", 2, "", "--format: xml not in {text,json}\n..."},
        {"past max(8 MiB, 100 x source)", in, 1, "<stdin>...: macro expansion exceeds the expansion bound...", "",
         Expanding(10000, 1000)},
        {"32768 levels", "check --tags x -", 1, "<stdin>...: nesting deeper than 32767 levels...", "",
         "<U>" + deep + "</U>"},
    };
    ExpectAll(rows);
}

TEST(Cli, Query) {
    // Places count in the page as written, macro references unexpanded.
    const std::string search = "10:5: C (level 3) N=search HREF=\"https://shop.example/spring/search\" W=200\n";
    const std::string basket = "16:5: C (level 3) N=basket W=80 COUNT=0\n", page = "query examples/page.koru ";
    const std::string placed = "<U>\n<B>\n\t<C N=a></C>\n</B>\n</U>";
    const Row rows[] = {
        {"by tag, case ignored", page + "--tag c", 0, search + basket},
        {"by tag and name", page + "--tag C --name basket", 0, basket},
        {"children of a parent", page + "--tag A --parent-tag C --parent-name search", 0,
         "11:7: A (level 4) N=label V=\"Search the catalogue\"\n12:7: A (level 4) N=hint V=\"Type \"red\" or \"blue\"\"\n"},
        {"level with parent: any depth", page + "--tag E --level 4 --parent-tag B --parent-name order",
         0, "13:7: E (level 4) T=click ACTION=submit\n18:7: E (level 4) T=click ACTION=open TARGET=basket\n"},
        {"link targets, inherited from the body", page + "--tag C --href", 0,
         "https://shop.example/spring/search\nhttps://shop.example/spring/order\n"},
        {"no match: grandchildren", page + "--tag E --parent-tag B --parent-name order", 1, ""},
        {"no match: level", page + "--tag C --level 4", 1, ""},
        {"no match: highest level", page + "--tag C --level 32767", 1, ""},
        {"no match: lowest level", page + "--tag C --level=-32768", 1, ""},
        {"no match: tag", page + "--tag Z", 1, ""},
        {"no match: name, href", page + "--tag C --name nothing --href", 1, ""},
        {"unknown parent", page + "--tag A --parent-tag C --parent-name nothing", 1, "",
         "koru query: no C node named \"nothing\"\n"},
        {"place in the file, tabs counting one", "query - --tag c", 0, "3:2: C (level 3) N=a\n", "", placed},
        {"no place for a node macro expansion made", "query - --tag C", 0, "C (level 3)\n", "",
         "<MACRO>X:<C></C>??</MACRO>\n<U><B>&X;</B></U>"},
        {"any tag: by name", page + "--name basket", 0, basket},
        {"any tag: children of a parent", page + "--attr N=label --parent-tag C --parent-name basket", 0,
         "17:7: A (level 4) N=label V=Basket\n"},
        {"attributes: names as GetValue takes them, all must match", page + "--attr action=submit --attr T=click",
         0, "13:7: E (level 4) T=click ACTION=submit\n"},
        {"attributes: values as GetValue gives them", page + "--attr 'V=Type \"red\" or \"blue\"' --tag A", 0,
         "12:7: A (level 4) N=hint V=\"Type \"red\" or \"blue\"\"\n"},
        {"one value of each match", page + "--tag C --value w --attr N=search --attr HREF=" +
         "https://shop.example/spring/search", 0, "200\n"},
        {"values", page + "--tag A --value V", 0, "Search the catalogue\nType \"red\" or \"blue\"\nBasket\n"},
        {"json: places, attributes and the value", "query - --attr N=a --json --value X", 0,
         R"([{"attributes":{"N":"a"},"column":2,"level":3,"line":3,"tag":"C","value":""}])", "", placed},
        {"json: no match", page + "--tag Z --json", 1, "[]"},
    };
    ExpectAll(rows);
}

TEST(Cli, Merge) {
    const Row rows[] = {
        // LANG added, T kept without --overwrite; in the search control IEN T=enter
        // removed the EN, A N=help and E T=focus came after; a new control and form.
        {"the page merged with its fragment", "merge examples/page.koru examples/fragment.koru", 0,
         "<U>\n  <B N=order HREF=https://shop.example/spring/order T=\"Spring catalogue\" LANG=en>\n...blue\"\"></A>\n"
         "      <E T=click ACTION=submit></E>\n      <A N=help V=\"Names, colours, sizes\"></A>\n"
         "      <E T=focus ACTION=clear></E>\n    </C>\n...    <C N=help HREF=https://shop.example/spring/help>\n"
         "...  <F ID=newsletter HREF=https://shop.example/spring/subscribe>\n    <FD ID=newsletter N=email></FD>\n..."},
        {"json: 17 nodes, the new form last", "merge --json examples/page.koru examples/fragment.koru", 0,
         R"(...{"HREF":"https://shop.example/spring/subscribe","ID":"newsletter"},"index":16,"level":2,)"
         R"("parent":null,"tag":"F","words":1}]})"},
        {"several fragments, --overwrite", "merge --overwrite examples/page.koru examples/fragment.koru -", 0,
         "<U>\n  <B N=order HREF=https://shop.example/spring/order T=Autumn LANG=en>\n    <C N=search...W=240>\n...",
         "", "<U><B N=order T=Autumn></B></U>"},
        {"stops at a refused fragment", "merge examples/page.koru -", 1, "",
         "<stdin>:1:1: start and end statements do not balance (2 start, 1 end)\n", "<U>\n<B></U>"},
    };
    ExpectAll(rows, [](const Row& row, const Row& r) {  // the written KORU reads back to the same nodes
        if (row.args.find("--json") != std::string::npos) return;
        EXPECT_EQ(Koru("dump --json -", r.out).out, Koru("merge --json" + row.args.substr(5), row.input).out);
    });
}

TEST(Cli, Update) {
    const std::string basket = "C (level 3) N=basket W=80 COUNT=3 LABEL=\"3 items\"\n";
    const std::string wishlist = "C (level 3) N=wishlist HREF=\"https://shop.example/spring/wishlist\"\n";
    const std::string file = ::testing::TempDir() + "koru_update_" + std::to_string(getpid()) + ".koru";
    const std::string doc = "update examples/page.koru ", body =
        "B (level 2) N=order HREF=\"https://shop.example/spring/order\" T=\"Spring catalogue\" STATUS=open\n";
    const Row rows[] = {
        {"the rebuilt nodes", doc + "examples/update.koru", 0, basket + wishlist + body},
        {"with their new values", doc + "examples/update.koru --new-values", 0,
         basket + "  new values: N=basket COUNT=3 LABEL=3 items\n" + wishlist +
             "  new values: N=wishlist HREF=https://shop.example/spring/wishlist\n" + body +
             "  new values: STATUS=open\n"},
        {"unbalanced", doc + "-", 1, "", "<stdin>:2:1: start and end statements do not balance (2 start, 1 end)\n",
         "<C N=a></C>\n<C N=b>"},
        {"no new values", doc + "- --new-values", 0, "B (level 2) N=order...\n  new values: (none)\n", "", "<B></B>"},
        {"no statement", doc + "-", 1, "", "<stdin>: no statement\n", "no statements here"},
        // These rows write one file in turn.
        {"-o: the updated document written too", doc + "- -o " + file + " && cat " + file, 0,
         "C (level 3) N=basket W=80 COUNT=5\n<U>\n  <B N=order...\n    <C N=basket W=80 COUNT=5>\n...</U>\n", "",
         "<C N=basket COUNT=5></C>"},
        {"--write: rewritten", "update " + file + " - --write && cat " + file, 0,
         "C (level 3) N=basket W=80 COUNT=6\n<U>\n...    <C N=basket W=80 COUNT=6>\n...</U>\n", "",
         "<C N=basket COUNT=6></C>"},
        {"--write: refused, left as it was", "update " + file + " - --write; cat " + file, 0,
         "<U>\n...    <C N=basket W=80 COUNT=6>\n...</U>\n", "<stdin>: no statement\n", "none"},
        {"-o -: the document alone", "update " + file + " - -o -", 0, "<U>\n...<C N=basket W=80 COUNT=7>\n...</U>\n",
         "", "<C N=basket COUNT=7></C>"},
        {"--write: not standard input", "update - " + file + " --write", 2, "",
         "--write: standard input (-) cannot be rewritten\n..."},
        {"--write with -o", "update a b --write -o c", 2, "", "--write excludes --output\n..."},
    };
    ExpectAll(rows);
    std::remove(file.c_str());
}

TEST(Cli, Format) {
    const std::string file = ::testing::TempDir() + "koru_format_" + std::to_string(getpid()) + ".koru";
    const std::string quoted = "<U><B V=\"a b\" W=\"x\" X=\"\"></B><C></C></U>", refused = "<U><B></U>";
    const std::string normalized = "<U>\n  <B V=\"a b\" W=x X=\"\"></B>\n  <C></C>\n</U>\n";
    const std::string laid = "<U>\n    <B V=\"a b\" W=x X=\"\"></B>\n    <C></C>\n</U>\n";
    const std::string unclosed = "<stdin>:1:4: error: start statement <B> is never closed...\n";
    const Row rows[] = {
        {"one statement per line, blanks between them changed only", "format -", 0,
         "<!-- a -->\n<U>\n  <B N=\"x\">\n    <C></C>\n  </B>\n</U> tail", "",
         "<!-- a --><U><B N=\"x\">   <C></C></B></U> tail"},
        {"--indent", "format --indent 0 -", 0, "<U>\n<B>\n<C></C>\n</B>\n</U>", "", "<U><B><C></C></B></U>"},
        {"--normalize: the writer's layout", "format --normalize examples/page.koru", 0,
         "<U>\n  <B N=order HREF=https://shop.example/spring/order T=\"Spring catalogue\">\n...\n"
         "    <C N=basket W=80 COUNT=0>\n      <A N=label V=Basket></A>\n..."},
        {"--normalize: the empty statement", "format --normalize -", 0, "<U>\n  <B>\n    <></>\n  </B>\n</U>\n", "",
         "<U><B><></></B></U>"},
        {"--normalize: quotes kept only where needed", "format --normalize -", 0, normalized, "", quoted},
        // These rows work on one file in turn.
        {"-o: written to the file", "format --normalize - -o " + file + " && cat " + file, 0, normalized, "", quoted},
        {"--check: the files not laid out", "format --check --indent 4 " + file, 1, file + "\n"},
        {"--in-place", "format --in-place --indent 4 " + file + " && cat " + file, 0, laid},
        {"--check: laid out", "format --check --indent 4 " + file, 0, ""},
        {"--check: refused", "format --check --indent 4 - " + file, 1, "", unclosed + "...", refused},
        {"-o: nothing written for a refused file", "format - -o " + file + "; cat " + file, 0, laid,
         unclosed + "...", refused},
        {"refused: reported as check does", "format -", 1, "", unclosed + refused + "\n   ^\n...", refused},
        {"-o: a file that cannot be written", "format - -o /nonexistent/x", 2, "",
         "koru: cannot write /nonexistent/x: No such file or directory\n", "<U></U>"},
        {"several files without --in-place or --check", "format a b", 2, "", "FILE: one file only, unless...\n..."},
        {"-o with --check", "format -o x --check a", 2, "", "--output excludes --check\n..."},
        {"--in-place with standard input", "format -i -", 2, "", "--in-place: standard input (-) cannot be...\n..."},
        {"--normalize with --indent", "format --normalize --indent 4 a", 2, "", "--indent excludes --normalize\n..."},
        {"indent above 16", "format --indent 17 a", 2, "", "--indent: Value 17 not in range 0 to 16\n..."},
    };
    ExpectAll(rows, [](const Row& row, const Row& r) {
        if (row.args.rfind("format --normalize", 0) != 0 || row.args.find(" -o ") != std::string::npos) return;
        EXPECT_EQ(Koru("format --normalize -", r.out).out, r.out);  // stable
        // Values may change form; what GetValue gives stays.
        EXPECT_EQ(Koru("dump --json -", r.out).out, Koru("dump --json" + row.args.substr(18), row.input).out);
    });
    std::remove(file.c_str());
}

TEST(Cli, Expand) {
    const Row rows[] = {
        {"references replaced, macro block and tail cut", "expand -", 0, "\n<U><B N=1 V=\"1 1\"></B></U>\n", "",
         "<MACRO>X:1??</MACRO>\n<U><B N=&X; V=\"&X; &X;\"></B></U>\ntail\n"},
        {"the page", "expand examples/page.koru", 0,
         "\n<!-- The order page...\n  <B N=order HREF=\"https://shop.example/spring/order\" T=\"Spring catalogue\">\n...</U>\n"},
        {"refused: reported as check does", "expand -", 1, "",
         "<stdin>:2:3: error: a second \"<U>\" before \"</U>\" [second-frame-start]\n  <U>\n  ^\n", "<U>\n  <U>\n</U>"},
    };
    ExpectAll(rows);
}

TEST(Cli, EncodeAndDecode) {
    const Row rows[] = {
        {"encode", "encode 'a b+c/x'", 0, "a+b%2bc%2fx\n"},
        {"decode, either case", "decode 'a+b%2Bc%2fx'", 0, "a b+c/x\n"},
    };
    ExpectAll(rows);
}

}  // namespace
