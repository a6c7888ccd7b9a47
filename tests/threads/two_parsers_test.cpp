// Two parsers on two threads at once: each parses, merges, updates and queries
// its own document while both threads encode and decode URIs. Built with
// ThreadSanitizer in CI, this shows that parsers share no mutable state and that
// the URIEncode/URIDecode result buffers are per thread.
#include <koru/koru.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "common/koru_test.h"

namespace {

using koru_test::Own;
using koru_test::Parse;

// One thread's work; what it ends with, as text. `seed` changes the texts, never the shapes.
std::string Work(const std::string& seed, std::atomic<int>& ready) {
    const char* const first = URIEncode(("first " + seed).c_str());  // kept while the other thread encodes
    const std::string kept = first;
    ready.fetch_add(1);
    while (ready.load() < 2) std::this_thread::yield();  // start together, after both encoded
    std::string faults = kept == first ? "" : "buffer ", value;

    CKORU_Parser parser;
    int controls = 0, events = 0;
    int accepted = Parse(parser, "<MACRO>H:site" + seed + "??</MACRO><U><B HREF=&H;><C N=a><E T=1></E></C></B></U>");
    for (int round = 0; round < 200; ++round) {
        const std::string n = std::to_string(round % 20), text = "x y+" + seed + "/" + n + "\x01\xfe";
        const std::string control = "<C N=c" + n + " V=\"" + seed + " " + n + "\"><E T=" + n + "></E></C>";
        accepted += Parse(parser, "<U><B>" + control + "</B></U>", 1);
        Own(parser, parser.UpdateParser(nullptr, CString("<C N=a X=" + n + "><IE T=1></IE></C>"), 1));
        controls = Own(parser, parser.GetNodeList(nullptr, CString("C"), nullptr))->GetCount();
        events = Own(parser, parser.GetNodeList(nullptr, CString("E"), nullptr))->GetCount();
        CKORU_ItemNode* found = parser.GetNode(nullptr, "C", ("c" + n).c_str());
        value = parser.GetValue("V", found).Str() + " | " + parser.GetCtrlHRef(found).Str() + " | " +
                CKORU_Parser::MakeStatement(found).Str();
        // Each result is checked before the other thread could overwrite a shared buffer.
        const std::string encoded = URIEncode(text.c_str());
        if (URIDecode(encoded.c_str()) != text) faults += "URI ";
    }
    return faults + std::to_string(accepted) + " accepted, C=" + std::to_string(controls) + " E=" +
           std::to_string(events) + " | " + value + " | a: X=" +
           parser.GetValue("X", parser.GetNode(nullptr, "C", "a")).Str();
}

TEST(TwoThreads, ParsersAndUriBuffersWorkAtTheSameTime) {
    std::atomic<int> ready{0};
    std::string first, second;
    std::thread a([&] { first = Work("1", ready); });
    std::thread b([&] { second = Work("2", ready); });
    a.join();
    b.join();
    // Controls a and c0 to c19; one E per fragment, as the update removed a's T=1
    // and set its X; the last control's value, link target (the body's, from the
    // macro) and statement.
    EXPECT_EQ(first, "201 accepted, C=21 E=200 | 1 19 | site1 | C= N=c19 V=\"1 19\"  | a: X=19");
    EXPECT_EQ(second, "201 accepted, C=21 E=200 | 2 19 | site2 | C= N=c19 V=\"2 19\"  | a: X=19");
}

}  // namespace
