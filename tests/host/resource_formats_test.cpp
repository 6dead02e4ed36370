#include <gtest/gtest.h>

#include <functional>

#include "host/sim/resources/resources.h"

namespace {

std::vector<uint8_t> hex(const std::string& digits) {
    std::vector<uint8_t> out;
    std::string d;
    for (char c : digits)
        if (c != ' ') d += c;
    for (size_t i = 0; i + 1 < d.size(); i += 2)
        out.push_back(static_cast<uint8_t>(std::stoi(d.substr(i, 2), nullptr, 16)));
    return out;
}

/* Every strict prefix of BYTES and BYTES with one more byte must be refused. */
template <class T>
void expectOnlyExactBytesDecode(const std::vector<uint8_t>& bytes, int (*decode)(const uint8_t*, size_t, T&)) {
    T out;
    ASSERT_EQ(decode(bytes.data(), bytes.size(), out), RSC_SUCCESS);
    for (size_t n = 0; n < bytes.size(); ++n) EXPECT_EQ(decode(bytes.data(), n, out), RSCERR_BAD_RESOURCE) << n;
    std::vector<uint8_t> longer = bytes;
    longer.push_back(0);
    EXPECT_EQ(decode(longer.data(), longer.size(), out), RSCERR_BAD_RESOURCE);
}

sim::DialogRsc sampleDialog() {
    sim::DialogRsc d;
    d.title = "T";
    d.extent = {1, 2, 3, 4};
    d.hookId = 5;
    d.attributes = sim::DIALOGATTR_MODAL;
    sim::DialogItemRsc item;
    item.type = ITEMTYPE_PUSHBUTTON;
    item.id = -3;
    item.label = "OK";
    item.attributes = sim::ITEMATTR_DEFAULT;
    item.properties = {{"w", "1"}};
    item.entries = {{2, {"a"}}};
    d.items.push_back(item);
    return d;
}

sim::MenuRsc sampleMenu() {
    sim::MenuRsc m;
    m.title = "M";
    sim::MenuEntryRsc e;
    e.label = "P";
    e.commandNumber = 3;
    e.flags = sim::MENUENTRY_SEPARATOR;
    m.entries.push_back(e);
    return m;
}

}  // namespace

TEST(ResourceFormats, FourCharacterCodesReadInOrder) {
    EXPECT_EQ(fourCC("Icon"), 0x49636F6Eu);
    EXPECT_EQ(fourCC("pdMn"), 0x70644D6Eu);
    EXPECT_EQ(sim::fourCCText(0x70644D6E), "pdMn");
    EXPECT_EQ(sim::fourCCText(0x01020304), "????");
    uint32_t code = 0;
    EXPECT_TRUE(sim::parseFourCC("Tarv", &code));
    EXPECT_EQ(code, fourCC("Tarv"));
    EXPECT_FALSE(sim::parseFourCC("Tar", &code));
}

TEST(ResourceFormats, GoldenBytesOfEveryLayout) {
    std::vector<uint8_t> b;
    sim::MessageListRsc ml{{{1, "ab"}}};
    ASSERT_EQ(sim::packMessageList(ml, b), RSC_SUCCESS);
    EXPECT_EQ(b, hex("01000000 01000000 01000000 0200 6162"));

    sim::StringListRsc sl;
    sl.infoFields = 1;
    sl.members = {{"x", {-1}}};
    ASSERT_EQ(sim::packStringList(sl, b), RSC_SUCCESS);
    EXPECT_EQ(b, hex("01000000 01000000 01000000 FFFFFFFF 0100 78"));

    ASSERT_EQ(sim::packDialog(sampleDialog(), b), RSC_SUCCESS);
    EXPECT_EQ(b, hex("01000000 05000000 01000000 02000000 03000000 04000000 01000000 01000000 0100 54"
                     "74754270 FDFFFFFF 00000000 00000000 00000000 00000000 00000000 08000000 0100 0100"
                     "0200 4F4B 0000 0100 77 0100 31 02000000 0100 0100 61"));

    ASSERT_EQ(sim::packMenu(sampleMenu(), b), RSC_SUCCESS);
    EXPECT_EQ(b, hex("01000000 00000000 0100 4D 0100 00000000 03000000 01000000 0100 50 0000 0000"));

    sim::CommandTableRsc ct{{{2, 0, {"A", "B"}}}};
    ASSERT_EQ(sim::packCommandTable(ct, b), RSC_SUCCESS);
    EXPECT_EQ(b, hex("01000000 01000000 02000000 00000000 0200 0100 41 0100 42"));

    sim::RasterRsc r{2, 1, sim::RasterFormat::ColourIndex, {3, 4}};
    ASSERT_EQ(sim::packRaster(r, b), RSC_SUCCESS);
    EXPECT_EQ(b, hex("01000000 0200 0100 00 000000 03 04"));

    sim::TypeDescriptionRsc td{"P", 8, {{"x", 4, sim::FieldKind::Int32, 4, 1, ""}}};
    ASSERT_EQ(sim::packTypeDescription(td, b), RSC_SUCCESS);
    EXPECT_EQ(b, hex("01000000 08000000 01000000 0100 50 04000000 04000000 01000000 03 000000 0100 78 0000"));
}

TEST(ResourceFormats, DecodersGiveBackWhatWasPackedAndRefuseAnyOtherLength) {
    std::vector<uint8_t> b;
    sim::DialogRsc d = sampleDialog();
    d.items.push_back(d.items[0]);
    d.items[1].entries.push_back({9, {"x", "y", ""}});
    ASSERT_EQ(sim::packDialog(d, b), RSC_SUCCESS);
    sim::DialogRsc dBack;
    ASSERT_EQ(sim::decodeDialog(b.data(), b.size(), dBack), RSC_SUCCESS);
    EXPECT_EQ(dBack, d);
    expectOnlyExactBytesDecode(b, sim::decodeDialog);

    sim::MenuRsc m = sampleMenu();
    m.entries[0].submenu = {m.entries[0], m.entries[0]};
    m.entries[0].submenu[1].keyin = "TARVIK EXIT";
    ASSERT_EQ(sim::packMenu(m, b), RSC_SUCCESS);
    sim::MenuRsc mBack;
    ASSERT_EQ(sim::decodeMenu(b.data(), b.size(), mBack), RSC_SUCCESS);
    EXPECT_EQ(mBack, m);
    expectOnlyExactBytesDecode(b, sim::decodeMenu);

    sim::StringListRsc sl{2, {{"a", {1, 2}}, {"", {3, 4}}}};
    ASSERT_EQ(sim::packStringList(sl, b), RSC_SUCCESS);
    expectOnlyExactBytesDecode(b, sim::decodeStringList);

    sim::RasterRsc r{2, 2, sim::RasterFormat::Rgb, std::vector<uint8_t>(12, 7)};
    ASSERT_EQ(sim::packRaster(r, b), RSC_SUCCESS);
    sim::RasterRsc rBack;
    ASSERT_EQ(sim::decodeRaster(b.data(), b.size(), rBack), RSC_SUCCESS);
    EXPECT_EQ(rBack, r);
    expectOnlyExactBytesDecode(b, sim::decodeRaster);

    sim::TypeDescriptionRsc td{
        "T", 24, {{"a", 0, sim::FieldKind::Struct, 16, 1, "P"}, {"b", 16, sim::FieldKind::Double, 8, 1, ""}}};
    ASSERT_EQ(sim::packTypeDescription(td, b), RSC_SUCCESS);
    sim::TypeDescriptionRsc tdBack;
    ASSERT_EQ(sim::decodeTypeDescription(b.data(), b.size(), tdBack), RSC_SUCCESS);
    EXPECT_EQ(tdBack, td);
    expectOnlyExactBytesDecode(b, sim::decodeTypeDescription);

    sim::CommandTableRsc ct{{{1, 0, {"X"}}, {2, 4, {"X", "Y"}}}};
    ASSERT_EQ(sim::packCommandTable(ct, b), RSC_SUCCESS);
    expectOnlyExactBytesDecode(b, sim::decodeCommandTable);
}

TEST(ResourceFormats, HostileBytesAreRefusedWithoutHugeAllocations) {
    sim::MessageListRsc ml;
    /* A count of two billion messages in a few bytes. */
    EXPECT_EQ(sim::decodeMessageList(hex("01000000 FFFFFF7F 01000000").data(), 12, ml), RSCERR_BAD_RESOURCE);
    /* Another format version. */
    EXPECT_EQ(sim::decodeMessageList(hex("02000000 00000000").data(), 8, ml), RSCERR_BAD_RESOURCE);
    /* Information fields out of range. */
    sim::StringListRsc sl;
    EXPECT_EQ(sim::decodeStringList(hex("01000000 FFFFFFFF 00000000").data(), 12, sl), RSCERR_BAD_RESOURCE);
    /* A raster larger than the host takes, and an unknown pixel format. */
    sim::RasterRsc r;
    EXPECT_EQ(sim::decodeRaster(hex("01000000 0108 0100 00 000000").data(), 12, r), RSCERR_BAD_RESOURCE);
    EXPECT_EQ(sim::decodeRaster(hex("01000000 0100 0100 02 000000 00").data(), 13, r), RSCERR_BAD_RESOURCE);
    /* An unknown field kind. */
    sim::TypeDescriptionRsc td;
    auto bad = hex("01000000 08000000 01000000 0100 50 00000000 04000000 01000000 0E 000000 0100 78 0000");
    EXPECT_EQ(sim::decodeTypeDescription(bad.data(), bad.size(), td), RSCERR_BAD_RESOURCE);
    /* Fields that reach past their 8-byte record, by offset or by count, or are empty. */
    for (const sim::TypeFieldRsc& field : {sim::TypeFieldRsc{"x", 0x01000004, sim::FieldKind::Int32, 4, 1, ""},
                                           sim::TypeFieldRsc{"x", 4, sim::FieldKind::Int32, 4, 0x40000001, ""},
                                           sim::TypeFieldRsc{"x", 4, sim::FieldKind::Int32, 0, 1, ""}}) {
        std::vector<uint8_t> b;
        ASSERT_EQ(sim::packTypeDescription({"P", 8, {field}}, b), RSC_SUCCESS);
        EXPECT_EQ(sim::decodeTypeDescription(b.data(), b.size(), td), RSCERR_BAD_RESOURCE) << field.offset;
    }

    /* Menus nested past the limit are neither packed nor decoded. */
    sim::MenuRsc deep;
    std::vector<sim::MenuEntryRsc>* level = &deep.entries;
    for (int i = 0; i < sim::MENU_MAX_DEPTH; ++i) {
        level->push_back({});
        level = &level->back().submenu;
    }
    std::vector<uint8_t> b;
    EXPECT_EQ(sim::packMenu(deep, b), RSC_SUCCESS);
    level->push_back({});
    EXPECT_EQ(sim::packMenu(deep, b), RSCERR_TOO_LARGE);
    std::vector<uint8_t> crafted = hex("01000000 00000000 0000");
    for (int i = 0; i <= sim::MENU_MAX_DEPTH; ++i) {
        auto entry = hex("0100 00000000 00000000 00000000 0000 0000");
        crafted.insert(crafted.end(), entry.begin(), entry.end());
    }
    crafted.push_back(0);
    crafted.push_back(0);
    sim::MenuRsc out;
    EXPECT_EQ(sim::decodeMenu(crafted.data(), crafted.size(), out), RSCERR_BAD_RESOURCE);
}

TEST(ResourceFormats, OversizeTextsAndBadRastersAreNotPacked) {
    std::vector<uint8_t> b;
    sim::MessageListRsc ml{{{1, std::string(RSC_MAX_TEXT + 1, 'x')}}};
    EXPECT_EQ(sim::packMessageList(ml, b), RSCERR_TOO_LARGE);
    ml.messages[0].second.resize(RSC_MAX_TEXT);
    EXPECT_EQ(sim::packMessageList(ml, b), RSC_SUCCESS);
    sim::RasterRsc r{2, 2, sim::RasterFormat::ColourIndex, {1, 2, 3}};
    EXPECT_EQ(sim::packRaster(r, b), RSCERR_TOO_LARGE);
    r.width = 0;
    r.pixels.clear();
    EXPECT_EQ(sim::packRaster(r, b), RSCERR_TOO_LARGE);
}
