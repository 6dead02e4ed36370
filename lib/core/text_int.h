/* Bounded copies into the fixed text slots of the library's records. */
#pragma once

#include <cstddef>
#include <cstring>

namespace zmlib {

/* Copy SOURCE (null: empty) into DEST of SIZE bytes: cut to SIZE - 1
** characters, zero-terminated, the rest zero-filled so that stored padding is
** always the same. Return the number of characters kept. */
inline size_t copyFixed(char* dest, size_t size, const char* source) {
    if (!dest || size == 0) return 0;
    size_t n = source ? ::strnlen(source, size - 1) : 0;
    if (n) std::memmove(dest, source, n);
    std::memset(dest + n, 0, size - n);
    return n;
}

template <size_t N>
inline size_t copyFixed(char (&dest)[N], const char* source) {
    return copyFixed(dest, N, source);
}

}  // namespace zmlib
