// Random documents, fragments and updates, merged both by the library and by
// a plain model that walks its lists from the head for every lookup, as the
// merge rules read. The two must agree on every node, level, attribute table
// and new-value table, and on the nodes an update returns.
#include "query/doc_helpers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

using namespace koru_test;

namespace {

// ---------------------------------------------------------------------------
// The model
// ---------------------------------------------------------------------------

using Pairs = std::vector<std::pair<std::string, std::string>>;

struct ModelNode {
    std::string tag;
    int level = 0;
    Pairs attrs;
    Pairs newValues;
    bool gone = false;
};
using NodePtr = std::shared_ptr<ModelNode>;
using ModelList = std::vector<NodePtr>;

const std::string* Find(const Pairs& pairs, const std::string& key) {
    for (const auto& p : pairs)
        if (p.first == key) return &p.second;
    return nullptr;
}

void Set(Pairs& pairs, const std::string& key, const std::string& value) {
    for (auto& p : pairs)
        if (p.first == key) {
            p.second = value;
            return;
        }
    pairs.emplace_back(key, value);
}

std::string Unquote(std::string v) {
    if (v.empty() || v[0] != '"') return v;
    v.erase(0, 1);
    size_t last = v.rfind('"');
    if (last != std::string::npos) v.erase(last);
    return v;
}

std::string ValueOf(const ModelNode& n, const std::string& key) {
    const std::string* v = Find(n.attrs, key);
    return v ? Unquote(*v) : std::string();
}

NodePtr FromNode(const CKORU_ItemNode* node) {
    auto m = std::make_shared<ModelNode>();
    m->tag = node->m_TagName.GetString();
    m->level = node->m_Level;
    for (int i = 0; i < node->m_AttrTable.GetCount(); ++i)
        m->attrs.emplace_back(node->m_AttrTable.KeyAt(i).GetString(), node->m_AttrTable.ValueAt(i).GetString());
    for (int i = 0; i < node->m_NewValueTable.GetCount(); ++i)
        m->newValues.emplace_back(node->m_NewValueTable.KeyAt(i).GetString(),
                                  node->m_NewValueTable.ValueAt(i).GetString());
    return m;
}

ModelList FromList(const NodeList* list) {
    ModelList out;
    if (list)
        for (CKORU_ItemNode* node : *list) out.push_back(FromNode(node));
    return out;
}

NodePtr Copy(const NodePtr& n) {
    auto c = std::make_shared<ModelNode>();
    c->tag = n->tag;
    c->level = n->level;
    c->attrs = n->attrs;
    return c;
}

size_t IndexIn(const ModelList& list, const NodePtr& n) {
    return static_cast<size_t>(std::find(list.begin(), list.end(), n) - list.begin());
}

struct Model {
    ModelList main;
    ModelList sub;
    int overwrite = 0;
    int newValue = 0;

    // The nodes nested in `parent` whose level is `level`, in list order.
    static ModelList Nested(const ModelList& list, const NodePtr& parent, int level) {
        ModelList out;
        size_t i = IndexIn(list, parent);
        if (i == list.size()) return out;
        while (i > 0) {
            --i;
            if (list[i]->level <= parent->level) break;
            if (list[i]->level == level) out.insert(out.begin(), list[i]);
        }
        return out;
    }

    static NodePtr Body(const ModelList& list) {
        NodePtr body;
        for (const auto& n : list) {
            if (n->tag != "B") continue;
            if (body) return nullptr;
            body = n;
        }
        return body;
    }

    NodePtr FirstControl(const std::string& name) {
        for (const auto& n : main)
            if (n->tag == "C" && ValueOf(*n, "N") == name) return n;
        return nullptr;
    }

    void InsertBefore(const NodePtr& at, const NodePtr& n) { main.insert(main.begin() + IndexIn(main, at), n); }

    void Assign(const NodePtr& src, const NodePtr& tgt) {
        for (const auto& [key, value] : src->attrs) {
            if (Find(tgt->attrs, key)) {
                if (overwrite) {
                    Set(tgt->attrs, key, value);
                    if (newValue && !value.empty()) Set(tgt->newValues, key, Unquote(value));
                }
            } else {
                Set(tgt->attrs, key, value);
                if (newValue) Set(tgt->newValues, key, Unquote(value));
            }
        }
    }

    void DeleteRun(const NodePtr& n) {
        size_t i = IndexIn(main, n);
        if (i == main.size()) return;
        const int level = n->level;
        size_t first = i;
        while (first > 0 && main[first - 1]->level > level) --first;
        for (size_t k = first; k <= i; ++k) main[k]->gone = true;
        main.erase(main.begin() + static_cast<long>(first), main.begin() + static_cast<long>(i) + 1);
    }

    void DeleteByT(const std::string& t, const NodePtr& parent, const std::string& tag) {
        for (const auto& child : Nested(main, parent, parent->tag == "B" ? 3 : 4))
            if (ValueOf(*child, "T") == t && child->tag == tag) DeleteRun(child);
    }

    void EventNode(const NodePtr& parent, const NodePtr& child) {
        NodePtr last = Copy(child);
        InsertBefore(parent, last);
        size_t i = IndexIn(sub, child);
        while (i > 0) {
            --i;
            if (sub[i]->level <= child->level) break;
            NodePtr c = Copy(sub[i]);
            InsertBefore(last, c);
            last = c;
        }
    }

    void Rebuild(const NodePtr& parent, const ModelList& fragmentChildren, const ModelList& documentChildren) {
        for (const auto& child : fragmentChildren) {
            if (child->tag == "A") {
                std::string name = ValueOf(*child, "N");
                NodePtr match;
                if (!name.empty())
                    for (const auto& d : documentChildren)
                        if (!d->gone && d->tag == "A" && ValueOf(*d, "N") == name) {
                            match = d;
                            break;
                        }
                if (match) Assign(child, match);
                else InsertBefore(parent, Copy(child));
            } else if (child->tag == "IA" || child->tag == "IE" || child->tag == "IEN" || child->tag == "IM") {
                DeleteByT(ValueOf(*child, "T"), parent, child->tag.substr(1));
            } else {
                EventNode(parent, child);
            }
        }
    }

    NodePtr RebuildBody() {
        NodePtr fb = Body(sub), db = Body(main);
        if (!fb || !db) return nullptr;
        Assign(fb, db);
        ModelList dch = Nested(main, db, db->level + 1);
        ModelList fch = Nested(sub, fb, fb->level + 1);
        fch.erase(std::remove_if(fch.begin(), fch.end(), [](const NodePtr& n) { return n->tag == "C"; }), fch.end());
        Rebuild(db, fch, dch);
        return db;
    }

    NodePtr RebuildControl(const NodePtr& fc) {
        NodePtr dc = FirstControl(ValueOf(*fc, "N"));
        if (!dc) return nullptr;
        Assign(fc, dc);
        ModelList dch = Nested(main, dc, 4);
        ModelList fch = Nested(sub, fc, 4);
        Rebuild(dc, fch, dch);
        return dc;
    }

    void AddControl(const NodePtr& fc) {
        for (size_t i = main.size(); i > 0; --i) {
            const NodePtr& n = main[i - 1];
            if (n->level == 2 && n->tag == "B" && Find(n->attrs, "B")) {
                InsertBefore(n, Copy(fc));
                return;
            }
        }
    }

    // Each outermost form leaves the fragment with its nested run; the runs are
    // appended in fragment order, shifted to the form level, or dropped.
    void MoveForms() {
        int level = -1;
        for (const auto& n : main)
            if (n->level <= 3 && Find(n->attrs, "F")) {
                level = n->level;
                break;
            }
        std::vector<ModelList> runs;
        for (size_t i = sub.size(); i > 0; --i) {
            NodePtr f = sub[i - 1];
            if (f->level > 3 || f->tag != "F" || !Find(f->attrs, "F")) continue;
            size_t first = i - 1;
            while (first > 0 && sub[first - 1]->level > f->level) --first;
            runs.emplace(runs.begin(), sub.begin() + static_cast<long>(first), sub.begin() + static_cast<long>(i));
            sub.erase(sub.begin() + static_cast<long>(first), sub.begin() + static_cast<long>(i));
            i = first + 1;
        }
        if (level < 0) return;
        for (const ModelList& run : runs)
            for (const NodePtr& n : run) {
                NodePtr c = Copy(n);
                c->level = n->level + level - run.back()->level;
                main.push_back(c);
            }
    }

    void Concate() {
        MoveForms();
        RebuildBody();
        ModelList controls;
        for (const auto& n : sub)
            if (n->tag == "C") controls.push_back(n);
        for (const auto& c : controls) {
            if (!FirstControl(ValueOf(*c, "N"))) AddControl(c);
            RebuildControl(c);
        }
        sub.clear();
    }

    // One update batch holding a single body or control with nothing of
    // either kind nested in it.
    ModelList Batch() {
        ModelList result;
        for (const auto& n : ModelList(sub))
            if (n->tag == "C") {
                if (!FirstControl(ValueOf(*n, "N"))) AddControl(n);
                if (NodePtr r = RebuildControl(n)) result.push_back(r);
            }
        if (NodePtr b = RebuildBody()) result.push_back(b);
        sub.clear();
        return result;
    }
};

std::string Dump(const ModelList& list) {
    std::ostringstream out;
    for (const auto& n : list) {
        out << n->tag << ' ' << n->level << " {";
        for (const auto& [k, v] : n->attrs) out << k << '=' << v << ';';
        out << "} nv{";
        for (const auto& [k, v] : n->newValues) out << k << '=' << v << ';';
        out << "}\n";
    }
    return out.str();
}

// ---------------------------------------------------------------------------
// Random texts
// ---------------------------------------------------------------------------

class Generator {
public:
    explicit Generator(unsigned seed) : m_Rng(seed) {}

    int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(m_Rng); }
    bool Chance(int percent) { return Pick(100) < percent; }

    std::string Value() {
        static const char* values[] = {"a", "b", "\"a\"", "\"\"", "x y", "1", "07", "7"};
        std::string v = values[Pick(8)];
        return v == "x y" ? "\"x y\"" : v;
    }

    // ` NAME=value` pairs drawn from a few names.
    std::string Attributes(bool named) {
        std::string out;
        if (named && Chance(85)) out += " N=" + std::string(Chance(50) ? "a" : Chance(50) ? "b" : "c");
        static const char* names[] = {"T", "X", "Y", "HREF"};
        for (int i = 0, n = Pick(3); i < n; ++i) out += std::string(" ") + names[Pick(4)] + "=" + Value();
        return out;
    }

    std::string Item(const std::string& tag, bool named, const std::string& inner) {
        return "<" + tag + Attributes(named) + ">" + inner + "</" + tag + ">";
    }

    // Children of a control or of the body. `controls`: nested controls allowed.
    std::string Children(int depth, bool controls) {
        std::string out;
        // Now and then a long run of A children, so that matching uses its index.
        if (depth == 0 && Chance(15))
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

    std::string Control(bool nestedControls) { return Item("C", true, Children(0, nestedControls)); }

    std::string Document() {
        std::string out = "<U>";
        if (Chance(40)) out += Item("F", false, Chance(50) ? Item("A", true, "") : "");
        std::string body;
        for (int i = 0, n = Pick(5); i < n; ++i) body += Chance(75) ? Control(true) : Children(0, false);
        out += Item("B", false, body);
        if (Chance(20)) out += Item("F", false, "");
        if (Chance(5)) out += Item("B", false, "");
        return out + "</U>";
    }

private:
    std::mt19937 m_Rng;
};

// Parses `text` alone and gives its nodes as the model sees them (the sub list
// of a fragment parse is what a first parse keeps).
ModelList Nodes(const std::string& text) {
    CKORU_Parser alone;
    EXPECT_EQ(1, Parse(alone, text)) << text;
    return FromList(alone.GetMainList());
}

void SetNewValueFlag(CKORU_Parser& parser, int flag) {
    EXPECT_EQ(nullptr, parser.UpdateParser(nullptr, CString(), flag));
}

TEST(MergeModel, RandomFragmentsAndUpdatesAgreeWithTheModel) {
    for (unsigned seed = 1; seed <= 400; ++seed) {
        Generator gen(seed);
        CKORU_Parser parser;
        const std::string document = gen.Document();
        ASSERT_EQ(1, Parse(parser, document)) << document;
        Model model;
        model.main = FromList(parser.GetMainList());
        std::string history = "document: " + document + "\n";

        for (int step = 0; step < 4; ++step) {
            if (gen.Chance(60)) {
                const std::string fragment = gen.Document();
                const int overwrite = gen.Pick(2);
                const int newValue = gen.Pick(2);
                history += "fragment (" + std::to_string(overwrite) + "," + std::to_string(newValue) + "): " + fragment + "\n";
                SetNewValueFlag(parser, newValue);
                ASSERT_EQ(1, Parse(parser, fragment, overwrite)) << fragment;
                model.overwrite = overwrite;
                model.newValue = newValue;
                model.sub = Nodes(fragment);
                model.Concate();
            } else {
                // One batch of one control or body without controls nested in it.
                const bool body = gen.Chance(30);
                const std::string item = body ? gen.Item("B", false, gen.Children(0, false)) : gen.Control(false);
                const int newValue = gen.Pick(2);
                history += "update (" + std::to_string(newValue) + "): " + item + "\n";
                OwnedList result = Own(parser, parser.UpdateParser(nullptr, CString(item.c_str()), newValue));
                ASSERT_NE(nullptr, result) << history;
                model.overwrite = 1;
                model.newValue = newValue;
                // The batch's levels: a body at 2, a control at 3 (the wrapping body is dropped).
                model.sub = Nodes(body ? "<U>" + item + "</U>" : "<U><B>" + item + "</B></U>");
                if (!body) model.sub.pop_back();
                ModelList expected = model.Batch();
                std::vector<size_t> want, got;
                for (const auto& n : expected) want.push_back(IndexIn(model.main, n));
                for (CKORU_ItemNode* n : *result) got.push_back(static_cast<size_t>(IndexOf(parser.GetMainList(), n)));
                ASSERT_EQ(want, got) << history;
            }
            ASSERT_EQ(Dump(model.main), Dump(FromList(parser.GetMainList()))) << "seed " << seed << "\n" << history;
        }
    }
}

}  // namespace
