// What a parse or a text update stages before it is accepted, undone unless
// the call commits it: so a refusal at any step leaves the parser as the call
// found it, and no failure site cleans up by hand.
#ifndef KORU_DRIVER_PARSE_TRANSACTION_H
#define KORU_DRIVER_PARSE_TRANSACTION_H

#include "koru.h"

namespace koru { namespace detail {

class ParseTransaction {
public:
    // A parse passes the overwrite flag it was given: a refusal leaves that flag
    // set and drops the redefinition text. An update passes kUpdate.
    static constexpr int kUpdate = -1;
    ParseTransaction(CKORU_Parser& parser, int overwrite) : m_Parser(parser), m_Overwrite(overwrite) {}
    ~ParseTransaction();
    ParseTransaction(const ParseTransaction&) = delete;
    ParseTransaction& operator=(const ParseTransaction&) = delete;

    // Keeps the staged macro definitions.
    void Commit();

private:
    CKORU_Parser& m_Parser;
    int m_Overwrite;
    bool m_Committed = false;
};

}}  // namespace koru::detail

#endif
