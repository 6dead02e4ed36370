/* Scanning a model: criteria by element type, level and class, returning file
** positions or element records in batches. */
#include <algorithm>
#include <bitset>
#include <cstring>
#include <new>
#include <vector>

#include "host/mdlelement.h"
#include "host/sim/design/design.h"

using namespace sim::elem;

struct ScanCriteria {
    DgnModel* model = nullptr;
    std::bitset<128> types;
    bool anyType = true;
    std::vector<uint32_t> levels;
    uint32_t classMask = 0;
    int returnType = SCAN_RETURN_ELEMENTS;
    bool oneElement = false;
    bool nestCells = false;
    uint32_t next = 1;        /* next file position to test */
};

namespace {

bool matches(const ScanCriteria& c, const sim::design::Slot& s) {
    if (!s.data || s.deleted) return false;
    if (s.component && !c.nestCells) return false;
    if (!c.anyType && (s.type >= 128 || !c.types.test(s.type))) return false;
    if (!c.levels.empty() && std::find(c.levels.begin(), c.levels.end(), s.level) == c.levels.end()) return false;
    if (c.classMask) {
        if (!isGraphicType(s.type)) return false;
        uint32_t cls = get2(s.data + D_CLASS);
        if (cls >= 32 || !(c.classMask & (1u << cls))) return false;
    }
    return true;
}

}  // namespace

ScanCriteriaP mdlScanCriteria_create(void) { return new (std::nothrow) ScanCriteria(); }

StatusInt mdlScanCriteria_free(ScanCriteriaP c) {
    delete c;
    return HOST_SUCCESS;
}

StatusInt mdlScanCriteria_setModel(ScanCriteriaP c, DgnModelRefP model) {
    if (!c) return HOST_ERROR;
    c->model = model;
    c->next = 1;
    return HOST_SUCCESS;
}

StatusInt mdlScanCriteria_addSingleElementTypeTest(ScanCriteriaP c, int type) {
    if (!c || type <= 0 || type >= 128) return HOST_ERROR;
    c->types.set(static_cast<size_t>(type));
    c->anyType = false;
    return HOST_SUCCESS;
}

StatusInt mdlScanCriteria_addSingleLevelTest(ScanCriteriaP c, UInt32 level) {
    if (!c) return HOST_ERROR;
    c->levels.push_back(level);
    return HOST_SUCCESS;
}

StatusInt mdlScanCriteria_setClassTest(ScanCriteriaP c, UInt32 classMask) {
    if (!c) return HOST_ERROR;
    c->classMask = classMask;
    return HOST_SUCCESS;
}

StatusInt mdlScanCriteria_setReturnType(ScanCriteriaP c, int returnType, BoolInt oneElement, BoolInt nestCells) {
    if (!c || (returnType != SCAN_RETURN_ELEMENTS && returnType != SCAN_RETURN_FILEPOS)) return HOST_ERROR;
    c->returnType = returnType;
    c->oneElement = oneElement != 0;
    c->nestCells = nestCells != 0;
    return HOST_SUCCESS;
}

StatusInt mdlScanCriteria_reset(ScanCriteriaP c) {
    if (!c) return HOST_ERROR;
    c->next = 1;
    return HOST_SUCCESS;
}

int mdlScanCriteria_scan(ScanCriteriaP c, UInt32* buffer, int* words, UInt32* nextFilePos) {
    if (!c || !buffer || !words || *words < 0) return HOST_ERROR;
    DgnModel* m = c->model ? c->model : sim::design::activeModel();
    if (!m) return HOST_ERROR;
    const size_t capacity = static_cast<size_t>(*words);   /* 16-bit words */
    size_t used = 0;
    size_t count = 0;
    const size_t end = m->slots.size();
    const sim::design::Slot* slots = m->slots.data();
    size_t p = c->next;      /* 1-based */
    int status = SCAN_END_OF_MODEL;
    for (; p <= end; ++p) {
        const sim::design::Slot& s = slots[p - 1];
        if (!matches(*c, s)) continue;
        size_t need = c->returnType == SCAN_RETURN_FILEPOS ? 2 : sizeBytes(s.data) / 2;
        if (used + need > capacity || (c->oneElement && count == 1)) {
            status = SCAN_BUFFER_FULL;
            break;
        }
        if (c->returnType == SCAN_RETURN_FILEPOS) {
            buffer[used / 2] = static_cast<UInt32>(p);
        } else {
            std::memcpy(reinterpret_cast<uint8_t*>(buffer) + 2 * used, s.data, 2 * need);
        }
        used += need;
        ++count;
    }
    if (status == SCAN_BUFFER_FULL && count == 0) {
        /* An element larger than the whole buffer: report it and skip it so that the scan can go on. */
        ++p;
    }
    c->next = static_cast<uint32_t>(std::min<size_t>(p, 0xFFFFFFFFu));
    *words = static_cast<int>(used);
    if (nextFilePos) *nextFilePos = c->next;
    return status;
}
