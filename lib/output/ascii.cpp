/* Plain-text writer: owns the one open text file and the texts collected
** for it (records in a host dynamic array, smallest x seen), laid out on
** character lines and columns at close. */
#include "lib/output/ascii.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <type_traits>

#include "host/mdlgeom.h"
#include "host/mdlsystem.h"
#include "host/mdlutil.h"
#include "lib/core/error.h"
#include "lib/core/mem.h"
#include "lib/output/driver_int.h"

namespace {

constexpr double COLUMNS_PER_MM = 0.8333333333333334; /* one character per 1.2 mm */
/* The page: a text farther off stands at its edge, so that the file stays
** in proportion to its texts (4000 columns and lines are 4.8 m and 8 m). */
constexpr long long MAX_COLUMN = 4000;
constexpr long long MAX_BLANK_LINES = 4000;

struct AsciiText {
    char* text;           /* owned copy, from the library allocator */
    int a, b;             /* the caller's values, kept unchanged */
    double x, y;          /* origin: the outline's first point */
    Dpoint3d outline[5];
};
static_assert(std::is_trivially_copyable_v<AsciiText>);

struct AsciiState {
    FILE* file;
    DArrayP texts;
    int count;
    double xmin;
};
AsciiState state{};

/* Higher lines first; on one line (y less than 2 apart) smaller x first. */
int compareTexts(const void* left, const void* right) {
    const auto* a = static_cast<const AsciiText*>(left);
    const auto* b = static_cast<const AsciiText*>(right);
    if (std::fabs(b->y - a->y) >= 2.0) return zmoutput::truncToInt(b->y - a->y);
    return zmoutput::truncToInt(a->x - b->x);
}

void writeRepeated(FILE* f, char c, long long count) {
    char chunk[257];
    std::memset(chunk, c, sizeof chunk - 1);
    chunk[sizeof chunk - 1] = '\0';
    while (count > 0) {
        long long n = count > 256 ? 256 : count;
        toolSubsystem_fprintf(f, "%s", chunk + (256 - n));
        count -= n;
    }
}

void freeTexts() {
    for (int i = 0; i < mdlDArray_getCount(state.texts); ++i)
        dlmSystem_mdlFree(static_cast<AsciiText*>(mdlDArray_getMember(state.texts, i))->text);
    mdlDArray_free(&state.texts);
    state.count = 0;
}

}  // namespace

extern "C" ZMLIB_API int zmlibAscii_fopen(const char* fileName) {
    if (state.file) zmlibAscii_fclose();
    FILE* file = fileName ? dlmSystem_mdlFopen(fileName, "w") : nullptr;
    if (!file) {
        toolSubsystem_printf("zmlibAscii: cannot open %s.\n", fileName ? fileName : "");
        return 0;
    }
    state.texts = mdlDArray_create(static_cast<int>(sizeof(AsciiText)));
    if (!state.texts) {
        toolSubsystem_printf("zmlibAscii: cannot open %s.\n", fileName);
        dlmSystem_mdlFclose(file);
        return 0;
    }
    state.file = file;
    state.count = 0;
    state.xmin = *fc_rmaxi4P;
    return 1;
}

extern "C" ZMLIB_API void zmlibAscii_drawText(const Dpoint3d* outline, const char* text, double size, int a,
                                              int b, double angle, int alignment) {
    if (!state.file || !outline || !text || !(std::fabs(angle) <= 1.0)) return;
    AsciiText record{};
    size_t length = std::strlen(text);
    if (length >= 0xFFFFFFFFu) return;
    record.text = static_cast<char*>(zmlibMem_mallocRscErrorPrintf(static_cast<unsigned>(length + 1),
                                                                   ZMLIB_LIST_ERRORS, ZMLIB_MSG_OUT_OF_MEMORY));
    if (!record.text) return;
    std::memcpy(record.text, text, length + 1);
    record.a = a;
    record.b = b;
    record.x = outline[0].x;
    record.y = outline[0].y;
    std::memcpy(record.outline, outline, sizeof record.outline);
    if (mdlDArray_insertMembers(state.texts, -1, &record, 1) != HOST_SUCCESS) {
        dlmSystem_mdlFree(record.text);
        return;
    }
    ++state.count;
    if (record.x < state.xmin) state.xmin = record.x;
}

extern "C" ZMLIB_API void zmlibAscii_fclose(void) {
    if (!state.file) return;
    FILE* f = state.file;
    auto* texts = static_cast<AsciiText*>(mdlDArray_getData(state.texts));
    if (state.count > 1) mdlUtil_quickSort(texts, state.count, static_cast<int>(sizeof(AsciiText)), compareTexts);
    long long column = 0;
    for (int i = 0; i < state.count; ++i) {
        const AsciiText& t = texts[i];
        if (i > 0) {
            double gap = texts[i - 1].y - t.y;
            if (gap > 2.0) {
                writeRepeated(f, '\n', std::min<long long>(zmoutput::truncToInt(std::ceil(gap / 2.0)) - 1, MAX_BLANK_LINES));
                column = 0;
            }
        }
        long long target = std::min<long long>(zmoutput::truncToInt((t.x - state.xmin) * COLUMNS_PER_MM), MAX_COLUMN);
        if (target > column) {
            writeRepeated(f, ' ', target - column);
            column = target;
        }
        toolSubsystem_fprintf(f, "%s", t.text);
        column += static_cast<long long>(std::strlen(t.text));
    }
    freeTexts();
    toolSubsystem_fprintf(f, "\n");
    dlmSystem_mdlFclose(f);
    state.file = nullptr;
}
