// Lines and columns of byte offsets, as refusals, checks and source readings
// report them: 1-based, columns counted in bytes, lines ended by '\n'.
#ifndef KORU_REFUSAL_LINE_INDEX_H
#define KORU_REFUSAL_LINE_INDEX_H

#include <algorithm>
#include <string_view>
#include <vector>

namespace koru { namespace detail {

class LineIndex {
public:
    explicit LineIndex(std::string_view text) {
        m_Starts.push_back(0);
        for (size_t i = 0; i < text.size(); ++i)
            if (text[i] == '\n') m_Starts.push_back(i + 1);
    }
    // Line and column of the byte at `offset` (or of the end of the text).
    void Place(size_t offset, int& line, int& column) const {
        const auto next = std::upper_bound(m_Starts.begin(), m_Starts.end(), offset);
        line = static_cast<int>(next - m_Starts.begin());
        column = static_cast<int>(offset - *(next - 1)) + 1;
    }

private:
    std::vector<size_t> m_Starts;  // offset of each line's first byte
};

}}  // namespace koru::detail

#endif
