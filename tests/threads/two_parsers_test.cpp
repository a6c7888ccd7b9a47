// Two parsers on two threads at once: each parses, merges, updates and queries
// its own document while URIEncode and URIDecode run on both threads. Built
// with ThreadSanitizer in CI, this shows the library shares no mutable state
// between parsers; the results also have to be the same on both threads.
#include <koru/koru.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace {

struct Outcome {
    int controls = 0;
    int events = 0;
    std::string bodyHRef;
    std::string lastValue;
    bool uriRoundTrips = true;
    bool accepted = true;
};

int Count(const CKORU_Parser& parser, const char* tag) {
    int n = 0;
    for (CKORU_ItemNode* node : *parser.GetMainList()) n += node->m_TagName == tag ? 1 : 0;
    return n;
}

// One thread's work; `seed` only changes the texts, never the shapes.
Outcome Work(int seed, std::atomic<int>& ready) {
    Outcome out;
    ready.fetch_add(1);
    while (ready.load() < 2) std::this_thread::yield();  // start together

    const std::string tag = std::to_string(seed);
    CKORU_Parser parser;
    CString document("<MACRO>H:site" + tag + "??" "</MACRO><U><B HREF=&H;><C N=a><E T=1></E></C></B></U>");
    out.accepted = parser.DoParsingProc(document, 0) == 1;
    for (int round = 0; round < 200 && out.accepted; ++round) {
        const std::string n = std::to_string(round % 20);
        CString fragment("<U><B><C N=c" + n + " V=\"" + tag + " " + n + "\"><E T=" + n + "></E></C></B></U>");
        out.accepted = parser.DoParsingProc(fragment, 1) == 1;
        CKORU_Parser::NodeList* rebuilt =
            parser.UpdateParser(nullptr, CString("<C N=a X=" + n + "><IE T=1></IE></C>"), 1);
        if (rebuilt) parser.ReleaseNodeList(rebuilt);
        if (CKORU_Parser::NodeList* controls = parser.GetNodeList(nullptr, CString("C"), nullptr))
            parser.ReleaseNodeList(controls);
        CKORU_ItemNode* control = parser.GetNode(nullptr, CString("C"), CString(("c" + n).c_str()));
        if (control) {
            out.lastValue = parser.GetValue(CString("V"), control).Str();
            (void)parser.GetCtrlHRef(control);
            (void)CKORU_Parser::MakeStatement(control);
        }
        // The result buffers are per thread: each result is checked before the
        // other thread could have overwritten a shared one.
        const std::string text = "x y+" + tag + "/" + n + "\x01\xfe";
        const std::string encoded = URIEncode(text.c_str());
        out.uriRoundTrips = out.uriRoundTrips && std::string(URIDecode(encoded.c_str())) == text;
    }
    out.controls = Count(parser, "C");
    out.events = Count(parser, "E");
    out.bodyHRef = parser.GetBodyHRef().Str();
    return out;
}

TEST(TwoThreads, ParsersWorkAtTheSameTime) {
    std::atomic<int> ready{0};
    Outcome first, second;
    std::thread a([&] { first = Work(1, ready); });
    std::thread b([&] { second = Work(2, ready); });
    a.join();
    b.join();
    for (const Outcome* o : {&first, &second}) {
        EXPECT_TRUE(o->accepted);
        EXPECT_TRUE(o->uriRoundTrips);
        EXPECT_EQ(o->controls, 21);  // a and c0 to c19
        EXPECT_EQ(o->events, 200);   // one per fragment; the update removed a's T=1
    }
    EXPECT_EQ(first.bodyHRef, "site1");
    EXPECT_EQ(second.bodyHRef, "site2");
    EXPECT_EQ(first.lastValue, "1 19");
    EXPECT_EQ(second.lastValue, "2 19");
}

TEST(TwoThreads, UriBuffersArePerThread) {
    // A result taken on one thread stays intact while the other thread encodes.
    std::atomic<int> ready{0};
    std::atomic<bool> intact{true};
    auto run = [&](const std::string& text) {
        const char* mine = URIEncode(text.c_str());
        const std::string copy = mine;
        ready.fetch_add(1);
        while (ready.load() < 2) std::this_thread::yield();
        for (int i = 0; i < 2000; ++i) {
            const std::string other = URIDecode(("%41" + std::to_string(i)).c_str());
            if (other != "A" + std::to_string(i)) intact = false;
        }
        if (copy != mine) intact = false;
    };
    std::thread a(run, std::string("first text"));
    std::thread b(run, std::string("second; text"));
    a.join();
    b.join();
    EXPECT_TRUE(intact.load());
}

}  // namespace
