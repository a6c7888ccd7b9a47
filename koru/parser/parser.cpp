// CKORU_Parser: construction, destruction and release of node lists.
#include "parser/node_store.h"
#include "support/list_positions.h"
#include "support/prefetch.h"

using namespace koru::detail;

CKORU_Parser::CKORU_Parser()
    : m_pMainList(nullptr),
      m_nDepth(0),
      m_TagStack(10),
      m_ClosedList(10),
      m_SubList(10),
      m_pMacroTable(new CMapStringToString(10)),
      m_nOverwrite(0),
      m_nNewValue(0),
      m_pStagedMacroTable(nullptr),
      m_pNodeIndex(nullptr),
      m_pPositions(nullptr),
      m_pArena(new Arena),
      // A fragment's or update batch's nodes are freed once merged: sharing
      // their texts would save nothing and cost a lookup per text.
      m_pScratchArena(new Arena(false)) {}

CKORU_Parser::~CKORU_Parser() {
    ReleaseMacroList();
    DiscardStagedMacros();
    ReleaseSubList();
    while (!m_TagStack.IsEmpty()) DestroyNode(*this, m_TagStack.RemoveHead());
    m_nDepth = 0;
    while (!m_ClosedList.IsEmpty()) DestroyNode(*this, m_ClosedList.RemoveHead());
    if (m_pMainList) {
        // A large document is no longer in the cache: its nodes are asked for ahead.
        ReadAhead ahead(*m_pMainList, m_pMainList->GetHeadPosition(), ReadAhead::kForward, 2);
        for (CKORU_ItemNode* node : *m_pMainList) {
            ahead.Step();
            DestroyNode(*this, node);
        }
        m_pMainList->RemoveAll();
        delete m_pMainList;
        m_pMainList = nullptr;
    }
    delete m_pPositions;
    delete m_pArena;
    delete m_pScratchArena;
}

size_t KoruReleaseCachedMemory() noexcept { return ReleaseCachedChunks(); }

// Frees a list handed out by a query or an update. The parser's own lists are
// never freed here: a host that passes GetMainList() by mistake keeps a working parser.
void CKORU_Parser::ReleaseNodeList(NodeList* list) {
    if (!list || list == m_pMainList || list == &m_SubList || list == &m_ClosedList || list == &m_TagStack)
        return;
    list->RemoveAll();
    delete list;
}

void CKORU_Parser::ReleaseSubList() {
    while (!m_SubList.IsEmpty()) FreeNode(*this, m_SubList.RemoveHead());
}

void CKORU_Parser::ClearStringInMainNodeList() {
    if (!m_pMainList) return;
    for (CKORU_ItemNode* node : *m_pMainList) node->m_Statement.Empty();
}
