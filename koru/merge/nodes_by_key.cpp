// Nodes filed under text keys.
#include "merge/nodes_by_key.h"
#include "merge/main_list.h"

namespace koru { namespace detail {

bool NodeOrder::operator()(const CKORU_ItemNode* a, const CKORU_ItemNode* b) const {
    return main->OrderOf(a) < main->OrderOf(b);
}

void NodesByKey::Add(std::string_view key, CKORU_ItemNode* node) {
    const size_t number = m_Keys.Add(key);
    if (number == m_Filed.size()) m_Filed.emplace_back();
    Filed& filed = m_Filed[number];
    if (!filed.first) {
        filed.first = node;
        return;
    }
    if (m_Order(node, filed.first)) std::swap(node, filed.first);
    if (!filed.rest) filed.rest = std::make_unique<std::set<CKORU_ItemNode*, NodeOrder>>(m_Order);
    // Nodes mostly come in list order: the end is tried first.
    filed.rest->insert(filed.rest->end(), node);
}

void NodesByKey::Remove(std::string_view key, CKORU_ItemNode* node) {
    const size_t number = m_Keys.Find(key);
    if (number == KeyIndex::kNone) return;
    Filed& filed = m_Filed[number];
    const bool more = filed.rest && !filed.rest->empty();
    if (filed.first == node) {
        filed.first = more ? *filed.rest->begin() : nullptr;
        if (more) filed.rest->erase(filed.rest->begin());
    } else if (more) {
        filed.rest->erase(node);
    }
}

CKORU_ItemNode* NodesByKey::First(std::string_view key) const {
    const size_t number = m_Keys.Find(key);
    return number == KeyIndex::kNone ? nullptr : m_Filed[number].first;
}

void NodesByKey::Collect(std::string_view key, std::vector<CKORU_ItemNode*>& out) const {
    out.clear();
    const size_t number = m_Keys.Find(key);
    if (number == KeyIndex::kNone || !m_Filed[number].first) return;
    const Filed& filed = m_Filed[number];
    out.push_back(filed.first);
    if (filed.rest) out.insert(out.end(), filed.rest->begin(), filed.rest->end());
}

}}  // namespace koru::detail
