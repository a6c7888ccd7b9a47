// A parsed document as Python holds it: the parser, the texts its nodes came
// from, and the handles Python holds on its nodes.
//
// Python objects never hold a bare node pointer. A Node holds the document
// (so the parser outlives every handle) and a NodeRef, which the document
// clears when the parser frees the node (KoruWatchFreedNodes): a deleted node
// is then reported, never read.
#ifndef KORU_PYTHON_DOCUMENT_H
#define KORU_PYTHON_DOCUMENT_H

#include "text.h"

#include <koru/koru.h>

#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace koru_python {

// What a Node handle points at; `node` is null once the parser freed it.
struct NodeRef {
    CKORU_ItemNode* node = nullptr;
};

// A line and column for Python: characters in a str, bytes in bytes.
struct Place {
    int line = 0;
    int column = 0;
};

class DocumentCore {
public:
    DocumentCore();
    ~DocumentCore();
    DocumentCore(const DocumentCore&) = delete;
    DocumentCore& operator=(const DocumentCore&) = delete;

    CKORU_Parser& Parser() { return m_Parser; }
    // The main list; null before the first successful parse.
    CKORU_Parser::NodeList* Nodes() const { return m_Parser.GetMainList(); }

    // Parses `text` into the document (the first parse) or merges it as a
    // fragment; RefusedError when refused, and then nothing changed. `alone`:
    // no other Python object holds the document yet, so other threads may run.
    void Merge(const InputText& text, bool overwrite, bool newValues, bool alone = false);
    // Applies an update text; the rebuilt nodes. RefusedError when refused.
    std::vector<CKORU_ItemNode*> Update(const InputText& text, bool newValues);
    // Sets the flags that assignments and merges follow.
    void SetFlags(bool overwrite, bool newValues) { KoruSetParseFlags(m_Parser, overwrite, newValues); }

    // Delete `node` with its run, or the children of `parent` tagged `tag`
    // whose T value is `tValue`.
    void Delete(CKORU_ItemNode* node);
    void Delete(const CString& tValue, CKORU_ItemNode* parent, const CString& tag);

    // The parent of `node` (GetParent), its children (GetNodeList of the next
    // level under it) and its inherited link target (GetCtrlHRef, "" if none).
    CKORU_ItemNode* Parent(CKORU_ItemNode* node) { return m_Parser.GetParent(node); }
    std::vector<CKORU_ItemNode*> Children(CKORU_ItemNode* node);
    CString HRef(CKORU_ItemNode* node) { return m_Parser.GetCtrlHRef(node); }

    // The handle of `node` (shared by every Node object of it).
    std::shared_ptr<NodeRef> RefOf(CKORU_ItemNode* node);
    // Where `node`'s statement began in the text it came from; nullopt when
    // unknown (a node an update built).
    std::optional<Place> PlaceOf(const CKORU_ItemNode* node);

private:
    // A text the document's nodes came from: the first source or a fragment.
    struct Origin {
        InputText original;
        CString processed;
        bool placed = false;  // the places of its nodes are in their entries
    };
    struct Entry {
        std::weak_ptr<NodeRef> ref;
        int origin = -1;  // index into m_Origins; -1 unknown
        Place place;      // once its origin's places are read; line 0 when unknown
    };

    static void Freed(void* core, const CKORU_ItemNode* node);
    // Files every main-list node not yet known under `origin`.
    void Adopt(int origin);
    // Reads the places of every node that came from `origin`, in one reading
    // of its texts (a reading per node would take quadratic time).
    void PlaceNodesOf(int origin);
    [[noreturn]] void RaiseRefusal(const InputText& text);

    CKORU_Parser m_Parser;
    std::vector<Origin> m_Origins;
    std::unordered_map<const CKORU_ItemNode*, Entry> m_Entries;
};

}  // namespace koru_python

#endif
