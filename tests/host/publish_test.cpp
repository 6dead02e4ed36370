/* Tests of published variables: access strings read and write numbers,
** texts, option values, nested fields and array elements of a published
** record through type descriptions generated from the C++ record. */
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "host/mdltypedesc.h"
#include "tests/host/dialog_test_util.h"

namespace {

struct Template {
    double extensionGap;
    int32_t terminatorType;
    uint16_t flags;
};
#define TEMPLATE_FIELDS(F) F(extensionGap) F(terminatorType) F(flags)

enum class Mode : int16_t { Off, On };

struct Settings {
    char dimText[16];
    Template dimTemplate;
    int32_t hatchAngle;
    double spacing[3];
    char labels[2][8];
    char16_t level[6];
    Mode mode;
    int8_t small;
    bool flag;
    void* link;
};
#define SETTINGS_FIELDS(F) \
    F(dimText) F(dimTemplate) F(hatchAngle) F(spacing) F(labels) F(level) F(mode) F(small) F(flag) F(link)

}  // namespace

ZM_TYPEDESC_NAME(Template, "dimTemplateRecord")
ZM_TYPEDESC_NAME(Settings, "userInterfaceData")

namespace {

std::string describeTypes() {
    typedesc::Writer w;
    ZM_TYPEDESC(w, Template, TEMPLATE_FIELDS);
    ZM_TYPEDESC(w, Settings, SETTINGS_FIELDS);
    return w.text();
}

Settings settings;
Settings* settingsP = &settings;

}  // namespace

class Published : public dlgtest::DialogTest {
protected:
    MdlDesc* app = nullptr;

    /* Compile the generated descriptions with rcomp into the application's
    ** own resource file, as the build does, and publish "uid". */
    void SetUp() override {
        DialogTest::SetUp();
        settings = Settings{};
        settingsP = &settings;
        mdlResource_closeFile(file);
        file = 0;
        std::ofstream(path("types.toml")) << describeTypes();
        std::string cmd = std::string(ZM_BIN_DIR) + "/rcomp -o " + path("app.ma") + " " + path("types.toml");
        ASSERT_EQ(std::system(cmd.c_str()), 0) << describeTypes();
        app = application("tarvik");
        sim::CurrentApplicationScope scope(app);
        SymbolSet* set = mdlCExpression_initializeSet(4, 0, 0);
        ASSERT_NE(set, nullptr);
        ASSERT_EQ(mdlDialog_publishComplexPtr(set, "userInterfaceData", "uid", &settingsP), HOST_SUCCESS);
    }
    std::string read(const std::string& access) {
        std::string text, error;
        sim::CurrentApplicationScope scope(app);
        EXPECT_TRUE(sim::readAccess(access, text, error)) << access << ": " << error;
        return text;
    }
    bool write(const std::string& access, const std::string& value, std::string* why = nullptr) {
        std::string error;
        sim::CurrentApplicationScope scope(app);
        bool ok = sim::writeAccess(access, value, error);
        if (why) *why = error;
        return ok;
    }
};

TEST_F(Published, GeneratedDescriptionMatchesTheRecordLayout) {
    sim::TypeDescriptionRsc t;
    ASSERT_EQ(sim::loadTypeDescription("userInterfaceData", t), RSC_SUCCESS);
    EXPECT_EQ(t.size, sizeof(Settings));
    ASSERT_EQ(t.fields.size(), 10u);
    EXPECT_EQ(t.fields[1].name, "dimTemplate");
    EXPECT_EQ(t.fields[1].offset, offsetof(Settings, dimTemplate));
    EXPECT_EQ(t.fields[1].kind, sim::FieldKind::Struct);
    EXPECT_EQ(t.fields[1].structType, "dimTemplateRecord");
    EXPECT_EQ(t.fields[3].count, 3u);
    EXPECT_EQ(t.fields[4].kind, sim::FieldKind::Chars);
    EXPECT_EQ(t.fields[4].size, 8u) << "an array of texts: each element a text of 8";
    EXPECT_EQ(t.fields[4].count, 2u);
    EXPECT_EQ(t.fields[5].kind, sim::FieldKind::WChars);
    EXPECT_EQ(t.fields[6].kind, sim::FieldKind::Int16) << "an enum by its underlying type";
    EXPECT_EQ(t.fields[8].kind, sim::FieldKind::UInt8);
    EXPECT_EQ(t.fields[9].kind, sim::FieldKind::Pointer);
    EXPECT_EQ(t.fields[9].offset, offsetof(Settings, link));
}

TEST_F(Published, NumbersTextsAndNestedFieldsReadAndWrite) {
    std::strcpy(settings.dimText, "100.0");
    settings.dimTemplate.extensionGap = 1.25;
    settings.hatchAngle = 30;
    EXPECT_EQ(read("uid.dimText"), "100.0");
    EXPECT_EQ(read("uid.dimTemplate.extensionGap"), "1.25");
    EXPECT_EQ(read("uid->hatchAngle"), "30");

    EXPECT_TRUE(write("uid.dimTemplate.extensionGap", "2.5"));
    EXPECT_EQ(settings.dimTemplate.extensionGap, 2.5);
    EXPECT_TRUE(write("uid.dimTemplate.terminatorType", "3"));
    EXPECT_EQ(settings.dimTemplate.terminatorType, 3);
    EXPECT_TRUE(write("uid.dimTemplate.flags", "0x10"));
    EXPECT_EQ(settings.dimTemplate.flags, 16);
    EXPECT_TRUE(write("uid.dimText", "12.5"));
    EXPECT_STREQ(settings.dimText, "12.5");
    for (size_t i = 5; i < sizeof settings.dimText; ++i) EXPECT_EQ(settings.dimText[i], 0) << "zero-filled tail";
    EXPECT_TRUE(write("uid.mode", "1"));
    EXPECT_EQ(settings.mode, Mode::On);
    EXPECT_TRUE(write("uid.flag", "1"));
    EXPECT_TRUE(settings.flag);
}

TEST_F(Published, ArrayElementsAndWideTexts) {
    EXPECT_TRUE(write("uid.spacing[2]", "0.75"));
    EXPECT_EQ(settings.spacing[2], 0.75);
    EXPECT_EQ(settings.spacing[1], 0.0);
    EXPECT_TRUE(write("uid.labels[1]", "second"));
    EXPECT_STREQ(settings.labels[1], "second");
    EXPECT_EQ(read("uid.labels[1]"), "second");
    EXPECT_EQ(read("uid.labels[0]"), "");
    EXPECT_TRUE(write("uid.level", "nivå"));
    EXPECT_EQ(settings.level[3], u'å');
    EXPECT_EQ(read("uid.level"), "nivå");
    settings.dimText[0] = 'Q';
    EXPECT_EQ(read("uid.dimText[0]"), std::to_string('Q')) << "one character of a text, as a number";
}

TEST_F(Published, BadAccessAndBadValuesAreRefusedWithoutChange) {
    settings.hatchAngle = 30;
    settings.small = 5;
    std::strcpy(settings.dimText, "keep");
    std::string why;
    EXPECT_FALSE(write("uid.hatchAngle", "thirty", &why));
    EXPECT_NE(why.find("not a whole number"), std::string::npos);
    EXPECT_FALSE(write("uid.hatchAngle", "3.5", &why));
    EXPECT_FALSE(write("uid.small", "300", &why)) << "out of range of int8";
    EXPECT_EQ(settings.small, 5);
    EXPECT_FALSE(write("uid.dimTemplate.extensionGap", "1e999", &why));
    EXPECT_FALSE(write("uid.dimText", "sixteen chars!!!", &why)) << "16 characters leave no room for the terminator";
    EXPECT_STREQ(settings.dimText, "keep");
    EXPECT_FALSE(write("uid.spacing[3]", "1", &why));
    EXPECT_NE(why.find("out of range"), std::string::npos);
    EXPECT_FALSE(write("uid.spacing", "1", &why)) << "an array needs an index";
    EXPECT_FALSE(write("uid.labels", "x", &why)) << "an array of texts needs an index";
    EXPECT_FALSE(write("uid.dimTemplate", "1", &why)) << "a record is no value";
    EXPECT_FALSE(write("uid.link", "1", &why)) << "pointers are not written";
    EXPECT_FALSE(write("uid.nothing", "1", &why));
    EXPECT_NE(why.find("no field \"nothing\""), std::string::npos);
    EXPECT_FALSE(write("nobody.x", "1", &why));
    EXPECT_FALSE(write("uid.hatchAngle.x", "1", &why));
    EXPECT_FALSE(write("uid..x", "1", &why));
    EXPECT_FALSE(write("uid.spacing[a]", "1", &why));
    EXPECT_EQ(settings.hatchAngle, 30);

    /* A null pointer variable resolves to nothing rather than crashing. */
    settingsP = nullptr;
    EXPECT_FALSE(write("uid.hatchAngle", "1", &why));
    EXPECT_NE(why.find("null pointer"), std::string::npos);
}

TEST_F(Published, RepointingThePointerVariableRepointsTheItems) {
    Settings other{};
    other.hatchAngle = 45;
    settings.hatchAngle = 30;
    EXPECT_EQ(read("uid.hatchAngle"), "30");
    settingsP = &other;
    EXPECT_EQ(read("uid.hatchAngle"), "45");
    EXPECT_TRUE(write("uid.hatchAngle", "60"));
    EXPECT_EQ(other.hatchAngle, 60);
    EXPECT_EQ(settings.hatchAngle, 30);
}

TEST_F(Published, EachApplicationFindsItsOwnVariableFirst) {
    Settings second{};
    Settings* secondP = &second;
    MdlDesc* other = sim::registerApplication("other", path("app.ma"));
    ASSERT_EQ(sim::openApplicationResources(other), RSC_SUCCESS);
    {
        sim::CurrentApplicationScope scope(other);
        SymbolSet* set = mdlCExpression_initializeSet(4, 0, 0);
        ASSERT_EQ(mdlDialog_publishComplexPtr(set, "userInterfaceData", "uid", &secondP), HOST_SUCCESS);
        int32_t angle = 7;
        SymbolSet* basics = mdlCExpression_initializeSet(4, 0, 0);
        ASSERT_EQ(mdlDialog_publishBasicVariable(basics, PUBLISHED_INT32, "angle", &angle, 4), HOST_SUCCESS);
        std::string error;
        ASSERT_TRUE(sim::writeAccess("uid.hatchAngle", "11", error)) << error;
        ASSERT_TRUE(sim::writeAccess("angle", "8", error)) << error;
        EXPECT_EQ(angle, 8);
        mdlCExpression_freeSet(basics);
        EXPECT_FALSE(sim::writeAccess("angle", "9", error)) << "freed with its set";
    }
    EXPECT_EQ(second.hatchAngle, 11);
    EXPECT_EQ(settings.hatchAngle, 0);
    EXPECT_TRUE(write("uid.hatchAngle", "12"));
    EXPECT_EQ(settings.hatchAngle, 12);

    /* Variables leave with their application. */
    ASSERT_TRUE(sim::unloadApplication(app, true));
    std::string text, error;
    sim::CurrentApplicationScope scope(other);
    ASSERT_TRUE(sim::readAccess("uid.hatchAngle", text, error)) << error;
    EXPECT_EQ(text, "11");
}

TEST_F(Published, PublishRefusesBadArguments) {
    sim::CurrentApplicationScope scope(app);
    SymbolSet* set = mdlCExpression_initializeSet(4, 0, 0);
    EXPECT_EQ(mdlDialog_publishComplexPtr(nullptr, "userInterfaceData", "x", &settingsP), HOST_ERROR);
    EXPECT_EQ(mdlDialog_publishComplexPtr(set, nullptr, "x", &settingsP), HOST_ERROR);
    EXPECT_EQ(mdlDialog_publishComplexPtr(set, "userInterfaceData", "", &settingsP), HOST_ERROR);
    EXPECT_EQ(mdlDialog_publishBasicVariable(set, 77, "x", &settings, 4), HOST_ERROR);
    EXPECT_EQ(mdlDialog_publishBasicVariable(set, PUBLISHED_CHARS, "x", &settings, 0), HOST_ERROR);
    /* An undescribed type is found out at the first access. */
    ASSERT_EQ(mdlDialog_publishComplexPtr(set, "undescribed", "u", &settingsP), HOST_SUCCESS);
    std::string text, error;
    EXPECT_FALSE(sim::readAccess("u.x", text, error));
    EXPECT_NE(error.find("not described"), std::string::npos);
}
