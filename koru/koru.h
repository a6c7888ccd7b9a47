// koru: parses KORU documents into flat lists of item nodes, answers queries
// about them and folds later fragments and updates into them.
//
// This is the library's one public header. Every call is total: null pointers,
// empty strings and out-of-range positions give the documented result, never
// undefined behaviour. Yes/no results are int 1 and 0.
#ifndef KORU_KORU_H
#define KORU_KORU_H

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#define KORU_VERSION_MAJOR 0
#define KORU_VERSION_MINOR 1
#define KORU_VERSION_PATCH 0
#define KORU_VERSION_STRING "0.1.0"

// KORU_API marks what a shared koru exports: it is built with every other symbol
// hidden, so hosts see exactly what this header declares. The build defines
// KORU_SHARED for a shared library and for the programs that link it; a static
// koru needs no mark.
#ifndef KORU_API
#if defined(KORU_SHARED) && (defined(__GNUC__) || defined(__clang__))
#define KORU_API __attribute__((visibility("default")))
#else
#define KORU_API
#endif
#endif

// The library's version as "major.minor.patch".
KORU_API const char* KoruVersion() noexcept;

namespace koru { namespace detail { struct CoreAccess; } }

// ---------------------------------------------------------------------------
// CString
// ---------------------------------------------------------------------------

// A counted byte string with value semantics; embedded zero bytes are allowed.
// Negative counts read as 0, counts and starts past the end stop at the end.
//
// A CString is one machine word. Texts of up to six bytes are kept in the word
// itself; longer ones in a counted block of their own. A parser keeps the texts
// of its nodes in blocks it owns in bulk; copying or moving such a string out
// always gives a block of the copy's own, so a host's strings never depend on
// the parser that made them.
class KORU_API CString {
public:
    // Empty string.
    CString() noexcept = default;
    // Copy of a zero-terminated text; null gives the empty string.
    CString(const char* text);
    // The first `length` bytes of `text`; null or a length <= 0 gives the empty string.
    CString(const char* text, int length);
    // `c` repeated `repeat` times (nothing when repeat <= 0).
    explicit CString(char c, int repeat = 1);
    // Copy of a byte view (extension).
    explicit CString(std::string_view view) { Assign(view); }
    CString(const CString& other) : m_Word(other.IsInline() ? other.m_Word : 0) {
        if (other.m_Word && !other.IsInline()) Assign(other.View());
    }
    // A string owned in bulk by a parser is copied; any other is taken over.
    CString(CString&& other) : m_Word(other.m_Word) {
        if (IsShared()) {
            m_Word = 0;
            Assign(other.View());
        } else if (!IsInline()) {
            other.m_Word = 0;
        }
    }
    ~CString() { if (IsOwned()) Release(); }

    CString& operator=(const CString& other);
    CString& operator=(CString&& other);
    // Assigns a zero-terminated text; null gives the empty string.
    CString& operator=(const char* text);
    // Assigns one byte.
    CString& operator=(char c) { Assign(std::string_view(&c, 1)); return *this; }

    CString& operator+=(const CString& other) { Append(other.View()); return *this; }
    // Appends a zero-terminated text; null appends nothing.
    CString& operator+=(const char* text);
    CString& operator+=(char c) { Append(std::string_view(&c, 1)); return *this; }
    // Appends the bytes of a view (extension).
    CString& Append(std::string_view bytes);
    // Keeps the first `length` bytes (all when longer, none when negative), in
    // place when the string has a block of its own (extension).
    CString& Truncate(int length);

    // Number of bytes.
    int GetLength() const noexcept { return static_cast<int>(View().size()); }
    // True when the string holds no byte.
    bool IsEmpty() const noexcept { return m_Word == 0 || View().empty(); }
    // Makes the string empty.
    void Empty() noexcept {
        if (IsOwned()) Release();
        m_Word = 0;
    }
    // The byte at `index`; the zero byte outside the string (so index == length reads '\0').
    char GetAt(int index) const noexcept {
        const std::string_view v = View();
        return index >= 0 && static_cast<size_t>(index) < v.size() ? v[static_cast<size_t>(index)] : '\0';
    }
    char operator[](int index) const noexcept { return GetAt(index); }
    // Replaces the byte at `index`; does nothing outside the string (extension).
    void SetAt(int index, char c);

    // Index of the first `c` at or after `start` (negative start reads as 0), or -1.
    int Find(char c, int start = 0) const noexcept;
    // Index of the first occurrence of the zero-terminated `text` at or after `start`, or -1.
    int Find(const char* text, int start = 0) const noexcept;
    // Index of the last `c`, or -1 (extension).
    int ReverseFind(char c) const noexcept;

    // The first `count` bytes.
    CString Left(int count) const;
    // The bytes from `first` on; empty when `first` is past the end.
    CString Mid(int first) const;
    // At most `count` bytes from `first`.
    CString Mid(int first, int count) const;
    // The last `count` bytes.
    CString Right(int count) const;

    // Upper-cases the letters a to z in place; every other byte stays.
    CString& MakeUpper();
    // Lower-cases the letters A to Z in place (extension).
    CString& MakeLower();
    // 0 when equal ignoring the case of ASCII letters; else the sign of the first difference.
    int CompareNoCase(const CString& other) const noexcept { return CompareNoCase(other.View()); }
    int CompareNoCase(const char* other) const noexcept { return CompareNoCase(std::string_view(other ? other : "")); }
    int CompareNoCase(std::string_view other) const noexcept;

    // The zero-terminated bytes; valid until the string changes.
    const char* GetString() const noexcept {
        if (IsInline()) return InlineChars();
        return m_Word ? BlockChars() : "";
    }
    operator const char*() const noexcept { return GetString(); }
    // The bytes as a view, embedded zeros included (extension).
    std::string_view View() const noexcept {
        if (IsInline()) return std::string_view(InlineChars(), InlineLength());
        return m_Word ? std::string_view(BlockChars(), BlockBits() >> 1) : std::string_view();
    }
    // A standard string copy of the bytes (extension).
    std::string Str() const { return std::string(View()); }
    // Exchanges the contents of two strings (extension).
    void swap(CString& other);

    friend bool operator==(const CString& a, const CString& b) noexcept {
        return a.m_Word == b.m_Word || a.View() == b.View();
    }
    friend bool operator==(const CString& a, const char* b) noexcept { return a.View() == std::string_view(b ? b : ""); }
    friend bool operator==(const char* a, const CString& b) noexcept { return b == a; }
    friend bool operator!=(const CString& a, const CString& b) noexcept { return !(a == b); }
    friend bool operator!=(const CString& a, const char* b) noexcept { return !(a == b); }
    friend bool operator!=(const char* a, const CString& b) noexcept { return !(b == a); }
    friend bool operator<(const CString& a, const CString& b) noexcept { return a.View() < b.View(); }
    friend bool operator<(const CString& a, const char* b) noexcept { return a.View() < std::string_view(b ? b : ""); }
    friend bool operator<(const char* a, const CString& b) noexcept { return std::string_view(a ? a : "") < b.View(); }

    friend CString operator+(const CString& a, const CString& b) { CString r(a); r += b; return r; }
    friend CString operator+(const CString& a, const char* b) { CString r(a); r += b; return r; }
    friend CString operator+(const char* a, const CString& b) { CString r(a); r += b; return r; }
    friend CString operator+(const CString& a, char b) { CString r(a); r += b; return r; }
    friend CString operator+(char a, const CString& b) { CString r(a); r += b; return r; }

private:
    friend struct koru::detail::CoreAccess;
    friend class CMapStringToString;

    // The word is 0 (empty), an inline text (lowest bit set: the word's
    // low-order byte holds length * 2 + 1, the others the bytes and a zero), or
    // the address (even, not always four-aligned) of a block: a 32-bit
    // length * 2 + shared flag, then the bytes and a zero. A block of the string's own has its capacity in the 32 bits
    // before the address.
#if defined(__BYTE_ORDER__) && defined(__ORDER_BIG_ENDIAN__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    static constexpr size_t kTagByte = sizeof(std::uintptr_t) - 1;
    static constexpr size_t kCharsAt = 0;
#else
    static constexpr size_t kTagByte = 0;
    static constexpr size_t kCharsAt = 1;
#endif
    static constexpr size_t kInlineMax = sizeof(std::uintptr_t) - 2;

    bool IsInline() const noexcept { return (m_Word & 1u) != 0; }
    // The word of a text of at most kInlineMax bytes. A text that short is
    // always kept inline, so two such strings are equal exactly when their words are.
    // Built in a register: bytes stored one by one and read back as a word
    // would stall the read.
    // With `upper`, the letters a to z are upper-cased on the way.
    static std::uintptr_t InlineWord(std::string_view bytes, bool upper = false) noexcept {
        if (bytes.empty()) return 0;
        std::uintptr_t word = ShiftToByte(static_cast<unsigned char>(bytes.size() << 1 | 1u), kTagByte);
        for (size_t i = 0; i < bytes.size(); ++i) {
            const char c = upper && bytes[i] >= 'a' && bytes[i] <= 'z' ? static_cast<char>(bytes[i] - 'a' + 'A') : bytes[i];
            word |= ShiftToByte(static_cast<unsigned char>(c), kCharsAt + i);
        }
        return word;
    }
    // `value` moved to where byte `index` of the word lies in memory.
    static std::uintptr_t ShiftToByte(unsigned char value, size_t index) noexcept {
        const size_t bit = kCharsAt == 1 ? 8 * index : 8 * (sizeof(std::uintptr_t) - 1 - index);
        return static_cast<std::uintptr_t>(value) << bit;
    }
    const char* InlineChars() const noexcept { return reinterpret_cast<const char*>(&m_Word) + kCharsAt; }
    size_t InlineLength() const noexcept { return reinterpret_cast<const unsigned char*>(&m_Word)[kTagByte] >> 1; }
    const char* BlockChars() const noexcept { return reinterpret_cast<const char*>(m_Word) + 4; }
    uint32_t BlockBits() const noexcept {
        uint32_t bits;
        std::memcpy(&bits, reinterpret_cast<const void*>(m_Word), sizeof bits);
        return bits;
    }
    // In a block owned in bulk by a parser.
    bool IsShared() const noexcept { return m_Word != 0 && !IsInline() && (BlockBits() & 1u) != 0; }
    // In a block of its own.
    bool IsOwned() const noexcept { return m_Word != 0 && !IsInline() && (BlockBits() & 1u) == 0; }

    // Replaces the contents with `bytes`, which may lie inside this string.
    void Assign(std::string_view bytes);
    // Frees the string's own block; the word is left for the caller to set.
    void Release() noexcept;
    // Makes the bytes writable in place: inline or in a block of the string's own.
    char* Writable();

    std::uintptr_t m_Word = 0;
};

// ---------------------------------------------------------------------------
// POSITION, CPtrList, CTypedPtrList
// ---------------------------------------------------------------------------

struct koru_position_t;
// An opaque handle to a list element or a map entry; null means none.
typedef koru_position_t* POSITION;

// A doubly linked list of untyped pointers. Positions stay valid while other
// elements come and go. Removing an element never frees what it points to.
// Elements come from blocks owned by the list, so adding allocates rarely.
class KORU_API CPtrList {
public:
    struct Node {
        Node* next;
        Node* prev;
        void* data;
    };

    // `blockSize`: elements allocated at a time (at least 1).
    explicit CPtrList(int blockSize = 10);
    ~CPtrList();
    CPtrList(const CPtrList&) = delete;
    CPtrList& operator=(const CPtrList&) = delete;

    // Number of elements.
    int GetCount() const noexcept { return m_Count; }
    // True when the list holds no element.
    bool IsEmpty() const noexcept { return m_Count == 0; }

    // The first or last element; null when the list is empty.
    void* GetHead() const noexcept { return m_Head ? m_Head->data : nullptr; }
    void* GetTail() const noexcept { return m_Tail ? m_Tail->data : nullptr; }

    // Adds an element and returns its position.
    POSITION AddHead(void* p);
    POSITION AddTail(void* p);
    // Inserts before or after `pos`; a null `pos` inserts at the head or the tail.
    POSITION InsertBefore(POSITION pos, void* p);
    POSITION InsertAfter(POSITION pos, void* p);

    // Removes and returns the first or last element; null when empty.
    void* RemoveHead() noexcept;
    void* RemoveTail() noexcept;
    // Removes the element at `pos` (nothing for null); other positions stay valid.
    void RemoveAt(POSITION pos) noexcept;
    // Removes every element.
    void RemoveAll() noexcept;

    // Position of the first or last element; null when empty.
    POSITION GetHeadPosition() const noexcept { return ToPosition(m_Head); }
    POSITION GetTailPosition() const noexcept { return ToPosition(m_Tail); }
    // The element at `pos`, moving `pos` on (to null past the end); null for a null `pos`.
    void* GetNext(POSITION& pos) const noexcept {
        Node* n = ToNode(pos);
        if (!n) return nullptr;
        pos = ToPosition(n->next);
        return n->data;
    }
    void* GetPrev(POSITION& pos) const noexcept {
        Node* n = ToNode(pos);
        if (!n) return nullptr;
        pos = ToPosition(n->prev);
        return n->data;
    }
    // The element at `pos`; null for a null `pos`.
    void* GetAt(POSITION pos) const noexcept { Node* n = ToNode(pos); return n ? n->data : nullptr; }
    // Replaces the element at `pos` (nothing for null).
    void SetAt(POSITION pos, void* p) noexcept {
        if (Node* n = ToNode(pos)) {
            n->data = p;
            ++m_Changes;
        }
    }
    // First position after `startAfter` (or from the head) whose element is `p`; null if none.
    POSITION Find(const void* p, POSITION startAfter = nullptr) const noexcept;
    // Position of the element with the zero-based `index`; null out of range.
    POSITION FindIndex(int index) const noexcept;

    // Exchanges the elements of two lists; positions stay valid and now belong
    // to the other list (extension).
    void Swap(CPtrList& other) noexcept;

    // Node access for iterators (extension).
    const Node* HeadNode() const noexcept { return m_Head; }
    static Node* ToNode(POSITION pos) noexcept { return reinterpret_cast<Node*>(pos); }
    static POSITION ToPosition(const Node* n) noexcept {
        return reinterpret_cast<POSITION>(const_cast<Node*>(n));
    }

private:
    friend struct koru::detail::CoreAccess;

    Node* NewNode(Node* prev, Node* next, void* p);
    void FreeNode(Node* n) noexcept;

    Node* m_Head = nullptr;
    Node* m_Tail = nullptr;
    Node* m_FreeNodes = nullptr;
    void* m_Blocks = nullptr;
    int m_Count = 0;
    int m_BlockSize;
    // Counts every insertion, removal and replacement, so that positions read
    // earlier are known to be stale once it moved (it never wraps in practice).
    uint64_t m_Changes = 0;
};

// A CPtrList whose elements are pointers of type TYPE. Range-for walks it from
// the head: for (CKORU_ItemNode* n : *list).
template <class BASE, class TYPE>
class CTypedPtrList : public BASE {
public:
    class const_iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = TYPE;
        using difference_type = std::ptrdiff_t;
        using pointer = const TYPE*;
        using reference = TYPE;
        explicit const_iterator(const CPtrList::Node* n = nullptr) : m_Node(n) {}
        TYPE operator*() const { return static_cast<TYPE>(m_Node->data); }
        const_iterator& operator++() { m_Node = m_Node->next; return *this; }
        const_iterator operator++(int) { const_iterator t(*this); m_Node = m_Node->next; return t; }
        bool operator==(const const_iterator& o) const { return m_Node == o.m_Node; }
        bool operator!=(const const_iterator& o) const { return m_Node != o.m_Node; }
    private:
        const CPtrList::Node* m_Node;
    };
    using iterator = const_iterator;

    explicit CTypedPtrList(int blockSize = 10) : BASE(blockSize) {}

    TYPE GetHead() const noexcept { return static_cast<TYPE>(BASE::GetHead()); }
    TYPE GetTail() const noexcept { return static_cast<TYPE>(BASE::GetTail()); }
    POSITION AddHead(TYPE p) { return BASE::AddHead(p); }
    POSITION AddTail(TYPE p) { return BASE::AddTail(p); }
    POSITION InsertBefore(POSITION pos, TYPE p) { return BASE::InsertBefore(pos, p); }
    POSITION InsertAfter(POSITION pos, TYPE p) { return BASE::InsertAfter(pos, p); }
    TYPE RemoveHead() noexcept { return static_cast<TYPE>(BASE::RemoveHead()); }
    TYPE RemoveTail() noexcept { return static_cast<TYPE>(BASE::RemoveTail()); }
    TYPE GetNext(POSITION& pos) const noexcept { return static_cast<TYPE>(BASE::GetNext(pos)); }
    TYPE GetPrev(POSITION& pos) const noexcept { return static_cast<TYPE>(BASE::GetPrev(pos)); }
    TYPE GetAt(POSITION pos) const noexcept { return static_cast<TYPE>(BASE::GetAt(pos)); }
    void SetAt(POSITION pos, TYPE p) noexcept { BASE::SetAt(pos, p); }
    POSITION Find(TYPE p, POSITION startAfter = nullptr) const noexcept { return BASE::Find(p, startAfter); }

    const_iterator begin() const noexcept { return const_iterator(BASE::HeadNode()); }
    const_iterator end() const noexcept { return const_iterator(nullptr); }
};

// ---------------------------------------------------------------------------
// CMapStringToString
// ---------------------------------------------------------------------------

// A string-to-string map with case-sensitive keys, each held once. It iterates
// in the order in which keys were first set; a replaced value keeps its place.
// An empty map is a single null pointer; the pairs of a filled one lie in one
// block, searched linearly while small and through a hash index once larger.
class KORU_API CMapStringToString {
public:
    // `blockSize` is accepted for compatibility; the map sizes itself.
    explicit CMapStringToString(int blockSize = 10);
    CMapStringToString(const CMapStringToString& other);
    // A table built in a parser's memory is copied; any other is taken over.
    CMapStringToString(CMapStringToString&& other);
    CMapStringToString& operator=(const CMapStringToString& other);
    CMapStringToString& operator=(CMapStringToString&& other);
    ~CMapStringToString() { RemoveAll(); }

    // Number of keys.
    int GetCount() const noexcept { return m_Block ? static_cast<int>(m_Block->count) : 0; }
    // True when the map holds no key.
    bool IsEmpty() const noexcept { return GetCount() == 0; }

    // 1 and the value in `value` when `key` is present; else 0 and `value` unchanged.
    int Lookup(const CString& key, CString& value) const;
    int Lookup(const char* key, CString& value) const;
    // The value of `key`, or null when absent (extension).
    const CString* PLookup(std::string_view key) const noexcept;
    CString* PLookup(std::string_view key) noexcept;
    // Sets `key` to `value`; a present key keeps its place and takes the new value.
    void SetAt(const CString& key, const CString& value);
    void SetAt(CString&& key, CString&& value);
    // The value of `key`, added empty at the end when absent.
    CString& operator[](const CString& key);

    // Position of the first pair in iteration order; null when empty.
    POSITION GetStartPosition() const noexcept { return IsEmpty() ? nullptr : ToPosition(0); }
    // The pair at `pos` in `key` and `value`; moves `pos` on (null after the last pair).
    // A null or stale position leaves `key` and `value` unchanged and sets `pos` to null.
    void GetNextAssoc(POSITION& pos, CString& key, CString& value) const;
    // Removes every pair.
    void RemoveAll() noexcept;

    // Key or value of the pair at `i` in iteration order (extension); the empty
    // string when `i` is outside [0, GetCount()).
    const CString& KeyAt(int i) const noexcept { return InRange(i) ? m_Block->Pairs()[i].key : EmptyString(); }
    const CString& ValueAt(int i) const noexcept { return InRange(i) ? m_Block->Pairs()[i].value : EmptyString(); }

private:
    friend struct koru::detail::CoreAccess;

    struct Pair {
        CString key;
        CString value;
    };
    // One allocation: this header, `capacity` pairs of which `count` are built,
    // and for a map of more than kLinearLimit pairs an open-addressing index of
    // SlotCount(capacity) entries. A parser builds its nodes' tables in memory
    // it owns in bulk (the shared flag); such a block is never freed here.
    struct alignas(std::uintptr_t) Block {
        uint32_t count;
        uint32_t capacityBits;  // capacity * 2 + shared flag
        uint32_t Capacity() const noexcept { return capacityBits >> 1; }
        bool Shared() const noexcept { return (capacityBits & 1u) != 0; }
        Pair* Pairs() noexcept { return reinterpret_cast<Pair*>(this + 1); }
        const Pair* Pairs() const noexcept { return reinterpret_cast<const Pair*>(this + 1); }
        uint32_t* Slots() noexcept { return reinterpret_cast<uint32_t*>(Pairs() + Capacity()); }
        const uint32_t* Slots() const noexcept { return reinterpret_cast<const uint32_t*>(Pairs() + Capacity()); }
    };
    static constexpr uint32_t kLinearLimit = 8;
    // Index entries for a block of `capacity` pairs: none while searched linearly.
    static size_t SlotCount(size_t capacity) noexcept {
        if (capacity <= kLinearLimit) return 0;
        size_t size = 16;
        while (size < capacity * 2) size <<= 1;
        return size;
    }
    static size_t BlockBytes(size_t capacity) noexcept {
        return sizeof(Block) + sizeof(Pair) * capacity + sizeof(uint32_t) * SlotCount(capacity);
    }

    static POSITION ToPosition(size_t index) noexcept { return reinterpret_cast<POSITION>(index + 1); }
    bool InRange(int i) const noexcept { return i >= 0 && i < GetCount(); }
    static const CString& EmptyString() noexcept;
    long FindIndex(std::string_view key) const noexcept;
    // Makes room for `count` pairs in all.
    void Reserve(size_t count);
    size_t Append(CString&& key, CString&& value);
    // Room for one more pair at the end; Commit() then counts and indexes it.
    Pair* NewSlot();
    // Counts and indexes the pair just built at the end.
    size_t Commit();
    void IndexPair(uint32_t at) noexcept;

    Block* m_Block = nullptr;
};

// ---------------------------------------------------------------------------
// CKORU_ItemNode
// ---------------------------------------------------------------------------

// One start statement of a document: its text, level, tag name and attributes.
class KORU_API CKORU_ItemNode {
public:
    CString m_Statement;                 // statement text, without the closing '>'
    short m_Level;                       // nesting level; -1 when never pushed
    unsigned short m_WordCount;          // words outside name=value pairs (saturates at 65535)
private:
    uint32_t m_SourceOffset = 0;         // 1 + where the statement began in the text parsed; 0 unknown
public:
    CString m_TagName;                   // upper-cased first word
    CMapStringToString m_AttrTable;      // upper-cased name -> value as written; tag name -> ""
    CMapStringToString m_NewValueTable;  // upper-cased name -> value an update assigned, unquoted

    // Copy: the source's statement text and level, tables built again from the text.
    // A null source gives an empty node with level -1.
    explicit CKORU_ItemNode(CKORU_ItemNode* source);
    // Statement text `text` unchanged and the given level (cut to 16 bits).
    CKORU_ItemNode(int level, CString text);
    // Statement text = `statement` without its last byte (the closing '>'); level -1.
    explicit CKORU_ItemNode(const CString& statement);
    ~CKORU_ItemNode();
    CKORU_ItemNode(const CKORU_ItemNode&) = delete;
    CKORU_ItemNode& operator=(const CKORU_ItemNode&) = delete;

    // Derives word count, tag name and attribute table from the statement text,
    // adding to what the tables already hold.
    void InitNode();
    // Empties the attribute table.
    void ReleaseMainList();
    // Empties the new-value table.
    void ReleaseNewList();

private:
    friend struct koru::detail::CoreAccess;
    struct Blank {};
    // An empty node with level -1 and no tables, for the parser to fill.
    explicit CKORU_ItemNode(Blank) noexcept : m_Level(-1), m_WordCount(0) {}
};

// ---------------------------------------------------------------------------
// CMacroDef
// ---------------------------------------------------------------------------

// A macro name and value record, offered to hosts.
class KORU_API CMacroDef {
public:
    CString m_Name;
    CString m_Value;

    // Copies both fields of `other`; null gives two empty fields.
    explicit CMacroDef(const CMacroDef* other);
    CMacroDef(CString name, CString value);
    CMacroDef(const CMacroDef& other);
    ~CMacroDef();
    CMacroDef& operator=(const CMacroDef& other);
};

// ---------------------------------------------------------------------------
// Refusals
// ---------------------------------------------------------------------------

// Why a parse or an update text was refused.
enum class KoruRefusalCode {
    None = 0,             // the last parse or update succeeded (or none ran yet)
    NoFrame,              // no "<U>" before the end of the text
    SecondFrameStart,     // a second "<U>" before "</U>"
    FrameEndBeforeStart,  // "</U>" before any "<U>"
    UnclosedFrameComment, // "<!--" with no "-->" after it
    UnclosedMacroBlock,   // "MACRO" with no "/MACRO" after it
    UnclosedComment,      // "!--" inside a statement with no closing "--"
    NoStatement,          // the text holds no statement
    Unbalanced,           // start and end statements do not balance
    ExpansionLimit,       // macro substitution would exceed the expansion bound
    NestingLimit,         // a level would exceed 32767
    NoMainList,           // an update before any document was parsed
};

// Details of the last refusal. Offsets are byte offsets into the text as the
// failing stage saw it; line and column are 1-based (0 when unknown).
struct KoruRefusal {
    KoruRefusalCode code = KoruRefusalCode::None;
    std::string message;
    long long offset = -1;
    int line = 0;
    int column = 0;
    long long startCount = 0;  // Unbalanced: number of start statements
    long long endCount = 0;    // Unbalanced: number of end statements
};

namespace koru { namespace detail { class Arena; struct SourceStatements; struct SpanRange; class NodeIndex; class ListPositions; struct FragmentOutline; class ParseTransaction; class MainList; class RebuiltList; struct ParserAccess; } }

// ---------------------------------------------------------------------------
// CKORU_Parser
// ---------------------------------------------------------------------------

// One parser per document. It owns every list and node it builds and its macro
// table. Lists returned by queries and UpdateParser belong to the caller, who
// frees them with ReleaseNodeList; their nodes stay owned by the parser.
// Two parsers may work on two threads at once; one parser serves one thread at a time.
// Destroying a parser keeps some of its memory on the destroying thread for
// later parsers there (freed at thread exit; see KoruReleaseCachedMemory).
class KORU_API CKORU_Parser {
public:
    typedef CTypedPtrList<CPtrList, CKORU_ItemNode*> NodeList;
    typedef CTypedPtrList<CPtrList, CString*> StatementList;

    CKORU_Parser();
    ~CKORU_Parser();
    CKORU_Parser(const CKORU_Parser&) = delete;
    CKORU_Parser& operator=(const CKORU_Parser&) = delete;

    // Frees a list returned by a query or UpdateParser, never its nodes. Null, or
    // one of the parser's own lists, does nothing.
    void ReleaseNodeList(NodeList* list);

    // The main list, or null before the first successful parse. Owned by the parser.
    NodeList* GetMainList() const noexcept { return m_pMainList; }

    // Why the last DoParsingProc or text UpdateParser was refused; code None after a success.
    const KoruRefusal& GetLastRefusal() const noexcept { return m_LastRefusal; }

    // Parses `source`: the first successful parse builds the main list, later ones
    // merge into it. 1 on success; 0 when refused, and then nothing changed
    // (`source` included). On success `source` holds the processed source.
    int DoParsingProc(CString& source, int overwrite);

    // Applies an update text batch by batch; returns the rebuilt nodes (caller frees
    // the list). Null when there is no main list or the text is refused.
    NodeList* UpdateParser(CKORU_ItemNode* node, CString text, int newValueFlag);
    // Merges one batch of statements (taken over and freed); null when nothing was rebuilt
    // or `statements` is null.
    NodeList* UpdateParser(StatementList* statements);

    // First node of `list` (null: the main list) with `level` and N value `name`; null if none.
    CKORU_ItemNode* GetNode(NodeList* list, short level, CString name);
    // First node of `list` with tag `tag` (case ignored) and N value `name`; null if none.
    CKORU_ItemNode* GetNode(NodeList* list, CString tag, CString name);
    // Nodes with tag `tag`, or only the children of `parent`; null if none or no main list.
    NodeList* GetNodeList(NodeList* list, CString tag, CKORU_ItemNode* parent);
    // Nodes of `level`, or only those nested in `parent`; null if none or no main list.
    NodeList* GetNodeList(NodeList* list, short level, CKORU_ItemNode* parent);
    // Parent of `node` in the main list; null if none or `node` is null.
    CKORU_ItemNode* GetParent(CKORU_ItemNode* node);
    // Value of attribute `name`, one pair of surrounding quotes removed; "" if absent or null node.
    CString GetValue(CString name, CKORU_ItemNode* node);
    // Upper-cases `word`; 1 when `node`'s attribute table has it as a key, else 0 (0 for null).
    int IsInWord(CString& word, CKORU_ItemNode* node);

    // Link target of the main list's single body node; "" if none.
    CString GetBodyHRef();
    // Link target of `node` or its nearest ancestor that has one; "" if none or null.
    CString GetCtrlHRef(CKORU_ItemNode* node);

    // Deletes `node` and every node nested in it from the main list; null does nothing.
    void DeleteNode(CKORU_ItemNode* node);
    // Deletes the children of `parent` tagged `tag` whose T value is `tValue`, with their runs.
    void DeleteNode(CString tValue, CKORU_ItemNode* parent, CString tag);

    // Assigns `value` to attribute `name` of `node` when present (under the flags); 1 when
    // present, else 0 (0 for a null node). `name` is upper-cased in place.
    int If_IsInLValue_UpdateRValue(CString& name, CString& value, CKORU_ItemNode* node);

    // Character class of `c`: 1 blank, 2 quote, 3 '&', 4 ';', 5 '=', 6 ':', 0 other.
    static short IsWordDelimitation(char c);
    // Moves `pos` until it rests on a byte of class `stopClass` or reaches `limit`;
    // never leaves [0, length]. An out-of-range `pos` is left unchanged.
    static void SearchAndSkipRightOrLeft(CString& text, int limit, int& pos, short stopClass, int toRight);
    // Number of words of `text`; `equalsCount` gets the equals signs outside quotes (saturates).
    static int GetWordCount(CString& text, short& equalsCount);
    // First word or quoted value of `text`; with `cut`, `text` becomes what follows it.
    static CString GetFirstWord(CString& text, int cut);
    // Tag name of `node`; "" for null.
    static CString GetFirstWord(CKORU_ItemNode* node);
    // Decodes the length-prefixed value whose quote is at `pos`; "" when none starts there.
    static CString EncodeRValue(CString& text, int cut, int& pos);
    // The node's attribute table as "NAME=value " pairs in table order; "" for null.
    static CString MakeStatement(CKORU_ItemNode* node);

private:
    friend struct koru::detail::ParserAccess;
    friend class koru::detail::MainList;
    friend class koru::detail::ParseTransaction;
    friend void KoruSetParseFlags(CKORU_Parser& parser, int overwrite, int newValue) noexcept;

    // parser object
    void ReleaseSubList();
    void ClearStringInMainNodeList();
    // parse driver
    void MakeMainNode();
    void MakeSubNode();
    int Refuse(KoruRefusalCode code, long long offset, std::string_view text);
    // statement splitter
    int PrepareSource(CString& source);
    int SplitStatements(const CString& source, koru::detail::SourceStatements& out);
    // tag nesting stack
    void StackOperation(StatementList* statements);
    void StackStatements(const CString& source, koru::detail::SourceStatements& statements);
    void StackSpans(std::string_view text, koru::detail::SourceStatements& statements,
                    const koru::detail::SpanRange& range, bool parse);
    void StackOne(std::string_view statement, bool closes, long long offset);
    void Push(CKORU_ItemNode* node);
    CKORU_ItemNode* Pop();
    int AreYouEndTag(CString word);
    long long CheckParseNesting(const koru::detail::SourceStatements& statements);
    std::vector<std::pair<int, bool>> StatementMarks(const CString& source);
    long long FirstUnmatchedStart(const CString& source);
    long long StatementOffset(const CString& source, long long index);
    int CheckUpdateNesting(const StatementList* statements, bool batched);
    int CheckUpdateNesting(std::string_view text, const koru::detail::SourceStatements& statements);
    // word scanner
    short RemoveHeadChar(CString& text, char c);
    short RemoveTailChar(CString& text, char c);
    // macro table
    void DiscardStagedMacros();
    void CommitStagedMacros();
    void MakeMacroList();
    void TokenMacroString(CMapStringToString* newDefinitions);
    void MakeNewMacroList(CString& name, CString& value, CMapStringToString& newDefinitions);
    int ConfirmationMacroValue(CString& name, CString& value);
    void UpdateMacroList(CMapStringToString* newDefinitions);
    int IsInSameMacroKey(CString& name, CString& value, CMapStringToString* table);
    void ReplaceMacroValue(CString& source, CString name, CString value);
    void ReleaseMacroList();
    int SubstituteMacros(CString& source);
    // redefinition check
    int DoYouHaveReDefineSource(CString& source);
    void KeepRedefinition(CString& source, size_t end);
    // node lookup
    POSITION FindIn(NodeList* list, CKORU_ItemNode* node);
    // link lookup
    CKORU_ItemNode* GetBodyNode(NodeList* list);
    // fragment merge
    void ConcateNode(const koru::detail::SourceStatements& statements);
    CKORU_ItemNode* AddNewControl(CKORU_ItemNode* control);
    POSITION GetInsertTargetPositionOfMainList();
    void AddNewFormStatement();
    short GetFORMLevelOfMainList();
    int CheckFormID_InMainList();
    int DoYouHaveFormID(CString id);
    // control rebuilding
    CKORU_ItemNode* RemakeControl(POSITION fragmentControl);
    CKORU_ItemNode* ReMakeBodyControl();
    CKORU_ItemNode* ReMakeBodyControl(const koru::detail::FragmentOutline& outline);
    CKORU_ItemNode* RemakeNode(CKORU_ItemNode* documentParent, POSITION parentPos, short level,
                               const std::vector<POSITION>& fragmentChildren);
    void AddNewEventNode(POSITION documentParent, POSITION fragmentChild);
    // attribute assignment
    void AddOrUpdateLValue(CKORU_ItemNode* source, CKORU_ItemNode* target);
    // node deletion
    void DeleteOneNodeFromMainList(CKORU_ItemNode* node);
    // update entry
    NodeList* MergeBatch(StatementList* statements);
    bool MergeStacked(koru::detail::RebuiltList& rebuilt);

    NodeList* m_pMainList;               // the document's nodes, in closing order
    int m_nDepth;                        // open tags on the tag stack
    NodeList m_TagStack;                 // open start nodes, innermost at the tail
    NodeList m_ClosedList;               // nodes closed in the current parse
    NodeList m_SubList;                  // nodes of the current fragment
    CMapStringToString* m_pMacroTable;   // macro name -> value, kept across parses
    CString m_MacroBlockText;            // content of the source's macro block
    int m_nOverwrite;                    // later definitions replace earlier ones
    int m_nNewValue;                     // merges also fill new-value tables
    CString m_ReDefineSource;            // text after the first "</U>"

    CMapStringToString* m_pStagedMacroTable;  // macro table of a parse not yet accepted
    koru::detail::NodeIndex* m_pNodeIndex;    // the main list while a merge or deletion runs, as queries see it
    koru::detail::ListPositions* m_pPositions;  // main-list positions for queries, made on the first lookup
    koru::detail::Arena* m_pArena;            // memory of the document's nodes, their texts and tables
    koru::detail::Arena* m_pScratchArena;     // memory of fragment and update nodes, freed after their merge
    KoruRefusal m_LastRefusal;
    void (*m_pFreedHook)(void*, const CKORU_ItemNode*) = nullptr;  // told of main-list nodes about to be freed
    void* m_pFreedContext = nullptr;
};

// ---------------------------------------------------------------------------
// Writing documents back
// ---------------------------------------------------------------------------

// Writes `list` (a main list, in closing order) as a KORU document: the "<U>"
// frame, each node as a start statement built from its attribute table (tag
// name first, then NAME=value pairs in table order), nested by level and closed
// by its end statement. Values are quoted or length-prefixed where needed, so
// that parsing the result gives the same nodes, levels, tag names and values.
// A null list gives "<U></U>".
KORU_API CString KoruWriteDocument(const CTypedPtrList<CPtrList, CKORU_ItemNode*>* list);

// ---------------------------------------------------------------------------
// Where nodes came from (extension)
// ---------------------------------------------------------------------------

// Byte offset at which `node`'s statement began in the text that the parse
// which built it left in its argument (the processed source); -1 when unknown
// (a null node, or one built from an update text or a host's statement list).
// A node a merge copied in keeps its place in the fragment.
KORU_API long long KoruNodeOffset(const CKORU_ItemNode* node) noexcept;
// The same place as line and column (1-based) in `original`, the text the host
// handed to that parse, given `processed`, the text the parse left in its
// argument. 1 when placed; 0 (line and column 0) when the offset is unknown or
// lies only in text that macro expansion produced.
KORU_API int KoruNodePlace(const CKORU_ItemNode* node, const CString& original, const CString& processed,
                           int& line, int& column);
// A line and column, 1-based; 0 when unknown.
struct KoruPlace {
    int line = 0;
    int column = 0;
};
// The places of every node of `nodes`, in one reading of the two texts:
// KoruNodePlace reads them for every node it is asked about.
KORU_API std::vector<KoruPlace> KoruNodePlaces(const CTypedPtrList<CPtrList, CKORU_ItemNode*>* nodes,
                                               const CString& original, const CString& processed);

// ---------------------------------------------------------------------------
// Nodes a parser frees (extension)
// ---------------------------------------------------------------------------

// Called with a node of the main list just before the parser frees it.
typedef void (*KoruFreedNodeHook)(void* context, const CKORU_ItemNode* node);
// Has `parser` call `hook(context, node)` for every node of its main list that
// it is about to free: by DeleteNode, by a merge's removal instruction or a
// control it rebuilds, by an update. A host that keeps node pointers across
// such calls lets go of them there; the node must not be used after the hook
// returns. Not called for the nodes freed with the parser itself. One hook at a
// time; a null hook stops the calls.
KORU_API void KoruWatchFreedNodes(CKORU_Parser& parser, KoruFreedNodeHook hook, void* context) noexcept;

// ---------------------------------------------------------------------------
// The overwrite and new-value flags (extension)
// ---------------------------------------------------------------------------

// Sets `parser`'s two flags (nonzero sets, 0 clears) without parsing anything.
// The overwrite flag lets If_IsInLValue_UpdateRValue replace a value; every
// DoParsingProc sets it from its argument, every update that merges sets it.
// The new-value flag has assignments and merges also record each value,
// unquoted, in the node's new-value table; every text UpdateParser sets it
// from its argument.
// So after KoruSetParseFlags(parser, 1, 1), assigning HREF="x y" to a node
// that has HREF leaves HREF -> "x y" in its attribute table and HREF -> x y in
// its new-value table.
KORU_API void KoruSetParseFlags(CKORU_Parser& parser, int overwrite, int newValue) noexcept;

// A parser's memory outlives it on the thread that destroys it: 32 MB a
// thread, or twice as much as the largest of its last few documents took (at
// most 512 MB), is kept for the next parser there, and freed when the thread ends.
// Frees it now (this thread's only); returns the bytes freed.
KORU_API size_t KoruReleaseCachedMemory() noexcept;

// ---------------------------------------------------------------------------
// Checking and laying out sources (extension)
// ---------------------------------------------------------------------------

enum class KoruSeverity { Error, Warning };

// One finding of KoruCheckSource, placed in the text checked. Lines and columns
// are 1-based and count bytes; 0 where unknown.
struct KoruDiagnostic {
    KoruSeverity severity = KoruSeverity::Error;
    std::string code;     // short and stable, such as "unclosed-start"
    std::string message;
    std::string refusal;  // errors: the refusal's reason (KoruRefusalName), else empty
    int line = 0;
    int column = 0;
    int endLine = 0;      // the last byte of what the finding is about
    int endColumn = 0;
    std::string note;     // a second place the finding names, such as where a quoted value ran to
    int noteLine = 0;
    int noteColumn = 0;
};

struct KoruCheckOptions {
    std::vector<std::string> extraTags;  // tag names to accept beside the language's own (case ignored)
    std::vector<std::string> disabled;   // codes of warnings not to report
};

// Checks `text` as a whole document, as DoParsingProc would take it. A refused
// text gives errors: where the mistake most likely is (a start statement closed
// by an end statement of another name, an end statement that matches no open
// start, an unclosed quote, a length header whose count misses its closing
// quote, a start statement without its '>'), each with the refusal's reason,
// or the refusal itself where no such mistake is found. An accepted text can
// give warnings for what parses but is almost surely a mistake. In order of place.
KORU_API std::vector<KoruDiagnostic> KoruCheckSource(const CString& text,
                                                     const KoruCheckOptions& options = KoruCheckOptions());

// One piece of a source as its author wrote it.
struct KoruSourcePiece {
    enum Kind {
        StartStatement,
        EndStatement,  // closes the innermost open statement, whatever its name
        Comment,       // through its closing "--" and the '>' after it
        MacroBlock,    // from its '<' through the '>' after "/MACRO"
        Text,          // between statements, the text after "</U>", or what a reading cut short left
    };
    Kind kind = Text;
    size_t offset = 0;  // in bytes
    size_t length = 0;
    int line = 1;       // 1-based, of the first byte
    int column = 1;
};

// Reads `text` the way a parse reads it, but before macro expansion: the pieces,
// in order, together are the whole text byte for byte, so tools can point at
// and rewrite what the author wrote.
KORU_API std::vector<KoruSourcePiece> KoruReadSource(const CString& text);

// Short name of a refusal reason, such as "unbalanced"; "none" for None.
KORU_API const char* KoruRefusalName(KoruRefusalCode code) noexcept;

// Lays `text` out one statement per line, each indented by `indent` blanks
// (0 to 16) per open start statement (up to 32 of them), an end statement at
// the indent of the start it closes, or beside it when it follows it directly.
// Statements, comments, the macro block, macro references and the text after
// "</U>" stay byte for byte; only blanks and line breaks between statements
// change, so the layout parses exactly as `text` does and is its own layout.
// 1 with the layout in `out`; 0 with `out` a copy of `text` when `text` is
// refused, or reads otherwise before and after macro expansion, or has quoted
// bytes between statements that the frame check counts: new blanks there could
// change its parse.
KORU_API int KoruFormatSource(const CString& text, CString& out, int indent = 2);

// ---------------------------------------------------------------------------
// URI encoding
// ---------------------------------------------------------------------------

// Form-encodes `text` (blank -> '+', other bytes but letters, digits and bytes
// above 127 -> "%xx"). Null reads as "". The result stays valid until the next
// URIEncode call on the same thread.
KORU_API const char* URIEncode(const char* text);
// Decodes a form-encoded text. A '%' with fewer than two bytes after it is copied
// as it stands. Null reads as "". Valid until the next URIDecode call on the same thread.
KORU_API const char* URIDecode(const char* text);

#endif
