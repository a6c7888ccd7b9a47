// Child tables: the children of rebuilt parents, kept exact as the list changes.
#include "merge/child_tables.h"
#include "merge/main_list.h"
#include "query/node_view.h"

namespace koru { namespace detail {

namespace {

// The key of `tagged` for a removal tag and a T value.
std::string TagKey(ChildKeys::Tag tag, std::string_view type) {
    std::string key(1, static_cast<char>(tag));
    key += type;
    return key;
}

// Children mostly join after those filed already (a table is made in list
// order; copies land before the parent): the end is tried first.
void Insert(NodeSet& set, CKORU_ItemNode* node) { set.insert(set.end(), node); }

void Insert(std::unordered_map<std::string, NodeSet>& sets, const std::string& key, CKORU_ItemNode* node,
            const MainList& main) {
    Insert(sets.try_emplace(key, NodeOrder{&main}).first->second, node);
}

void Erase(std::unordered_map<std::string, NodeSet>& sets, const std::string& key, CKORU_ItemNode* node) {
    auto it = sets.find(key);
    if (it == sets.end()) return;
    it->second.erase(node);
    if (it->second.empty()) sets.erase(it);
}

}  // namespace

bool NodeOrder::operator()(const CKORU_ItemNode* a, const CKORU_ItemNode* b) const {
    return main->OrderOf(a) < main->OrderOf(b);
}

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
    : parent(parent_), level(level_), end(end_), all(NodeOrder{&main}) {}

ChildKeys ChildTables::KeysOf(CKORU_ItemNode* node) {
    ChildKeys keys;
    if (TagIs(node, "A")) keys.tag = ChildKeys::kA;
    else if (TagIs(node, "E")) keys.tag = ChildKeys::kE;
    else if (TagIs(node, "EN")) keys.tag = ChildKeys::kEN;
    else if (TagIs(node, "M")) keys.tag = ChildKeys::kM;
    else return keys;
    if (keys.tag == ChildKeys::kA) keys.name = std::string(ValueOf(node, "N"));
    keys.type = std::string(ValueOf(node, "T"));
    return keys;
}

ChildTable* ChildTables::Find(const CKORU_ItemNode* parent, short level) {
    auto it = m_Tables.find({parent, level});
    return it == m_Tables.end() ? nullptr : it->second.get();
}

ChildTable& ChildTables::Make(CKORU_ItemNode* parent, short level, CKORU_ItemNode* end,
                              const std::vector<CKORU_ItemNode*>& children) {
    auto owned = std::make_unique<ChildTable>(parent, level, end, m_Main);
    ChildTable& table = *owned;
    m_Tables[{parent, level}] = std::move(owned);
    m_ByParentLevel.try_emplace(parent->m_Level, TableOrder{&m_Main}).first->second.insert(&table);
    ++m_ChildLevels[level];
    for (CKORU_ItemNode* child : children) File(table, child, KeysOf(child), false);
    return table;
}

void ChildTables::Open(ChildTable& table) {
    table.rebuilding = true;
    m_Open = &table;
}

void ChildTables::Close(ChildTable& table) {
    for (const auto& left : table.leftUnder) Erase(table.named, left.second, const_cast<CKORU_ItemNode*>(left.first));
    for (const CKORU_ItemNode* held : table.held) {
        auto* node = const_cast<CKORU_ItemNode*>(held);
        const ChildKeys keys = KeysOf(node);
        if (keys.tag == ChildKeys::kA) Insert(table.named, keys.name, node, m_Main);
    }
    // Emptied by letting go: clearing would clear all the buckets a large
    // rebuild left, again in every later one.
    if (!table.leftUnder.empty()) decltype(table.leftUnder)().swap(table.leftUnder);
    if (!table.held.empty()) decltype(table.held)().swap(table.held);
    table.rebuilding = false;
    if (m_Open == &table) m_Open = nullptr;
}

CKORU_ItemNode* ChildTables::FirstNamed(ChildTable& table, std::string_view name) {
    auto it = table.named.find(std::string(name));
    return it == table.named.end() ? nullptr : *it->second.begin();
}

void ChildTables::Tagged(ChildTable& table, ChildKeys::Tag tag, std::string_view type,
                         std::vector<CKORU_ItemNode*>& out) {
    out.clear();
    if (!table.tagsFiled) {
        table.tagsFiled = true;
        for (CKORU_ItemNode* child : table.all) {
            const ChildKeys keys = KeysOf(child);
            if (keys.tag != ChildKeys::kNone) Insert(table.tagged, TagKey(keys.tag, keys.type), child, m_Main);
        }
    }
    auto it = table.tagged.find(TagKey(tag, type));
    if (it != table.tagged.end()) out.assign(it->second.begin(), it->second.end());
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
    Insert(table.all, child);
    if (keys.tag == ChildKeys::kNone) return;
    if (table.tagsFiled) Insert(table.tagged, TagKey(keys.tag, keys.type), child, m_Main);
    if (keys.tag != ChildKeys::kA) return;
    if (joining && table.rebuilding) {
        // A child that left during this rebuild and comes back is still filed.
        if (!table.leftUnder.erase(child)) table.held.insert(child);
        return;
    }
    Insert(table.named, keys.name, child, m_Main);
}

void ChildTables::Unfile(ChildTable& table, CKORU_ItemNode* child, const ChildKeys& keys, bool leaving) {
    table.all.erase(child);
    if (keys.tag == ChildKeys::kNone) return;
    if (table.tagsFiled) Erase(table.tagged, TagKey(keys.tag, keys.type), child);
    if (keys.tag != ChildKeys::kA || table.held.erase(child)) return;
    if (leaving && table.rebuilding) table.leftUnder.emplace(child, keys.name);
    else Erase(table.named, keys.name, child);
}

void ChildTables::Cut(ChildTable& table, CKORU_ItemNode* node) {
    const NodeOrder before{&m_Main};
    while (!table.all.empty() && before(*table.all.begin(), node)) {
        CKORU_ItemNode* child = *table.all.begin();
        Unfile(table, child, KeysOf(child), true);
    }
    table.end = node;
}

void ChildTables::Extend(ChildTable& table, POSITION pos) {
    const CKORU_Parser::NodeList& list = m_Main.Nodes();
    CKORU_ItemNode* end = nullptr;
    list.GetPrev(pos);
    while (pos) {
        CKORU_ItemNode* node = list.GetPrev(pos);
        if (node->m_Level <= table.parent->m_Level) {
            end = node;
            break;
        }
        if (node->m_Level == table.level) File(table, node, KeysOf(node), true);
    }
    table.end = end;
}

void ChildTables::Drop(ChildTable& table) {
    if (m_Open == &table) m_Open = nullptr;
    auto level = m_ByParentLevel.find(table.parent->m_Level);
    level->second.erase(&table);
    if (level->second.empty()) m_ByParentLevel.erase(level);
    if (--m_ChildLevels[table.level] == 0) m_ChildLevels.erase(table.level);
    m_Tables.erase({table.parent, table.level});
}

void ChildTables::Inserted(CKORU_ItemNode* node) {
    Containing(node, m_Found);
    for (ChildTable* table : m_Found) {
        if (node->m_Level <= table->parent->m_Level) Cut(*table, node);
        else if (node->m_Level == table->level) File(*table, node, KeysOf(node), true);
    }
}

void ChildTables::Freeing(CKORU_ItemNode* node, POSITION pos) {
    // A child that left the run being rebuilt is still filed by name.
    if (m_Open) {
        auto left = m_Open->leftUnder.find(node);
        if (left != m_Open->leftUnder.end()) {
            Erase(m_Open->named, left->second, node);
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
    const ChildKeys after = KeysOf(node);
    if (after == before) return;
    Containing(node, m_Found);
    for (ChildTable* table : m_Found) {
        if (table->parent == node || table->end == node || node->m_Level != table->level) continue;
        if (table->tagsFiled && before.tag != ChildKeys::kNone)
            Erase(table->tagged, TagKey(before.tag, before.type), node);
        if (table->tagsFiled && after.tag != ChildKeys::kNone)
            Insert(table->tagged, TagKey(after.tag, after.type), node, m_Main);
        if (table->held.count(node)) continue;
        if (before.tag == ChildKeys::kA) Erase(table->named, before.name, node);
        if (after.tag == ChildKeys::kA) Insert(table->named, after.name, node, m_Main);
    }
}

}}  // namespace koru::detail
