// Child tables: the children of rebuilt parents, kept exact as the list changes.
#include "merge/child_tables.h"
#include "merge/main_list.h"
#include "query/node_runs.h"
#include "query/node_view.h"

namespace koru { namespace detail {

namespace {

// The key of `tagged` for a removal tag and a T value.
std::string TagKey(ChildKeys::Tag tag, std::string_view type) {
    std::string key(1, static_cast<char>(tag));
    key += type;
    return key;
}

// The four removal tags with their tag names.
struct RemovalTagName {
    ChildKeys::Tag tag;
    std::string_view name;
};
constexpr RemovalTagName kRemovalTags[] = {
    {ChildKeys::kA, "A"}, {ChildKeys::kE, "E"}, {ChildKeys::kEN, "EN"}, {ChildKeys::kM, "M"}};

}  // namespace

bool ChildTables::TableOrder::operator()(const ChildTable* a, const ChildTable* b) const {
    const uint64_t la = main->OrderOf(a->parent), lb = main->OrderOf(b->parent);
    return la < lb || (la == lb && a->level < b->level);
}

bool ChildTables::TableOrder::operator()(const ChildTable* a, uint64_t label) const {
    return main->OrderOf(a->parent) < label;
}

bool ChildTables::TableOrder::operator()(uint64_t label, const ChildTable* b) const {
    return label < main->OrderOf(b->parent);
}

ChildTable::ChildTable(CKORU_ItemNode* parent_, short level_, CKORU_ItemNode* end_, const MainList& main)
    : parent(parent_), level(level_), end(end_), named(main), tagged(main) {}

ChildKeys ChildTables::KeysOf(CKORU_ItemNode* node) {
    ChildKeys keys;
    for (const RemovalTagName& removal : kRemovalTags) {
        if (!TagIs(node, removal.name)) continue;
        keys.tag = removal.tag;
        if (keys.tag == ChildKeys::kA) keys.name = std::string(ValueOf(node, "N"));
        keys.type = std::string(ValueOf(node, "T"));
        break;
    }
    return keys;
}

ChildKeys::Tag ChildTables::RemovalTag(std::string_view tagName) {
    for (const RemovalTagName& removal : kRemovalTags)
        if (EqualsNoCase(tagName, removal.name)) return removal.tag;
    return ChildKeys::kNone;
}

ChildTable* ChildTables::Find(const CKORU_ItemNode* parent, short level) {
    auto it = m_Tables.find({parent, level});
    return it == m_Tables.end() ? nullptr : it->second.get();
}

ChildTable& ChildTables::Make(CKORU_ItemNode* parent, short level, CKORU_ItemNode* end,
                              const std::vector<PlacedNode>& children) {
    auto owned = std::make_unique<ChildTable>(parent, level, end, m_Main);
    ChildTable& table = *owned;
    m_Tables[{parent, level}] = std::move(owned);
    m_ByParentLevel.try_emplace(parent->m_Level, TableOrder{&m_Main}).first->second.insert(&table);
    ++m_ChildLevels[level];
    table.named.Reserve(children.size());
    for (const PlacedNode& child : children) File(table, child.node, KeysOf(child.node), false);
    return table;
}

void ChildTables::Open(ChildTable& table) {
    table.rebuilding = true;
    m_Open = &table;
}

void ChildTables::Close(ChildTable& table) {
    for (const auto& left : table.leftUnder) table.named.Remove(left.second, const_cast<CKORU_ItemNode*>(left.first));
    for (const CKORU_ItemNode* held : table.held) {
        auto* node = const_cast<CKORU_ItemNode*>(held);
        const ChildKeys keys = KeysOf(node);
        if (keys.tag == ChildKeys::kA) table.named.Add(keys.name, node);
    }
    // Emptied by letting go: clearing would clear all the buckets a large
    // rebuild left, again in every later one.
    if (!table.leftUnder.empty()) decltype(table.leftUnder)().swap(table.leftUnder);
    if (!table.held.empty()) decltype(table.held)().swap(table.held);
    table.rebuilding = false;
    if (m_Open == &table) m_Open = nullptr;
}

CKORU_ItemNode* ChildTables::FirstNamed(ChildTable& table, std::string_view name) { return table.named.First(name); }

void ChildTables::Tagged(ChildTable& table, ChildKeys::Tag tag, std::string_view type,
                         std::vector<CKORU_ItemNode*>& out) {
    if (!table.tagsFiled) {
        table.tagsFiled = true;
        WalkRun(m_Main.Nodes(), m_Main.Find(table.parent), table.parent->m_Level, [&](CKORU_ItemNode* node, POSITION) {
            if (node->m_Level != table.level) return;
            const ChildKeys keys = KeysOf(node);
            if (keys.tag != ChildKeys::kNone) table.tagged.Add(TagKey(keys.tag, keys.type), node);
        });
    }
    table.tagged.Collect(TagKey(tag, type), out);
}

void ChildTables::Containing(const CKORU_ItemNode* node, std::vector<ChildTable*>& out) {
    out.clear();
    const uint64_t label = m_Main.OrderOf(node);
    for (auto& level : m_ByParentLevel) {
        TableSet& tables = level.second;
        // The first parent at or after the node; when that is the node itself,
        // the run of the next one may end at the node.
        auto it = tables.lower_bound(label);
        while (it != tables.end()) {
            const CKORU_ItemNode* parent = (*it)->parent;
            for (; it != tables.end() && (*it)->parent == parent; ++it)
                if (parent == node || !(*it)->end || m_Main.OrderOf((*it)->end) <= label) out.push_back(*it);
            if (parent != node) break;
        }
    }
}

void ChildTables::File(ChildTable& table, CKORU_ItemNode* child, const ChildKeys& keys, bool joining) {
    if (keys.tag == ChildKeys::kNone) return;
    if (table.tagsFiled) table.tagged.Add(TagKey(keys.tag, keys.type), child);
    if (keys.tag != ChildKeys::kA) return;
    if (joining && table.rebuilding) {
        // A child that left during this rebuild and comes back is still filed.
        if (!table.leftUnder.erase(child)) table.held.insert(child);
        return;
    }
    table.named.Add(keys.name, child);
}

void ChildTables::Unfile(ChildTable& table, CKORU_ItemNode* child, const ChildKeys& keys, bool leaving) {
    if (keys.tag == ChildKeys::kNone) return;
    if (table.tagsFiled) table.tagged.Remove(TagKey(keys.tag, keys.type), child);
    if (keys.tag != ChildKeys::kA || table.held.erase(child)) return;
    if (leaving && table.rebuilding) table.leftUnder.emplace(child, keys.name);
    else table.named.Remove(keys.name, child);
}

// The nodes between the old end and `node` leave the run: a walk back from
// `node` to the old end finds them.
void ChildTables::Cut(ChildTable& table, CKORU_ItemNode* node, POSITION pos) {
    WalkRun(m_Main.Nodes(), pos, table.parent->m_Level, [&](CKORU_ItemNode* child, POSITION) {
        if (child->m_Level == table.level) Unfile(table, child, KeysOf(child), true);
    });
    table.end = node;
}

void ChildTables::Extend(ChildTable& table, POSITION pos) {
    table.end = WalkRun(m_Main.Nodes(), pos, table.parent->m_Level, [&](CKORU_ItemNode* node, POSITION) {
        if (node->m_Level == table.level) File(table, node, KeysOf(node), true);
    });
}

void ChildTables::Drop(ChildTable& table) {
    if (m_Open == &table) m_Open = nullptr;
    auto level = m_ByParentLevel.find(table.parent->m_Level);
    level->second.erase(&table);
    if (level->second.empty()) m_ByParentLevel.erase(level);
    if (--m_ChildLevels[table.level] == 0) m_ChildLevels.erase(table.level);
    m_Tables.erase({table.parent, table.level});
}

void ChildTables::Inserted(CKORU_ItemNode* node, POSITION pos) {
    Containing(node, m_Found);
    for (ChildTable* table : m_Found) {
        if (node->m_Level <= table->parent->m_Level) Cut(*table, node, pos);
        else if (node->m_Level == table->level) File(*table, node, KeysOf(node), true);
    }
}

void ChildTables::Freeing(CKORU_ItemNode* node, POSITION pos) {
    // A child that left the run being rebuilt is still filed by name.
    if (m_Open) {
        auto left = m_Open->leftUnder.find(node);
        if (left != m_Open->leftUnder.end()) {
            m_Open->named.Remove(left->second, node);
            m_Open->leftUnder.erase(left);
        }
    }
    Containing(node, m_Found);
    for (ChildTable* table : m_Found) {
        if (table->parent == node) Drop(*table);
        else if (table->end == node) Extend(*table, pos);
        else if (node->m_Level == table->level) Unfile(*table, node, KeysOf(node), false);
    }
}

void ChildTables::Edited(CKORU_ItemNode* node, const ChildKeys& before) {
    // Most edits leave the keys as they were; a node outside the list is no child.
    const ChildKeys after = KeysOf(node);
    if (after == before || !m_Main.Labelled(node)) return;
    Containing(node, m_Found);
    for (ChildTable* table : m_Found) {
        if (table->parent == node || table->end == node || node->m_Level != table->level) continue;
        if (table->tagsFiled && before.tag != ChildKeys::kNone)
            table->tagged.Remove(TagKey(before.tag, before.type), node);
        if (table->tagsFiled && after.tag != ChildKeys::kNone) table->tagged.Add(TagKey(after.tag, after.type), node);
        if (table->held.count(node)) continue;
        if (before.tag == ChildKeys::kA) table->named.Remove(before.name, node);
        if (after.tag == ChildKeys::kA) table->named.Add(after.name, node);
    }
}

}}  // namespace koru::detail
