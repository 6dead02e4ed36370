/* Growing arrays of fixed-size members and the host's sort. Arrays take
** their memory from the host allocator, so its failure switch reaches them. */
#include <algorithm>
#include <climits>
#include <cstring>
#include <vector>

#include "host/mdlsystem.h"
#include "host/mdlutil.h"

struct DArray {
    char* data;
    int memberSize;
    int count;
    int capacity;
};

namespace {

/* Make room for at least NEED members; false when memory runs out. */
bool reserve(DArray* a, int need) {
    if (need <= a->capacity) return true;
    long long cap = a->capacity ? a->capacity : 16;
    while (cap < need) cap *= 2;
    if (cap > INT_MAX) cap = need;
    size_t bytes = static_cast<size_t>(cap) * static_cast<size_t>(a->memberSize);
    void* grown = dlmSystem_mdlRealloc(a->data, bytes);
    if (!grown) return false;
    a->data = static_cast<char*>(grown);
    a->capacity = static_cast<int>(cap);
    return true;
}

}  // namespace

HOST_API DArrayP mdlDArray_create(int memberSize) {
    if (memberSize <= 0) return nullptr;
    auto* a = static_cast<DArray*>(dlmSystem_mdlCalloc(1, sizeof(DArray)));
    if (!a) return nullptr;
    a->memberSize = memberSize;
    return a;
}

HOST_API StatusInt mdlDArray_insertMembers(DArrayP array, int index, const void* members, int count) {
    if (!array || count < 0) return HOST_ERROR;
    if (index == -1) index = array->count;
    if (index < 0 || index > array->count || count > INT_MAX - array->count) return HOST_ERROR;
    if (count == 0) return HOST_SUCCESS;
    if (!reserve(array, array->count + count)) return HOST_ERROR;
    size_t m = static_cast<size_t>(array->memberSize);
    char* at = array->data + static_cast<size_t>(index) * m;
    std::memmove(at + static_cast<size_t>(count) * m, at, static_cast<size_t>(array->count - index) * m);
    if (members)
        std::memcpy(at, members, static_cast<size_t>(count) * m);
    else
        std::memset(at, 0, static_cast<size_t>(count) * m);
    array->count += count;
    return HOST_SUCCESS;
}

HOST_API StatusInt mdlDArray_deleteMembers(DArrayP array, int index, int count) {
    if (!array || index < 0 || count < 0 || index > array->count || count > array->count - index) return HOST_ERROR;
    size_t m = static_cast<size_t>(array->memberSize);
    char* at = array->data + static_cast<size_t>(index) * m;
    std::memmove(at, at + static_cast<size_t>(count) * m, static_cast<size_t>(array->count - index - count) * m);
    array->count -= count;
    return HOST_SUCCESS;
}

HOST_API int mdlDArray_getCount(DArrayP array) { return array ? array->count : 0; }

HOST_API void* mdlDArray_getMember(DArrayP array, int index) {
    if (!array || index < 0 || index >= array->count) return nullptr;
    return array->data + static_cast<size_t>(index) * static_cast<size_t>(array->memberSize);
}

HOST_API void* mdlDArray_getData(DArrayP array) { return array && array->count ? array->data : nullptr; }

HOST_API void mdlDArray_free(DArrayP* array) {
    if (!array || !*array) return;
    dlmSystem_mdlFree((*array)->data);
    dlmSystem_mdlFree(*array);
    *array = nullptr;
}

/* A bottom-up merge sort over member indices: every access is bounded by
** the run limits, whatever the comparison answers, and equal members keep
** their order. The members are permuted once at the end. */
HOST_API void mdlUtil_quickSort(void* base, int count, int memberSize, UtilCompareFunc compare) {
    if (!base || count < 2 || memberSize <= 0 || !compare) return;
    char* bytes = static_cast<char*>(base);
    size_t m = static_cast<size_t>(memberSize);
    auto member = [&](int i) { return bytes + static_cast<size_t>(i) * m; };
    std::vector<int> order(static_cast<size_t>(count)), scratch(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) order[static_cast<size_t>(i)] = i;
    for (long long width = 1; width < count; width *= 2) {
        for (long long lo = 0; lo < count; lo += 2 * width) {
            int mid = static_cast<int>(std::min<long long>(lo + width, count));
            int hi = static_cast<int>(std::min<long long>(lo + 2 * width, count));
            int i = static_cast<int>(lo), j = mid, k = static_cast<int>(lo);
            while (i < mid && j < hi) {
                bool takeRight = compare(member(order[static_cast<size_t>(j)]), member(order[static_cast<size_t>(i)])) < 0;
                scratch[static_cast<size_t>(k++)] = order[static_cast<size_t>(takeRight ? j++ : i++)];
            }
            while (i < mid) scratch[static_cast<size_t>(k++)] = order[static_cast<size_t>(i++)];
            while (j < hi) scratch[static_cast<size_t>(k++)] = order[static_cast<size_t>(j++)];
        }
        order.swap(scratch);
    }
    std::vector<char> sorted(static_cast<size_t>(count) * m);
    for (int i = 0; i < count; ++i) std::memcpy(sorted.data() + static_cast<size_t>(i) * m, member(order[static_cast<size_t>(i)]), m);
    std::memcpy(bytes, sorted.data(), sorted.size());
}
