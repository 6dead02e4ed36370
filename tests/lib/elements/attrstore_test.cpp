#include <cstring>
#include <string>
#include <vector>

#include "elements_fixture.h"
#include "lib/core/resource.h"
#include "lib/elements/attrstore.h"
#include "lib/elements/attrstore_int.h"

namespace {

using namespace zmlib::attrstore;
using AttributeResourceTest = ElementsTest;

/* Little-endian writers of the expected bytes, kept apart from the library's. */
void le32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}
void le64(std::vector<uint8_t>& b, size_t at, double d) {
    uint64_t v;
    std::memcpy(&v, &d, 8);
    for (int i = 0; i < 8; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

ZmAttributeData textData() {
    ZmAttributeData d{};
    d.colour = 1;
    d.weight = 2;
    d.levelName[0] = u'D';
    d.levelName[1] = u'i';
    d.levelName[2] = u'm';
    d.applyMask = 231;
    d.extra.textStyleName[0] = u'S';
    d.font = 105;
    d.textWidth = 2.5;
    d.textHeight = 2.5;
    d.justification = 8;
    d.lineSpacing = 0.56;
    d.text.slantAngle = 30.0;
    return d;
}

std::vector<uint8_t> loadRaw(const std::string& file, uint32_t type, int32_t id, unsigned size) {
    ZmResourceFile f{};
    std::vector<uint8_t> out(size);
    EXPECT_EQ(zmlibResource_openFile(&f, file.c_str(), 0), 0);
    if (zmlibResource_load(&f, type, id, out.data(), size) != 0) out.clear();
    zmlibResource_closeFile(&f);
    return out;
}

void addRaw(const std::string& file, uint32_t type, int32_t id, const std::vector<uint8_t>& bytes) {
    ZmResourceFile f{};
    ASSERT_EQ(zmlibResource_openFile(&f, file.c_str(), 1), 0);
    ASSERT_EQ(zmlibResource_add(&f, type, id, bytes.data(), static_cast<unsigned>(bytes.size()), nullptr), 0);
    zmlibResource_closeFile(&f);
}

TEST_F(AttributeResourceTest, WrittenRecordMatchesTheStoredLayout) {
    zmlibElmAttr_setGroupeNames(1, "Dimensions", 0, 1);
    ZmAttributeData d = textData();
    zmlibElmAttr_addAttribute(4, "Texts", 0, ZMATTR_KIND_TEXT, 0x2090, nullptr, 0, &d);
    std::string file = path("settings.rsc");
    ASSERT_EQ(zmlibElmAttr_writeResource(file.c_str()), 0);

    std::vector<uint8_t> expected(1480, 0);
    le32(expected, 0, 0);          /* group */
    le32(expected, 4, 4);          /* kind */
    le32(expected, 8, 4);          /* id */
    le32(expected, 20, 0x2090);    /* fixed mask */
    le32(expected, 36, 80);        /* text field length */
    le32(expected, 48 + 0, 1);
    le32(expected, 48 + 8, 2);
    expected[48 + 12] = 'D';
    expected[48 + 14] = 'i';
    expected[48 + 16] = 'm';
    le32(expected, 48 + 1040, 231);
    expected[48 + 1128] = 'S';
    le32(expected, 48 + 1292, 105);
    le64(expected, 48 + 1296, 2.5);
    le64(expected, 48 + 1304, 2.5);
    le32(expected, 48 + 1312, 8);
    le64(expected, 48 + 1320, 0.56);
    le64(expected, 48 + 1336, 30.0);
    std::vector<uint8_t> written = loadRaw(file, TYPE_PLAIN, 4, 1480);
    ASSERT_EQ(written.size(), 1480u);
    for (size_t i = 0; i < 1480; ++i) ASSERT_EQ(written[i], expected[i]) << "byte " << i;
}

TEST_F(AttributeResourceTest, PlainFileRoundTripsEveryDataRecord) {
    zmlibElmAttr_setGroupeNames(1, "All", 0, 0);
    std::vector<int> kinds = {1, 2, 3, 4, 5, 6, 7};
    for (int kind : kinds) {
        ZmAttributeData d{};
        auto* bytes = reinterpret_cast<uint8_t*>(&d);
        for (size_t i = 0; i < sizeof d; ++i) bytes[i] = static_cast<uint8_t>(i * 13 + kind);
        zmlibElmAttr_addAttribute(kind, "A", 0, kind == 5 || kind == 6 ? 4 : 1, 0, nullptr, 0, &d);
        zmlib::elmattr::find(kind)->kind = kind;   /* every layout of the data record, without extras */
    }
    std::vector<ZmAttributeData> before;
    for (int kind : kinds) before.push_back(zmlib::elmattr::find(kind)->data);
    std::string file = path("plain.rsc");
    ASSERT_EQ(zmlibElmAttr_writeResource(file.c_str()), 0);
    ZmAttributeData zero{};
    for (int kind : kinds) zmlibElmAttr_editAttribute(kind, 0, &zero);
    ASSERT_EQ(zmlibElmAttr_readResource(file.c_str()), 0);
    for (size_t i = 0; i < kinds.size(); ++i)
        EXPECT_EQ(std::memcmp(&zmlib::elmattr::find(kinds[i])->data, &before[i], sizeof zero), 0) << kinds[i];
    /* An attribute the file does not hold keeps its values; a missing file changes nothing. */
    ZmAttributeData extra = textData();
    zmlibElmAttr_addAttribute(50, "New", 0, 4, 0, nullptr, 0, &extra);
    ASSERT_EQ(zmlibElmAttr_readResource(file.c_str()), 0);
    EXPECT_EQ(zmlib::elmattr::find(50)->data.font, 105);
    EXPECT_EQ(zmlibElmAttr_readResource(path("missing.rsc").c_str()), ZMLIB_ERROR);
}

/* An oldest-version record of SIZE 320 for attribute ID of KIND. */
std::vector<uint8_t> oldestRecord(int id, int kind) {
    std::vector<uint8_t> b(320, 0);
    le32(b, 4, kind);
    le32(b, 8, id);
    return b;
}

TEST_F(AttributeResourceTest, OldestVersionGivesALevelNameAndKeepsTheTextStyle) {
    zmlibElmAttr_setGroupeNames(1, "Dimensions", 0, 1);
    ZmAttributeData d = textData();
    d.lineStyle = 3;
    zmlibElmAttr_addAttribute(4, "Texts", 0, ZMATTR_KIND_TEXT, 0, nullptr, 0, &d);
    std::vector<uint8_t> old = oldestRecord(4, 4);
    le32(old, 48 + 0, 6);          /* colour */
    le32(old, 48 + 4, 8);          /* a custom style ... */
    std::memcpy(&old[48 + 48], "Unknown", 7);   /* ... the host does not know */
    le32(old, 48 + 12, 12);        /* level number */
    le32(old, 48 + 20, 0x41);
    le32(old, 48 + 112, 7);        /* font */
    le64(old, 48 + 120, 4.0);      /* width */
    le64(old, 48 + 160, 15.0);     /* slant */
    std::string file = path("old.rsc");
    addRaw(file, TYPE_PLAIN_V1, 4, old);
    ASSERT_EQ(zmlibElmAttr_readResource(file.c_str()), 0);
    const ZmAttributeData& r = zmlib::elmattr::find(4)->data;
    EXPECT_EQ(r.colour, 6u);
    EXPECT_EQ(r.lineStyle, 3);     /* unknown style: as it was */
    EXPECT_EQ(std::u16string(r.levelName), u"Level 12");
    EXPECT_EQ(r.applyMask, 0x41u);
    EXPECT_EQ(r.font, 7);
    EXPECT_EQ(r.textWidth, 4.0);
    EXPECT_EQ(r.text.slantAngle, 15.0);
    EXPECT_EQ(r.extra.textStyleName[0], u'S');
    EXPECT_STREQ(r.styleName, "Unknown");

    int32_t number = sim::design::addLineStyle("Known", "1,1");
    std::memcpy(&old[48 + 48], "Known\0\0", 7);
    addRaw(file, TYPE_PLAIN_V1, 4, old);
    ASSERT_EQ(zmlibElmAttr_readResource(file.c_str()), 0);
    EXPECT_EQ(zmlib::elmattr::find(4)->data.lineStyle, number);
}

TEST_F(AttributeResourceTest, VersionTwoMovesTheTextFields) {
    zmlibElmAttr_setGroupeNames(1, "G", 0, 1);
    ZmAttributeData d{};
    d.furtherValue = 77;
    zmlibElmAttr_addAttribute(7, "Choice", 0, ZMATTR_KIND_TEXT_OPTION, 0, nullptr, 0, &d, "L", 0);
    zmlibElmAttr_addAttribute(2, "Symbol", 0, ZMATTR_KIND_SYMBOL, 0, nullptr, 0, &d, 0);
    std::vector<uint8_t> v2(1320, 0), sym(1320, 0);
    le32(v2, 48 + 0, 5);
    le32(v2, 48 + 1128, 9);                 /* font */
    le64(v2, 48 + 1144, 3.5);               /* height */
    std::memcpy(&v2[48 + 1176], "option text", 11);
    le32(v2, 48 + 1260, 4);                 /* further value */
    le32(sym, 48 + 1128, 42);               /* symbol number */
    le64(sym, 48 + 1136, 1.5);              /* symbol size */
    std::string file = path("v2.rsc");
    addRaw(file, TYPE_PLAIN_V2, 7, v2);
    addRaw(file, TYPE_PLAIN_V2, 2, sym);
    ASSERT_EQ(zmlibElmAttr_readResource(file.c_str()), 0);
    const ZmAttributeData& r = zmlib::elmattr::find(7)->data;
    EXPECT_EQ(r.colour, 5u);
    EXPECT_EQ(r.font, 9);
    EXPECT_EQ(r.textHeight, 3.5);
    EXPECT_STREQ(r.text.string, "option text");
    EXPECT_EQ(r.furtherValue, 4);
    EXPECT_EQ(zmlib::elmattr::find(2)->data.extra.symbol.number, 42);
    EXPECT_EQ(zmlib::elmattr::find(2)->data.extra.symbol.size, 1.5);
}

int firstCallbackCalls = 0;
void firstCallback(ZmAttributeCallbackRecord*) { ++firstCallbackCalls; }
void secondCallback(ZmAttributeCallbackRecord*) {}

TEST_F(AttributeResourceTest, ExtendedFileRebuildsTheSetAndKeepsCallbacksOfMatchingIds) {
    zmlibElmAttr_setGroupeNames(1, "G", 0, 0);
    ZmAttributeData d = textData();
    std::string label79(79, 'x');
    zmlibElmAttr_addAttribute(1, label79.c_str(), 0, 1, 0, firstCallback, 0, &d);
    zmlibElmAttr_addAttribute(2, "Two", 0, ZMATTR_KIND_TEXT_OPTION, 0, secondCallback, 0, &d, "Pick", 1, "A", 5);
    zmlibElmAttr_addAttribute(3, std::string(90, 'y').c_str(), 0, 4, 0, nullptr, 0, &d);
    std::string file = path("set.rsc");
    ASSERT_EQ(zmlibElmAttr_writeResourceExtended(file.c_str()), 0);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(loadRaw(file, TYPE_EXT, i, 1480).size(), 1480u) << i;
        EXPECT_EQ(loadRaw(file, TYPE_EXT_LABEL, i, 80).size(), 80u) << i;
    }
    std::vector<uint8_t> count = loadRaw(file, TYPE_EXT_COUNT, 1, 4);
    ASSERT_EQ(count.size(), 4u);
    EXPECT_EQ(count[0], 3);

    /* In memory now: 1 and 2 in the same order, 9 that the file lacks. */
    zmlibElmAttr_deleteAttribute(3, 0);
    zmlibElmAttr_addAttribute(9, "Nine", 0, 1, 0, firstCallback, 0, &d);
    ASSERT_EQ(zmlibElmAttr_readResourceExtended(file.c_str()), 0);
    EXPECT_EQ(zmlib::elmattr::callerSet().count(), 3);
    ZmAttribute* a = zmlib::elmattr::callerSet().head();
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->id, 1);
    EXPECT_EQ(a->label, label79);
    EXPECT_EQ(a->callback, firstCallback);
    a = a->next;
    EXPECT_EQ(a->id, 2);
    EXPECT_EQ(a->callback, secondCallback);
    ASSERT_EQ(a->optionCount, 1);
    EXPECT_STREQ(static_cast<char**>(a->optionIcons)[0], "A");
    EXPECT_STREQ(a->string, "Pick");
    a = a->next;
    EXPECT_EQ(a->id, 3);
    EXPECT_EQ(a->label, std::string(79, 'y'));
    EXPECT_EQ(a->callback, nullptr);
    EXPECT_EQ(a->optionCount, 0);
    EXPECT_EQ(std::memcmp(&a->data, &d, sizeof d), 0);
    EXPECT_EQ(a->next, nullptr);
}

TEST_F(AttributeResourceTest, ExtendedFileWithMissingPartsFails) {
    zmlibElmAttr_setGroupeNames(1, "G", 0, 0);
    ZmAttributeData d{};
    zmlibElmAttr_addAttribute(1, "One", 0, 1, 0, nullptr, 0, &d);
    std::string file = path("broken.rsc");
    addRaw(file, TYPE_EXT_LABEL, 0, std::vector<uint8_t>(80, 0));
    EXPECT_EQ(zmlibElmAttr_readResourceExtended(file.c_str()), ZMLIB_ERROR);   /* no count */
    EXPECT_EQ(zmlib::elmattr::callerSet().count(), 1);
    ASSERT_NE(zmlib::elmattr::find(1), nullptr);

    ASSERT_EQ(zmlibElmAttr_writeResourceExtended(file.c_str()), 0);
    addRaw(file, TYPE_EXT_COUNT, 1, {2, 0, 0, 0});   /* claims a second record */
    EXPECT_EQ(zmlibElmAttr_readResourceExtended(file.c_str()), ZMLIB_ERROR);
    EXPECT_EQ(zmlib::elmattr::callerSet().count(), 1);
    ASSERT_NE(zmlib::elmattr::find(1), nullptr);
    EXPECT_EQ(zmlib::elmattr::find(1)->next, nullptr);
    EXPECT_EQ(zmlibElmAttr_readResourceExtended(path("none.rsc").c_str()), ZMLIB_ERROR);
}

}  // namespace
