// The koru tool, run as a program on files: output, messages and exit status.
#include <koru/koru.h>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Result {
    int status = -1;
    std::string out;
    std::string err;
};

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// Scratch files of this process (CTest runs the tests in parallel, one process
// each), removed when it ends.
struct ScratchFiles {
    std::vector<std::string> paths;
    ~ScratchFiles() {
        for (const std::string& path : paths) std::remove(path.c_str());
    }
};

std::string Scratch(const std::string& name) {
    static ScratchFiles files;
    std::string path = ::testing::TempDir() + "koru_cli_" + std::to_string(getpid()) + "_" + name;
    files.paths.push_back(path);
    return path;
}

void WriteFile(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
}

// Runs `koru ARGS` in the source tree, with `input` on standard input, after the
// shell commands `before` (such as a ulimit).
Result Koru(const std::string& args, const std::string& input = "", const std::string& before = "") {
    const std::string in = Scratch("stdin"), err = Scratch("stderr");
    WriteFile(in, input);
    std::string command =
        "cd '" KORU_SOURCE_DIR "' && " + before + "'" KORU_CLI "' " + args + " < '" + in + "' 2> '" + err + "'";
    Result r;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return r;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) r.out.append(buffer, n);
    int raw = pclose(pipe);
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.err = ReadAll(err);
    return r;
}

// A scratch file holding `text`; returns its path.
std::string Document(const std::string& name, const std::string& text) {
    std::string path = Scratch(name);
    WriteFile(path, text);
    return path;
}

// ---------------------------------------------------------------------------
// Options, help and usage errors
// ---------------------------------------------------------------------------

TEST(Cli, VersionAndHelp) {
    Result version = Koru("--version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, std::string(KoruVersion()) + "\n");

    Result help = Koru("--help");
    EXPECT_EQ(help.status, 0);
    for (const char* command : {"dump", "check", "query", "merge", "update", "format", "encode", "decode"}) {
        EXPECT_NE(help.out.find(command), std::string::npos) << command;
        Result sub = Koru(std::string(command) + " --help");
        EXPECT_EQ(sub.status, 0) << command;
        EXPECT_NE(sub.out.find("Usage"), std::string::npos) << command << ": " << sub.out;
    }
}

TEST(Cli, UsageErrorsExitWithTwo) {
    for (const char* args : {"", "frobnicate", "dump", "dump --bogus examples/page.koru", "check",
                             "query examples/page.koru", "query examples/page.koru --tag C --parent-tag B",
                             "query examples/page.koru --tag C --level x", "merge examples/page.koru",
                             "update examples/page.koru", "encode", "dump a b",
                             // levels are 16-bit; standard input can be read once
                             "query examples/page.koru --tag C --level 32768", "query - --tag C --level=-32769",
                             "query examples/page.koru --tag C --level 65540", "merge - -",
                             "merge - examples/fragment.koru -", "check examples/page.koru - -", "update - -"}) {
        Result r = Koru(args);
        EXPECT_EQ(r.status, 2) << "koru " << args;
        EXPECT_TRUE(r.out.empty()) << "koru " << args << ": " << r.out;
        EXPECT_FALSE(r.err.empty()) << "koru " << args;
    }
}

TEST(Cli, UnreadableFileIsAUsageError) {
    for (const char* args : {"dump no/such/file.koru", "check examples/page.koru examples", "dump /proc/self/mem",
                             "update examples/page.koru examples"}) {
        Result r = Koru(args);
        EXPECT_EQ(r.status, 2) << args;
        EXPECT_TRUE(r.out.empty()) << args;
        const std::string file = std::string(args).substr(std::string(args).rfind(' ') + 1);
        EXPECT_EQ(r.err.rfind("koru: cannot read " + file + ": ", 0), 0u) << args << ": " << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    }
}

TEST(Cli, FailureInsideACommandIsOneLineAndTwo) {
    // 100 MiB of address space, and macros that expand to 200 MiB (within the bound of 100 x the source).
    const std::string limit = "ulimit -v 102400 && ";
    if (Koru("--version", "", limit).status != 0) GTEST_SKIP() << "the tool does not start in 100 MiB (sanitizers)";
    std::string source = "<MACRO>A:" + std::string(100000, 'a') + "</MACRO><U><B>";
    for (int i = 0; i < 2000; ++i) source += "&A;";
    Result r = Koru("check -", source + "</B>" + std::string(2000000, ' ') + "</U>", limit);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "koru: out of memory\n");
}

TEST(Cli, OutputThatCannotBeWrittenIsAFailure) {
    if (access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full";
    Result r = Koru("dump examples/page.koru > /dev/full");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "koru: cannot write the output\n");
}

// ---------------------------------------------------------------------------
// dump
// ---------------------------------------------------------------------------

TEST(Cli, DumpPrintsTheTree) {
    Result r = Koru("dump examples/page.koru");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
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
              "  FD (level 3) ID=checkout N=card\n");
    EXPECT_TRUE(r.err.empty()) << r.err;
}

TEST(Cli, DumpReadsStandardInputAndEscapesControlBytes) {
    Result r = Koru("dump -", "<U><B N=\"a\tb\nc\"></B></U>");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "B (level 2) N=\"a\\tb\\nc\"\n");
}

TEST(Cli, DumpJson) {
    Result r = Koru("dump --json examples/page.koru");
    ASSERT_EQ(r.status, 0) << r.err;
    nlohmann::json doc = nlohmann::json::parse(r.out);
    const auto& nodes = doc.at("nodes");
    ASSERT_EQ(nodes.size(), 12u);
    // Closing order: the first A of the search control comes first, the form last.
    EXPECT_EQ(nodes[0]["tag"], "A");
    EXPECT_EQ(nodes[0]["level"], 4);
    EXPECT_EQ(nodes[0]["parent"], 4);
    EXPECT_EQ(nodes[1]["attributes"]["V"], "Type \"red\" or \"blue\"");  // GetValue: quotes removed
    EXPECT_EQ(nodes[4]["tag"], "C");
    EXPECT_EQ(nodes[4]["parent"], 8);
    EXPECT_EQ(nodes[8]["tag"], "B");
    EXPECT_TRUE(nodes[8]["parent"].is_null());
    EXPECT_EQ(nodes[8]["attributes"]["HREF"], "https://shop.example/spring/order");
    EXPECT_EQ(nodes[8]["words"], 1);
    EXPECT_EQ(nodes[11]["tag"], "F");
    EXPECT_EQ(nodes[11]["attributes"].size(), 2u);
}

TEST(Cli, DumpTextAndJsonShowTheParentsOfGetParent) {
    // An H statement is dropped but its content keeps its level: C N=a has no
    // level-3 node after it in the first row, and in the second it finds the other body's.
    const std::pair<const char*, const char*> rows[] = {
        {"<U><B><H><C N=a></C></H></B></U>", "C (level 4) N=a\nB (level 2)\n"},
        {"<U><B N=1><H><C N=a></C></H></B><B N=2><C N=b></C></B></U>",
         "B (level 2) N=1\nB (level 2) N=2\n  C (level 3) N=b\n    C (level 4) N=a\n"},
    };
    for (const auto& [source, tree] : rows) {
        EXPECT_EQ(Koru("dump -", source).out, tree) << source;
        const nlohmann::json nodes = nlohmann::json::parse(Koru("dump --json -", source).out)["nodes"];
        CKORU_Parser parser;
        CString text(source);
        ASSERT_EQ(parser.DoParsingProc(text, 0), 1);
        std::vector<CKORU_ItemNode*> list(parser.GetMainList()->begin(), parser.GetMainList()->end());
        ASSERT_EQ(nodes.size(), list.size());
        for (size_t i = 0; i < list.size(); ++i) {
            auto parent = std::find(list.begin(), list.end(), parser.GetParent(list[i]));
            EXPECT_EQ(nodes[i]["parent"], parent == list.end() ? nlohmann::json() : nlohmann::json(parent - list.begin()))
                << source << " node " << i;
        }
    }
}

TEST(Cli, DumpOfARefusedDocument) {
    Result r = Koru("dump -", "<B></B>");
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.out.empty());
    EXPECT_EQ(r.err, "<stdin>: no \"<U>\" frame\n");
}

// ---------------------------------------------------------------------------
// check
// ---------------------------------------------------------------------------

TEST(Cli, CheckAcceptsGoodDocumentsSilently) {
    Result r = Koru("check examples/page.koru examples/fragment.koru");
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.out.empty());
    EXPECT_TRUE(r.err.empty()) << r.err;
}

TEST(Cli, CheckNamesLineColumnAndReason) {
    struct Case {
        const char* name;
        const char* text;
        const char* expected;  // after "<file>:"
    };
    const Case cases[] = {
        {"noframe", "<B>\n</B>\n", " no \"<U>\" frame"},
        {"second", "<U>\n  <U>\n</U>", "2:3: a second \"<U>\" before \"</U>\""},
        {"endfirst", "x\n</U><U>", "2:1: \"</U>\" before \"<U>\""},
        {"framecomment", "<U>\n<B></B>\n  <!-- never closed\n</U>", "3:3: \"<!--\" without a closing \"-->\""},
        {"comment", "<U>\n<B !-- note\n></B></U>", "2:1: comment without a closing \"--\""},
        {"macro", "<U>\n<B N=x>MACRO</B></U>", "2:8: \"MACRO\" block without \"/MACRO\""},
        {"nostatement", "<C !-- <U> -->", " no statement"},
        // The first end statement that finds nothing open: the second </B> closes <U>.
        {"extraend", "<U>\n<B></B>\n</B>\n</U>", "4:1: start and end statements do not balance (2 start, 3 end)"},
        {"extrastart", "<U>\n<B>\n</U>", "1:1: start and end statements do not balance (2 start, 1 end)"},
    };
    std::string all;
    for (const Case& c : cases) {
        std::string path = Document(c.name, c.text);
        Result r = Koru("check '" + path + "'");
        EXPECT_EQ(r.status, 1) << c.name;
        EXPECT_EQ(r.err, path + ":" + c.expected + "\n") << c.name;
        all += " '" + path + "'";
    }
    // Several files: one line per refused file, good files say nothing.
    Result r = Koru("check examples/page.koru" + all + " examples/fragment.koru");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), static_cast<long>(std::size(cases))) << r.err;
    EXPECT_EQ(r.err.find("examples/"), std::string::npos) << r.err;
}

TEST(Cli, CheckReportsTheLimits) {
    // Macro expansion past max(8 MiB, 100 x the source).
    std::string source = "<MACRO>A:" + std::string(10000, 'a') + "</MACRO><U><B>";
    for (int i = 0; i < 1000; ++i) source += "&A;";
    source += "</B></U>";
    Result expansion = Koru("check '" + Document("expansion", source) + "'");
    EXPECT_EQ(expansion.status, 1);
    EXPECT_NE(expansion.err.find("macro expansion exceeds the expansion bound"), std::string::npos) << expansion.err;

    // 32767 levels are allowed, one more is not.
    std::string deep = "<U>";
    for (int i = 0; i < 32767; ++i) deep += "<X>";
    for (int i = 0; i < 32767; ++i) deep += "</X>";
    deep += "</U>";
    Result nesting = Koru("check '" + Document("nesting", deep) + "'");
    EXPECT_EQ(nesting.status, 1);
    EXPECT_NE(nesting.err.find("nesting deeper than 32767 levels"), std::string::npos) << nesting.err;
    Result fits = Koru("check -", deep.substr(3, deep.size() - 7));  // without the frame's level
    EXPECT_EQ(fits.status, 1);  // no frame, but not the nesting limit
    EXPECT_EQ(fits.err, "<stdin>: no \"<U>\" frame\n");
}

// ---------------------------------------------------------------------------
// query
// ---------------------------------------------------------------------------

TEST(Cli, QueryByTagNameLevelAndParent) {
    Result controls = Koru("query examples/page.koru --tag c");
    EXPECT_EQ(controls.status, 0) << controls.err;
    EXPECT_EQ(controls.out,
              "C (level 3) N=search HREF=\"https://shop.example/spring/search\" W=200\n"
              "C (level 3) N=basket W=80 COUNT=0\n");

    Result named = Koru("query examples/page.koru --tag C --name basket");
    EXPECT_EQ(named.out, "C (level 3) N=basket W=80 COUNT=0\n");

    Result children = Koru("query examples/page.koru --tag A --parent-tag C --parent-name search");
    EXPECT_EQ(children.out,
              "A (level 4) N=label V=\"Search the catalogue\"\n"
              "A (level 4) N=hint V=\"Type \"red\" or \"blue\"\"\n");

    // A level with a parent reaches below its children.
    Result events = Koru("query examples/page.koru --tag E --level 4 --parent-tag B --parent-name order");
    EXPECT_EQ(events.out, "E (level 4) T=click ACTION=submit\nE (level 4) T=click ACTION=open TARGET=basket\n");
    // Like grep, no match exits with 1.
    for (const char* args : {"--tag E --parent-tag B --parent-name order", "--tag C --level 4", "--tag C --level 32767",
                             "--tag C --level=-32768", "--tag Z", "--tag C --name nothing --href"}) {
        Result none = Koru(std::string("query examples/page.koru ") + args);
        EXPECT_EQ(none.status, 1) << args;
        EXPECT_EQ(none.out, "") << args;
        EXPECT_EQ(none.err, "") << args;
    }
}

TEST(Cli, QueryLinkTargets) {
    Result r = Koru("query examples/page.koru --tag C --href");
    EXPECT_EQ(r.status, 0) << r.err;
    // The basket has no HREF of its own and inherits the body's.
    EXPECT_EQ(r.out, "https://shop.example/spring/search\nhttps://shop.example/spring/order\n");
}

TEST(Cli, QueryWithAnUnknownParent) {
    Result r = Koru("query examples/page.koru --tag A --parent-tag C --parent-name nothing");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "koru query: no C node named \"nothing\"\n");
}

// ---------------------------------------------------------------------------
// merge, update, format
// ---------------------------------------------------------------------------

TEST(Cli, MergeWritesKoruThatReadsBack) {
    Result r = Koru("merge examples/page.koru examples/fragment.koru");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.rfind("<U>\n", 0), 0u) << r.out;
    EXPECT_NE(r.out.find("LANG=en"), std::string::npos);            // added to the body
    EXPECT_NE(r.out.find("T=\"Spring catalogue\""), std::string::npos);  // kept without --overwrite
    EXPECT_NE(r.out.find("<C N=help"), std::string::npos);           // a new control
    EXPECT_EQ(r.out.find("T=enter"), std::string::npos);            // removed by IEN T=enter
    EXPECT_NE(r.out.find("<F ID=newsletter"), std::string::npos);    // an appended form
    EXPECT_NE(r.out.find("<FD ID=newsletter"), std::string::npos);   // with its field

    Result again = Koru("dump -", r.out);
    EXPECT_EQ(again.status, 0) << again.err;
    Result json = Koru("merge --json examples/page.koru examples/fragment.koru");
    ASSERT_EQ(json.status, 0);
    EXPECT_EQ(nlohmann::json::parse(json.out)["nodes"].size(), 17u);
    // The written document holds the same nodes.
    Result reread = Koru("dump --json -", r.out);
    EXPECT_EQ(nlohmann::json::parse(reread.out), nlohmann::json::parse(json.out));
}

TEST(Cli, MergeWithOverwriteAndSeveralFragments) {
    Result r = Koru("merge --overwrite examples/page.koru examples/fragment.koru '" +
                   Document("more", "<U><B N=order T=Autumn></B></U>") + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("T=Autumn"), std::string::npos) << r.out;
}

TEST(Cli, MergeStopsAtARefusedFragment) {
    std::string bad = Document("badfragment", "<U>\n<B></U>");
    Result r = Koru("merge examples/page.koru '" + bad + "'");
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.out.empty());
    EXPECT_EQ(r.err, bad + ":1:1: start and end statements do not balance (2 start, 1 end)\n");
}

TEST(Cli, UpdatePrintsRebuiltNodes) {
    Result plain = Koru("update examples/page.koru examples/update.koru");
    EXPECT_EQ(plain.status, 0) << plain.err;
    EXPECT_EQ(plain.out,
              "C (level 3) N=basket W=80 COUNT=3 LABEL=\"3 items\"\n"
              "C (level 3) N=wishlist HREF=\"https://shop.example/spring/wishlist\"\n"
              "B (level 2) N=order HREF=\"https://shop.example/spring/order\" T=\"Spring catalogue\" STATUS=open\n");

    Result values = Koru("update examples/page.koru examples/update.koru --new-values");
    EXPECT_EQ(values.status, 0) << values.err;
    EXPECT_NE(values.out.find("  new values: N=basket COUNT=3 LABEL=3 items\n"), std::string::npos) << values.out;
    EXPECT_NE(values.out.find("  new values: STATUS=open\n"), std::string::npos) << values.out;
}

TEST(Cli, UpdateRefusals) {
    Result unbalanced = Koru("update examples/page.koru -", "<C N=a></C>\n<C N=b>");
    EXPECT_EQ(unbalanced.status, 1);
    EXPECT_EQ(unbalanced.err, "<stdin>:2:1: start and end statements do not balance (2 start, 1 end)\n");
    Result empty = Koru("update examples/page.koru -", "no statements here");
    EXPECT_EQ(empty.status, 1);
    EXPECT_EQ(empty.err, "<stdin>: no statement\n");
}

TEST(Cli, FormatIsStable) {
    Result once = Koru("format examples/page.koru");
    ASSERT_EQ(once.status, 0) << once.err;
    Result twice = Koru("format -", once.out);
    ASSERT_EQ(twice.status, 0) << twice.err;
    EXPECT_EQ(twice.out, once.out);
    EXPECT_NE(once.out.find("    <C N=basket W=80 COUNT=0>\n"), std::string::npos) << once.out;
    EXPECT_EQ(Koru("format -", "<U><B><></></B></U>").out, "<U>\n  <B>\n    <></>\n  </B>\n</U>\n");  // empty statement
    // Values may change form (quotes are dropped where not needed); what GetValue gives stays.
    EXPECT_EQ(nlohmann::json::parse(Koru("dump --json -", once.out).out),
              nlohmann::json::parse(Koru("dump --json examples/page.koru").out));
}

TEST(Cli, EncodeAndDecode) {
    Result encoded = Koru("encode 'a b+c'");
    EXPECT_EQ(encoded.status, 0);
    EXPECT_EQ(encoded.out, "a+b%2bc\n");
    Result decoded = Koru("decode 'a+b%2Bc'");
    EXPECT_EQ(decoded.status, 0);
    EXPECT_EQ(decoded.out, "a b+c\n");
}

}  // namespace
