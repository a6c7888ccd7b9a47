// Helpers shared by the fuzz targets: a failing check prints what broke and aborts,
// which libFuzzer reports as a crash with the input saved.
#ifndef KORU_FUZZ_SUPPORT_H
#define KORU_FUZZ_SUPPORT_H

#include "invariants.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace koru_fuzz {

[[noreturn]] inline void Fail(const char* where, const std::string& what) {
    std::fprintf(stderr, "koru fuzz check failed (%s): %s\n", where, what.c_str());
    std::abort();
}

// Aborts when a check returned a description.
inline void Require(const char* where, const std::string& result) {
    if (!result.empty()) Fail(where, result);
}

inline void Require(const char* where, bool holds, const char* what) {
    if (!holds) Fail(where, what);
}

// Splits the input at its first zero byte: the part before and the part after.
// Without a zero byte the input is cut in the middle.
inline std::pair<std::string_view, std::string_view> SplitInput(const uint8_t* data, size_t size) {
    std::string_view all(reinterpret_cast<const char*>(data), size);
    size_t cut = all.find('\0');
    if (cut == std::string_view::npos) return {all.substr(0, size / 2), all.substr(size / 2)};
    return {all.substr(0, cut), all.substr(cut + 1)};
}

}  // namespace koru_fuzz

#endif
