// Random documents, fragments and updates, merged both by the library and by
// a plain model that walks its lists from the head for every lookup, as the
// merge rules read. The two must agree on every node, level, attribute table
// and new-value table, and on the nodes an update returns.
#include "merge/merge_test.h"

#include <random>

using namespace koru_test;

namespace {

// ---------------------------------------------------------------------------
// The model: nodes in vectors, walked from the head for every lookup
// ---------------------------------------------------------------------------

// Attribute tables are the library's own ordered map, whose rules the support tests pin down.
using Map = CMapStringToString;
struct MNode { std::string tag; int level; Map attrs, newValues; bool gone = false; };
using Ptr = std::shared_ptr<MNode>;
using MList = std::vector<Ptr>;

// One pair of quotes removed: the first byte, then the last quote and what follows it.
std::string Unquote(const std::string& v) { return v.empty() || v[0] != '"' ? v : v.substr(1, v.rfind('"') - 1); }
std::string ValueOf(const Ptr& n, const char* key) { CString v; n->attrs.Lookup(key, v); return Unquote(v.Str()); }
Ptr Copy(const Ptr& n) { return std::make_shared<MNode>(MNode{n->tag, n->level, n->attrs, Map()}); }
size_t IndexIn(const MList& list, const Ptr& n) { return std::find(list.begin(), list.end(), n) - list.begin(); }

MList FromList(const NodeList* list) {
    MList out;
    for (CKORU_ItemNode* n : *list)
        out.push_back(
            std::make_shared<MNode>(MNode{n->m_TagName.Str(), n->m_Level, n->m_AttrTable, n->m_NewValueTable}));
    return out;
}

std::string Dump(const MList& list) {
    std::string out;
    for (const Ptr& n : list)
        out += n->tag + ' ' + std::to_string(n->level) + " {" + Table(n->attrs) + "} nv{" + Table(n->newValues) + "}\n";
    return out;
}

struct Model {
    MList main, sub;
    int overwrite = 0, newValue = 0;

    // The nodes nested in `parent` whose level is `level`, in list order.
    static MList Nested(const MList& list, const Ptr& parent, int level) {
        MList out;
        for (size_t i = IndexIn(list, parent); i < list.size() && i-- > 0 && list[i]->level > parent->level;)
            if (list[i]->level == level) out.insert(out.begin(), list[i]);
        return out;
    }
    // The single B node, or null.
    static Ptr Body(const MList& list) {
        auto isBody = [](const Ptr& n) { return n->tag == "B"; };
        if (std::count_if(list.begin(), list.end(), isBody) != 1) return nullptr;
        return *std::find_if(list.begin(), list.end(), isBody);
    }
    Ptr FirstControl(const std::string& name) {
        for (const Ptr& n : main)
            if (n->tag == "C" && ValueOf(n, "N") == name) return n;
        return nullptr;
    }
    void InsertBefore(const Ptr& at, const Ptr& n) { main.insert(main.begin() + IndexIn(main, at), n); }

    void Assign(const Ptr& src, const Ptr& tgt) {
        for (int i = 0; i < src->attrs.GetCount(); ++i) {
            const CString& key = src->attrs.KeyAt(i);
            const std::string& value = src->attrs.ValueAt(i).Str();
            const bool present = tgt->attrs.PLookup(key.View());
            if (present && !overwrite) continue;
            tgt->attrs.SetAt(key, CString(value));
            if (newValue && (!present || !value.empty())) tgt->newValues.SetAt(key, CString(Unquote(value)));
        }
    }
    void DeleteRun(const Ptr& n) {
        size_t last = IndexIn(main, n), first = last;
        while (first > 0 && main[first - 1]->level > n->level) --first;
        for (size_t k = first; k <= last; ++k) main[k]->gone = true;
        main.erase(main.begin() + first, main.begin() + last + 1);
    }
    void Rebuild(const Ptr& parent, const MList& fragmentChildren, const MList& documentChildren) {
        for (const Ptr& child : fragmentChildren) {
            const std::string& tag = child->tag;
            if (tag == "A") {
                std::string name = ValueOf(child, "N");
                Ptr match;
                for (const Ptr& d : documentChildren)
                    if (!match && !name.empty() && !d->gone && d->tag == "A" && ValueOf(d, "N") == name) match = d;
                if (match) Assign(child, match);
                else InsertBefore(parent, Copy(child));
            } else if (tag == "IA" || tag == "IE" || tag == "IEN" || tag == "IM") {
                for (const Ptr& d : Nested(main, parent, parent->tag == "B" ? 3 : 4))
                    if (ValueOf(d, "T") == ValueOf(child, "T") && d->tag == tag.substr(1)) DeleteRun(d);
            } else {  // an event node, copied with its nested run
                InsertBefore(parent, Copy(child));
                size_t at = IndexIn(main, parent) - 1;
                for (size_t i = IndexIn(sub, child); i-- > 0 && sub[i]->level > child->level;)
                    main.insert(main.begin() + at, Copy(sub[i]));
            }
        }
    }
    Ptr RebuildBody() {
        Ptr fb = Body(sub), db = Body(main);
        if (!fb || !db) return nullptr;
        Assign(fb, db);
        MList fch = Nested(sub, fb, fb->level + 1);
        fch.erase(std::remove_if(fch.begin(), fch.end(), [](const Ptr& n) { return n->tag == "C"; }), fch.end());
        Rebuild(db, fch, Nested(main, db, db->level + 1));
        return db;
    }
    // Inserts `fc` before the last level-2 body with a B key when the document lacks it, then rebuilds.
    Ptr MergeControl(const Ptr& fc) {
        for (size_t i = main.size(); i > 0 && !FirstControl(ValueOf(fc, "N")); --i)
            if (main[i - 1]->level == 2 && main[i - 1]->tag == "B" && main[i - 1]->attrs.PLookup("B"))
                InsertBefore(main[i - 1], Copy(fc));
        Ptr dc = FirstControl(ValueOf(fc, "N"));
        if (!dc) return nullptr;
        Assign(fc, dc);
        Rebuild(dc, Nested(sub, fc, 4), Nested(main, dc, 4));
        return dc;
    }
    // Each outermost form leaves the fragment with its nested run; the runs are
    // appended in fragment order, shifted to the form level, or dropped.
    void MoveForms() {
        auto form =
            std::find_if(main.begin(), main.end(), [](const Ptr& n) { return n->level <= 3 && n->attrs.PLookup("F"); });
        const int level = form == main.end() ? -1 : (*form)->level;
        std::vector<MList> runs;
        for (size_t i = sub.size(); i-- > 0;) {
            Ptr f = sub[i];
            if (f->level > 3 || f->tag != "F" || !f->attrs.PLookup("F")) continue;
            size_t first = i;
            while (first > 0 && sub[first - 1]->level > f->level) --first;
            runs.emplace(runs.begin(), sub.begin() + first, sub.begin() + i + 1);
            sub.erase(sub.begin() + first, sub.begin() + i + 1);
            i = first;
        }
        for (const MList& run : runs)
            for (const Ptr& n : run)
                if (level >= 0) {
                    main.push_back(Copy(n));
                    main.back()->level += level - run.back()->level;
                }
    }
    // A fragment: forms, the body, then each control. An update batch (a single
    // body or control with nothing of either kind nested): controls, then the
    // body. The nodes rebuilt, in order.
    MList Merge(bool update) {
        MList result;
        if (!update) MoveForms();
        Ptr body = update ? nullptr : RebuildBody();
        for (const Ptr& n : MList(sub))
            if (Ptr r = n->tag == "C" ? MergeControl(n) : nullptr) result.push_back(r);
        if (update && (body = RebuildBody())) result.push_back(body);
        sub.clear();
        return result;
    }
    // The places of the nodes rebuilt that are still there, as Places gives them.
    std::string Places(const MList& rebuilt) const {
        std::string places;
        for (const Ptr& n : rebuilt)
            if (!n->gone) places += (places.empty() ? "" : " ") + std::to_string(IndexIn(main, n));
        return places;
    }
};

// ---------------------------------------------------------------------------
// Random texts
// ---------------------------------------------------------------------------

struct Generator {
    std::mt19937 rng;
    int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); }
    bool Chance(int percent) { return Pick(100) < percent; }

    // ` NAME=value` pairs drawn from a few names.
    std::string Attributes(bool named) {
        std::string out;
        if (named && Chance(85)) out += " N=" + std::string(Chance(50) ? "a" : Chance(50) ? "b" : "c");
        static const char* names[] = {"T", "X", "Y", "HREF"};
        static const char* values[] = {"a", "b", "\"a\"", "\"\"", "\"x y\"", "1", "07", "7"};
        for (int i = 0, n = Pick(3); i < n; ++i) out += std::string(" ") + names[Pick(4)] + "=" + values[Pick(8)];
        return out;
    }
    std::string Item(const std::string& tag, bool named, const std::string& inner) {
        return "<" + tag + Attributes(named) + ">" + inner + "</" + tag + ">";
    }
    // Children of a control or of the body. `controls`: nested controls allowed.
    std::string Children(int depth, bool controls) {
        std::string out;
        // Now and then a long run of A children, so that matching uses its index.
        if (depth == 0 && Chance(25))
            for (int i = 0; i < 18; ++i) out += Item("A", true, "");
        for (int i = 0, n = Pick(4); i < n; ++i) {
            switch (Pick(controls ? 9 : 8)) {
                case 0: case 1: out += Item("A", true, depth < 2 && Chance(20) ? Item("M", false, "") : ""); break;
                case 2: out += Item("E", false, depth < 2 ? Children(depth + 1, controls) : ""); break;
                case 3: out += Item("M", false, ""); break;
                case 4: out += Item("EN", false, ""); break;
                case 5: out += Item(Chance(50) ? "IA" : "IE", false, ""); break;
                case 6: out += Item(Chance(50) ? "IEN" : "IM", false, ""); break;
                case 7: out += Item("F", false, depth < 2 && Chance(50) ? Item("A", true, "") : ""); break;
                default: out += Item("C", true, ""); break;
            }
        }
        return out;
    }
    std::string Document() {
        std::string out = "<U>";
        if (Chance(40)) out += Item("F", false, Chance(50) ? Item("A", true, "") : "");
        std::string body;
        for (int i = 0, n = Pick(5); i < n; ++i)
            body += Chance(75) ? Item("C", true, Children(0, true)) : Children(0, false);
        // Now and then the body one level deeper than usual.
        out += Chance(10) ? Item("X", false, Item("B", false, body)) : Item("B", false, body);
        if (Chance(20)) out += Item("F", false, "");
        if (Chance(5)) out += Item("B", false, "");
        return out + "</U>";
    }
};

// The nodes of `text` parsed alone (what a fragment parse puts in the sub list).
MList Nodes(const std::string& text) {
    CKORU_Parser alone;
    EXPECT_EQ(1, Parse(alone, text)) << text;
    return FromList(alone.GetMainList());
}

TEST(MergeModel, RandomFragmentsAndUpdatesAgreeWithTheModel) {
    for (unsigned seed = 1; seed <= 600; ++seed) {
        Generator gen{std::mt19937(seed)};
        CKORU_Parser parser;
        std::string history = gen.Document();
        ASSERT_EQ(1, Parse(parser, history)) << history;
        Model model{FromList(parser.GetMainList()), {}};
        for (int step = 0; step < 4; ++step) {
            if (gen.Chance(60)) {
                const std::string fragment = gen.Document();
                model.overwrite = gen.Pick(2);
                model.newValue = gen.Pick(2);
                history += "\nfragment " + std::to_string(model.overwrite * 10 + model.newValue) + ": " + fragment;
                SetNewValueFlag(parser, model.newValue);
                ASSERT_EQ(1, Parse(parser, fragment, model.overwrite)) << history;
                model.sub = Nodes(fragment);
                model.Merge(false);
            } else {  // batches, each a control or a body without controls nested in it
                std::string text;
                std::vector<std::pair<bool, std::string>> batches;
                for (int i = 0, n = gen.Chance(70) ? 1 : 2 + gen.Pick(3); i < n; ++i) {
                    const bool body = gen.Chance(30);
                    batches.emplace_back(body, body ? gen.Item("B", false, gen.Children(0, false))
                                                    : gen.Item("C", true, gen.Children(0, false)));
                    text += batches.back().second;
                }
                model.overwrite = 1;
                model.newValue = gen.Pick(2);
                history += "\nupdate " + std::to_string(model.newValue) + ": " + text;
                OwnedList result = Own(parser, parser.UpdateParser(nullptr, CString(text.c_str()), model.newValue));
                MList rebuilt;
                for (const auto& batch : batches) {
                    // The batch's levels: a body at 2, a control at 3 (the wrapping body is dropped).
                    model.sub = Nodes(batch.first ? "<U>" + batch.second + "</U>" : W(batch.second));
                    if (!batch.first) model.sub.pop_back();
                    for (const Ptr& n : model.Merge(true)) rebuilt.push_back(n);
                }
                ASSERT_EQ(model.Places(rebuilt), Places(parser, result.get())) << history;
            }
            ASSERT_EQ(Dump(model.main), Dump(FromList(parser.GetMainList()))) << "seed " << seed << ": " << history;
        }
    }
}

}  // namespace
