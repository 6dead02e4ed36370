/* An application registers its attribute groups, builds a cell of elements
** with attributes, puts its own data on the cell and stores it; the design
** file's dump shows the symbology and the linkage bytes. */
#include <cstring>
#include <string>

#include "elements_fixture.h"
#include "lib/elements/dataelem.h"
#include "lib/elements/element.h"
#include "lib/elements/userdata.h"

namespace {

using CellWithUserDataTest = ElementsTest;

TEST_F(CellWithUserDataTest, StoredCellShowsSymbologyAndUserDataBytes) {
    zmlibElmAttr_setGroupeNames(2, "Dimensions", 0, 1, "Triangles", 1, 1);
    ZmAttributeData lines{};
    lines.colour = 3;
    lines.weight = 1;
    lines.lineStyle = 0;
    std::memcpy(lines.levelName, u"Dims", 8);
    lines.applyMask = ZMATTR_COLOUR | ZMATTR_LINESTYLE | ZMATTR_WEIGHT | ZMATTR_LEVEL;
    ZmAttributeData texts = lines;
    texts.colour = 5;
    texts.font = 105;
    texts.textWidth = 2.5;
    texts.textHeight = 2.5;
    texts.justification = 8;
    texts.lineSpacing = 0.56;
    texts.applyMask = 231;
    ASSERT_EQ(zmlibElmAttr_addAttribute(1, "Dimension lines", 0, 1, 16, nullptr, 0, &lines), 0);
    ASSERT_EQ(zmlibElmAttr_addAttribute(4, "Dimension texts", 0, 4, 0x2090, nullptr, 0, &texts), 0);

    static MSElement header;
    Dpoint3d origin{0, 0, 0};
    ASSERT_EQ(mdlCell_create(&header, u"TARVIK", &origin, 0), 0);
    MSElementDescr* cell = nullptr;
    ASSERT_EQ(mdlElmdscr_new(&cell, nullptr, &header), 0);
    Dpoint3d points[2] = {{0, 0, 0}, {100, 0, 0}};
    zmlibElement_createLine(points, 1, cell);
    Dpoint3d at{50, 2, 0};
    zmlibElement_createText(&at, "100", 1.0, nullptr, 4, cell);
    const uint8_t parameters[9] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    ASSERT_EQ(zmlibAttrib_appendElementUserData(13, 3, &cell->el, parameters, sizeof parameters), 0);
    ASSERT_EQ(mdlElmdscr_validate(cell, nullptr), 0);
    ASSERT_NE(mdlElmdscr_add(cell), 0u);
    mdlElmdscr_freeAll(&cell);
    int32_t project = 101;
    uint32_t pos = 0;
    ASSERT_EQ(zmlib66Elem_saveDataToFile(101, 3, &project, 4, &pos), 0);

    std::string dump = dumpModel();
    SCOPED_TRACE(dump);
    /* Header word 0x100c (user data, 12 words), id 0x4f33, application 13, version 3, data, zeros. */
    EXPECT_NE(dump.find(" linkage 0x4f33 0c10334f0d00030001020304050607080900000000000000"), std::string::npos);
    EXPECT_NE(dump.find("line type=3 level=65 component colour=3 weight=1 style=0"), std::string::npos);
    EXPECT_NE(dump.find("colour=5 weight=1 style=0"), std::string::npos);
    EXPECT_NE(dump.find("font 105 just 8"), std::string::npos);
    EXPECT_NE(dump.find("type=66 level=20"), std::string::npos);
}

}  // namespace
