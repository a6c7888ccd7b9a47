// CPtrList: a doubly linked list whose elements come from blocks it owns.
#include "koru.h"

#include <algorithm>
#include <new>

namespace {

// Header of one allocation block; its nodes follow it in memory.
struct Block {
    Block* next;
};

constexpr int kMaxBlockNodes = 256;

}  // namespace

CPtrList::CPtrList(int blockSize) : m_BlockSize(blockSize > 0 ? blockSize : 1) {}

CPtrList::~CPtrList() { RemoveAll(); }

// Takes a node from the free list, allocating a new block when it is empty.
// Blocks grow with the list so that long lists need few allocations.
CPtrList::Node* CPtrList::NewNode(Node* prev, Node* next, void* p) {
    if (!m_FreeNodes) {
        int count = std::min(std::max(m_BlockSize, m_Count), kMaxBlockNodes);
        size_t bytes = sizeof(Block) + sizeof(Node) * static_cast<size_t>(count);
        auto* block = static_cast<Block*>(::operator new(bytes));
        block->next = static_cast<Block*>(m_Blocks);
        m_Blocks = block;
        Node* nodes = reinterpret_cast<Node*>(block + 1);
        for (int i = count - 1; i >= 0; --i) {
            nodes[i].next = m_FreeNodes;
            m_FreeNodes = &nodes[i];
        }
    }
    Node* n = m_FreeNodes;
    m_FreeNodes = n->next;
    n->prev = prev;
    n->next = next;
    n->data = p;
    ++m_Count;
    ++m_Changes;
    return n;
}

// Returns a node to the free list; the last node gives every block back.
void CPtrList::FreeNode(Node* n) noexcept {
    n->next = m_FreeNodes;
    m_FreeNodes = n;
    ++m_Changes;
    if (--m_Count == 0) RemoveAll();
}

POSITION CPtrList::AddHead(void* p) {
    Node* n = NewNode(nullptr, m_Head, p);
    if (m_Head) m_Head->prev = n; else m_Tail = n;
    m_Head = n;
    return ToPosition(n);
}

POSITION CPtrList::AddTail(void* p) {
    Node* n = NewNode(m_Tail, nullptr, p);
    if (m_Tail) m_Tail->next = n; else m_Head = n;
    m_Tail = n;
    return ToPosition(n);
}

POSITION CPtrList::InsertBefore(POSITION pos, void* p) {
    Node* at = ToNode(pos);
    if (!at) return AddHead(p);
    Node* n = NewNode(at->prev, at, p);
    if (at->prev) at->prev->next = n; else m_Head = n;
    at->prev = n;
    return ToPosition(n);
}

POSITION CPtrList::InsertAfter(POSITION pos, void* p) {
    Node* at = ToNode(pos);
    if (!at) return AddTail(p);
    Node* n = NewNode(at, at->next, p);
    if (at->next) at->next->prev = n; else m_Tail = n;
    at->next = n;
    return ToPosition(n);
}

void* CPtrList::RemoveHead() noexcept {
    if (!m_Head) return nullptr;
    void* p = m_Head->data;
    RemoveAt(ToPosition(m_Head));
    return p;
}

void* CPtrList::RemoveTail() noexcept {
    if (!m_Tail) return nullptr;
    void* p = m_Tail->data;
    RemoveAt(ToPosition(m_Tail));
    return p;
}

void CPtrList::RemoveAt(POSITION pos) noexcept {
    Node* n = ToNode(pos);
    if (!n) return;
    if (n->prev) n->prev->next = n->next; else m_Head = n->next;
    if (n->next) n->next->prev = n->prev; else m_Tail = n->prev;
    FreeNode(n);
}

void CPtrList::RemoveAll() noexcept {
    auto* block = static_cast<Block*>(m_Blocks);
    while (block) {
        Block* next = block->next;
        ::operator delete(block);
        block = next;
    }
    m_Blocks = nullptr;
    m_FreeNodes = nullptr;
    m_Head = m_Tail = nullptr;
    m_Count = 0;
    ++m_Changes;
}

POSITION CPtrList::Find(const void* p, POSITION startAfter) const noexcept {
    const Node* n = startAfter ? ToNode(startAfter)->next : m_Head;
    for (; n; n = n->next)
        if (n->data == p) return ToPosition(n);
    return nullptr;
}

POSITION CPtrList::FindIndex(int index) const noexcept {
    if (index < 0 || index >= m_Count) return nullptr;
    const Node* n = m_Head;
    while (index-- > 0) n = n->next;
    return ToPosition(n);
}

// Each list keeps its own change count: both now hold other elements.
void CPtrList::Swap(CPtrList& other) noexcept {
    ++m_Changes;
    ++other.m_Changes;
    std::swap(m_Head, other.m_Head);
    std::swap(m_Tail, other.m_Tail);
    std::swap(m_Count, other.m_Count);
    std::swap(m_FreeNodes, other.m_FreeNodes);
    std::swap(m_Blocks, other.m_Blocks);
    std::swap(m_BlockSize, other.m_BlockSize);
}
