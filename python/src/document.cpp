// The parser behind a Python Document, and the handles on its nodes.
#include "document.h"

#include "errors.h"

namespace koru_python {

DocumentCore::DocumentCore() { KoruWatchFreedNodes(m_Parser, &DocumentCore::Freed, this); }

DocumentCore::~DocumentCore() { KoruWatchFreedNodes(m_Parser, nullptr, nullptr); }

void DocumentCore::Freed(void* core, const CKORU_ItemNode* node) {
    auto& entries = static_cast<DocumentCore*>(core)->m_Entries;
    const auto it = entries.find(node);
    if (it == entries.end()) return;
    if (std::shared_ptr<NodeRef> ref = it->second.ref.lock()) ref->node = nullptr;
    entries.erase(it);
}

void DocumentCore::Adopt(int origin) {
    if (!Nodes()) return;
    for (CKORU_ItemNode* node : *Nodes()) {
        const auto [entry, added] = m_Entries.try_emplace(node);
        if (added) entry->second.origin = origin;
    }
}

void DocumentCore::RaiseRefusal(const InputText& text) {
    const KoruRefusal& refusal = m_Parser.GetLastRefusal();
    int column = refusal.column;
    if (text.isStr && refusal.line > 0) column = CharIndex(text.bytes).CharColumn(refusal.line, column);
    RaiseRefused(refusal, refusal.line, column);
}

void DocumentCore::Merge(const InputText& text, bool overwrite, bool newValues, bool alone) {
    // A merge follows the new-value flag; the parse sets the overwrite flag from its argument.
    SetFlags(overwrite, newValues);
    CString source(text.bytes.data(), static_cast<int>(text.bytes.size()));
    int ok;
    if (alone) {
        // Nobody else can reach the parser: other Python threads may run.
        py::gil_scoped_release release;
        ok = m_Parser.DoParsingProc(source, overwrite);
    } else {
        ok = m_Parser.DoParsingProc(source, overwrite);
    }
    if (!ok) RaiseRefusal(text);
    // Every node the list did not hold before came from this text.
    m_Origins.push_back(Origin{text, source, false});
    Adopt(static_cast<int>(m_Origins.size()) - 1);
}

std::vector<CKORU_ItemNode*> DocumentCore::Update(const InputText& text, bool newValues) {
    CString source(text.bytes.data(), static_cast<int>(text.bytes.size()));
    CKORU_Parser::NodeList* rebuilt = m_Parser.UpdateParser(nullptr, source, newValues);
    if (!rebuilt) {
        if (m_Parser.GetLastRefusal().code != KoruRefusalCode::None) RaiseRefusal(text);
        return {};
    }
    std::vector<CKORU_ItemNode*> nodes(rebuilt->begin(), rebuilt->end());
    m_Parser.ReleaseNodeList(rebuilt);
    Adopt(-1);
    return nodes;
}

void DocumentCore::Delete(CKORU_ItemNode* node) {
    m_Parser.DeleteNode(node);
}

void DocumentCore::Delete(const CString& tValue, CKORU_ItemNode* parent, const CString& tag) {
    m_Parser.DeleteNode(tValue, parent, tag);
}

// A node at the deepest level has no children.
std::vector<CKORU_ItemNode*> DocumentCore::Children(CKORU_ItemNode* node) {
    const short level = static_cast<short>(node->m_Level + 1);
    CKORU_Parser::NodeList* found = node->m_Level < 32767 ? m_Parser.GetNodeList(nullptr, level, node) : nullptr;
    if (!found) return {};
    std::vector<CKORU_ItemNode*> children(found->begin(), found->end());
    m_Parser.ReleaseNodeList(found);
    return children;
}

std::shared_ptr<NodeRef> DocumentCore::RefOf(CKORU_ItemNode* node) {
    Entry& entry = m_Entries[node];
    std::shared_ptr<NodeRef> ref = entry.ref.lock();
    if (!ref) {
        ref = std::make_shared<NodeRef>(NodeRef{node});
        entry.ref = ref;
    }
    return ref;
}

void DocumentCore::PlaceNodesOf(int index) {
    Origin& origin = m_Origins[static_cast<size_t>(index)];
    origin.placed = true;
    CKORU_Parser::NodeList nodes;
    for (CKORU_ItemNode* node : *Nodes())
        if (m_Entries[node].origin == index) nodes.AddTail(node);
    const CString original(origin.original.bytes.data(), static_cast<int>(origin.original.bytes.size()));
    const std::vector<KoruPlace> places = KoruNodePlaces(&nodes, original, origin.processed);
    std::unique_ptr<CharIndex> characters;
    if (origin.original.isStr) characters = std::make_unique<CharIndex>(origin.original.bytes);
    size_t i = 0;
    for (CKORU_ItemNode* node : nodes) {
        Place place{places[i].line, places[i].column};
        ++i;
        if (characters && place.line > 0) place.column = characters->CharColumn(place.line, place.column);
        m_Entries[node].place = place;
    }
}

std::optional<Place> DocumentCore::PlaceOf(const CKORU_ItemNode* node) {
    const auto it = m_Entries.find(node);
    if (it == m_Entries.end() || it->second.origin < 0) return std::nullopt;
    if (!m_Origins[static_cast<size_t>(it->second.origin)].placed) PlaceNodesOf(it->second.origin);
    const Place& place = it->second.place;
    if (place.line <= 0) return std::nullopt;
    return place;
}

}  // namespace koru_python
