#include <algorithm>
#include <cstring>
#include <vector>

#include "elements_fixture.h"
#include "host/sim/system/system.h"
#include "lib/elements/dataelem_int.h"
#include "lib/elements/support_int.h"

namespace {

using zmlib::elements::get2le;
using zmlib::elements::get4le;
using DataElementTest = ElementsTest;

std::vector<uint8_t> pattern(int size) {
    std::vector<uint8_t> data(size);
    for (int i = 0; i < size; ++i) data[i] = static_cast<uint8_t>(i * 7 + 1);
    return data;
}

TEST_F(DataElementTest, HeaderFieldsAndOddSizePadding) {
    static MSElement element;
    std::memset(&element, 0xCC, 64);
    std::vector<uint8_t> data = pattern(5);
    ASSERT_EQ(zmlib66Elem_saveData(&element, 101, 3, data.data(), 5), 0);
    const uint8_t* e = element.bytes;
    EXPECT_EQ(get4le(e + 0), 66u);
    EXPECT_EQ(get4le(e + 4), 22u);   /* 19 + 3 */
    EXPECT_EQ(get4le(e + 8), 22u);
    EXPECT_EQ(get4le(e + 12), 20u);
    for (int i = 16; i < 32; ++i) EXPECT_EQ(e[i], 0) << i;
    EXPECT_EQ(get2le(e + 32), 157u);
    EXPECT_EQ(get2le(e + 34), 101u);
    EXPECT_EQ(get2le(e + 36), 3u);
    EXPECT_EQ(std::memcmp(e + 38, data.data(), 5), 0);
    EXPECT_EQ(e[43], 0);               /* the padding byte of an odd size */
    EXPECT_EQ(mdlElement_validate(&element), 0);
}

TEST_F(DataElementTest, SizeLimitIs8152Bytes) {
    static MSElement element;
    std::vector<uint8_t> data = pattern(8153);
    EXPECT_EQ(zmlib66Elem_saveData(&element, 1, 1, data.data(), 8152), 0);
    EXPECT_EQ(zmlib66Elem_saveData(&element, 1, 1, data.data(), 8153), ZMLIB_ERROR);
    uint32_t pos = 77;
    EXPECT_EQ(zmlib66Elem_saveDataToFile(1, 1, data.data(), 8153, &pos), ZMLIB_ERROR);
    EXPECT_EQ(pos, 77u);
    EXPECT_EQ(mdlModelRef_getEof(nullptr), 0u);
}

TEST_F(DataElementTest, SavedElementIsReadBackFromTheFile) {
    std::vector<uint8_t> data = pattern(9);
    uint32_t pos = 0;
    ASSERT_EQ(zmlib66Elem_saveDataToFile(110, 3, data.data(), 9, &pos), 0);
    ASSERT_NE(pos, 0u);
    static MSElement element;
    ASSERT_EQ(mdlElement_read(&element, nullptr, pos), 0);
    void* out = reinterpret_cast<void*>(1);
    int version = 0, size = 0;
    EXPECT_EQ(zmlib66Elem_getData(&element, 101, &version, &out, &size), ZMLIB_ERROR);
    EXPECT_EQ(out, nullptr);
    ASSERT_EQ(zmlib66Elem_getData(&element, 110, &version, &out, &size), 0);
    EXPECT_EQ(out, element.bytes + 38);
    EXPECT_EQ(size, 10);
    EXPECT_EQ(version, 3);
    EXPECT_EQ(std::memcmp(out, data.data(), 9), 0);
    element.bytes[32] = 0;   /* no signature */
    EXPECT_EQ(zmlib66Elem_getData(&element, 110, &version, &out, &size), ZMLIB_ERROR);
}

TEST_F(DataElementTest, DwgWorkModeWarnsAfterEverySaveUnlessConfigured) {
    int32_t value = 1;
    sim::setWorkmode(1);
    uint32_t pos = 0;
    size_t shown = modalDialogs.size();
    ASSERT_EQ(zmlib66Elem_saveDataToFile(101, 3, &value, 4, &pos), 0);
    EXPECT_EQ(modalDialogs.size(), shown + 1);
    EXPECT_NE(boxText().find("not saved in a DWG file"), std::string::npos);
    mdlSystem_defineCfgVar("MS_DWGSAVEAPPLICATIONDATA", "1", CFGVAR_LEVEL_USER);
    ASSERT_EQ(zmlib66Elem_saveDataToFile(101, 3, &value, 4, &pos), 0);
    EXPECT_EQ(modalDialogs.size(), shown + 1);
    sim::setWorkmode(0);
}

struct ScanLog {
    std::vector<int> indexes;
    std::vector<int> values;
    int stopAt = -1;
};

int recordScan(void* userArg, int version, MSElement*, uint32_t, int index, void* data, int size) {
    auto* log = static_cast<ScanLog*>(userArg);
    int32_t value;
    std::memcpy(&value, data, 4);
    if (version != 3 || size != 4) return 1;
    log->indexes.push_back(index);
    log->values.push_back(value);
    return static_cast<int>(log->values.size()) == log->stopAt;
}

TEST_F(DataElementTest, ScanRunsInBatchesAndPassesOtherApplicationsBy) {
    uint32_t pos = 0;
    for (int32_t i = 0; i < 70; ++i) {
        ASSERT_EQ(zmlib66Elem_saveDataToFile(101, 3, &i, 4, &pos), 0);
        if (i % 10 == 0) {
            ASSERT_EQ(zmlib66Elem_saveDataToFile(110, 3, &i, 4, &pos), 0);
        }
    }
    static MSElement line;
    makeLine(&line);
    ASSERT_NE(mdlElement_add(&line), 0u);
    for (int native : {1, 0}) {
        SCOPED_TRACE(native);
        ScanLog log;
        EXPECT_EQ(zmlib66Elem_scanDataFromFileExtended(&log, 101, mdlModelRef_getActive(), recordScan, native), 70);
        ASSERT_EQ(log.values.size(), 70u);
        for (int i = 0; i < 70; ++i) EXPECT_EQ(log.values[i], i);
        /* Positions come 64 a batch: 77 elements match the type and level. */
        EXPECT_EQ(*std::max_element(log.indexes.begin(), log.indexes.end()), 63);
    }
    ScanLog stopping;
    stopping.stopAt = 3;
    EXPECT_EQ(zmlib66Elem_scanDataFromFile(&stopping, 101, mdlModelRef_getActive(), recordScan), 4);
    EXPECT_EQ(stopping.values.size(), 3u);
}

TEST_F(DataElementTest, PackingAdvancesByEachFieldsWidth) {
    char block[64] = {};
    int offset = 0;
    EXPECT_EQ(zmlib66Elem_convertToFileFormat(block, &offset, ZMFIELD_STRING, "abc"), 0);
    EXPECT_EQ(offset, 4);
    for (int refused : {0, 2, 5, 7, 10, -1}) {
        EXPECT_EQ(zmlib66Elem_convertToFileFormat(block, &offset, refused, 1), 1);
        EXPECT_EQ(offset, 4);
    }
    char c = 'Z';
    int16_t s = -12345;
    uint8_t bytes[3] = {9, 8, 7};
    ASSERT_EQ(zmlib66Elem_convertToFileFormat(block, &offset, ZMFIELD_DOUBLE, 1.0 / 3.0), 0);
    ASSERT_EQ(zmlib66Elem_convertToFileFormat(block, &offset, ZMFIELD_CHAR, &c), 0);
    ASSERT_EQ(zmlib66Elem_convertToFileFormat(block, &offset, ZMFIELD_SHORT, &s), 0);
    ASSERT_EQ(zmlib66Elem_convertToFileFormat(block, &offset, ZMFIELD_BYTES, bytes, 3), 0);
    ASSERT_EQ(zmlib66Elem_convertToFileFormat(block, &offset, ZMFIELD_INT, int32_t{-7}), 0);
    EXPECT_EQ(offset, 4 + 8 + 1 + 2 + 3 + 4);
    EXPECT_EQ(get4le(reinterpret_cast<uint8_t*>(block) + 18), 0xFFFFFFF9u);

    int in = 0;
    char text[8];
    double d = 0;
    char c2 = 0;
    int16_t s2 = 0;
    uint8_t bytes2[3] = {};
    int32_t i2 = 0;
    EXPECT_EQ(zmlib66Elem_convertFromFileFormat(block, &in, ZMFIELD_STRING, text), 0);
    EXPECT_EQ(zmlib66Elem_convertFromFileFormat(block, &in, 2, &d), 1);
    EXPECT_EQ(zmlib66Elem_convertFromFileFormat(block, &in, ZMFIELD_DOUBLE, &d), 0);
    EXPECT_EQ(zmlib66Elem_convertFromFileFormat(block, &in, ZMFIELD_CHAR, &c2), 0);
    EXPECT_EQ(zmlib66Elem_convertFromFileFormat(block, &in, ZMFIELD_SHORT, &s2), 0);
    EXPECT_EQ(zmlib66Elem_convertFromFileFormat(block, &in, ZMFIELD_BYTES, bytes2, 3), 0);
    EXPECT_EQ(zmlib66Elem_convertFromFileFormat(block, &in, ZMFIELD_INT, &i2), 0);
    EXPECT_EQ(in, offset);
    EXPECT_STREQ(text, "abc");
    EXPECT_EQ(d, 1.0 / 3.0);
    EXPECT_EQ(c2, 'Z');
    EXPECT_EQ(s2, -12345);
    EXPECT_EQ(std::memcmp(bytes2, bytes, 3), 0);
    EXPECT_EQ(i2, -7);
}

TEST_F(DataElementTest, BoundedReadingStopsAtTheEndOfTheBlock) {
    using namespace zmlib::dataelem;
    const char unterminated[4] = {'a', 'b', 'c', 'd'};
    char text[16] = "untouched";
    BlockReader r{unterminated, 4, 0};
    EXPECT_EQ(readField(r, ZMFIELD_STRING, text, sizeof text), UNPACK_PAST_END);
    EXPECT_STREQ(text, "untouched");
    EXPECT_EQ(r.offset, 0);

    const char block[6] = {'h', 'i', 0, 1, 2, 3};
    BlockReader b{block, 6, 0};
    char small[2];
    EXPECT_EQ(readField(b, ZMFIELD_STRING, small, sizeof small), UNPACK_PAST_END);   /* does not fit */
    EXPECT_EQ(readField(b, ZMFIELD_STRING, text, sizeof text), UNPACK_OK);
    EXPECT_STREQ(text, "hi");
    int32_t value = 5;
    EXPECT_EQ(readField(b, ZMFIELD_INT, &value), UNPACK_PAST_END);   /* 3 bytes left */
    EXPECT_EQ(value, 5);
    EXPECT_EQ(b.offset, 3);
    uint8_t three[3];
    EXPECT_EQ(readField(b, ZMFIELD_BYTES, three, 3), UNPACK_OK);
    EXPECT_EQ(b.offset, 6);
    char c;
    EXPECT_EQ(readField(b, ZMFIELD_CHAR, &c), UNPACK_PAST_END);
    EXPECT_EQ(readField(b, 2, &c), UNPACK_REFUSED_CODE);
}

}  // namespace
