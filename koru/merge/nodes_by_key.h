// Main-list nodes filed under text keys, each key's nodes in list order.
#ifndef KORU_MERGE_NODES_BY_KEY_H
#define KORU_MERGE_NODES_BY_KEY_H

#include "koru.h"
#include "support/key_index.h"

#include <memory>
#include <set>
#include <string_view>
#include <vector>

namespace koru { namespace detail {

class MainList;

// Orders main-list nodes by their order labels, read when compared: spreading
// labels out again keeps their order, so a set stays sorted.
struct NodeOrder {
    const MainList* main;
    bool operator()(const CKORU_ItemNode* a, const CKORU_ItemNode* b) const;
};

// Most keys file one node: it is kept beside the key, and only a key's
// further nodes take an ordered set. Every filed node has an order label.
class NodesByKey {
public:
    explicit NodesByKey(const MainList& main) : m_Order{&main} {}

    // Makes room for `count` keys without growing.
    void Reserve(size_t count) {
        m_Keys.Reserve(count);
        m_Filed.reserve(count);
    }
    // Files `node` under `key`.
    void Add(std::string_view key, CKORU_ItemNode* node);
    // Unfiles `node` from under `key`, if filed there.
    void Remove(std::string_view key, CKORU_ItemNode* node);
    // The first node filed under `key`, or null.
    CKORU_ItemNode* First(std::string_view key) const;
    // Sets `out` to the nodes filed under `key`, in list order.
    void Collect(std::string_view key, std::vector<CKORU_ItemNode*>& out) const;

private:
    struct Filed {
        CKORU_ItemNode* first = nullptr;
        std::unique_ptr<std::set<CKORU_ItemNode*, NodeOrder>> rest;
    };

    NodeOrder m_Order;
    KeyIndex m_Keys;
    std::vector<Filed> m_Filed;  // by key number
};

}}  // namespace koru::detail

#endif
