#include <sys/wait.h>

#include <cstdio>
#include <cstring>

#include "host/mdlsystem.h"
#include "rsc_test_util.h"

namespace {

const std::string dataDir = std::string(ZM_SOURCE_DIR) + "/tests/host/data/";

struct RcompRun {
    int status;
    std::string errors;
};

/* Run rcomp with ARGS and collect its exit status and error output. */
RcompRun rcomp(const std::string& args, const std::string& errFile) {
    std::string cmd = std::string(ZM_BIN_DIR) + "/rcomp " + args + " 2>" + errFile;
    int raw = std::system(cmd.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, TempDir::readFile(errFile)};
}

bool exists(const std::string& p) { return std::filesystem::exists(p); }

}  // namespace

class RcompTest : public ResourceTest {
protected:
    RcompRun run(const std::string& args) { return rcomp(args, path("stderr.txt")); }
};

TEST_F(RcompTest, EverySectionCompilesAndDecodesBack) {
    std::string out = path("mdlapps/all.ma"); /* a folder the build has not made yet */
    RcompRun r = run("-o " + out + " " + dataDir + "all_sections.toml");
    ASSERT_EQ(r.status, 0) << r.errors;
    EXPECT_FALSE(exists(out + "-wal"));
    RscFileHandle h = 0;
    ASSERT_EQ(mdlResource_openFile(&h, out.c_str(), 0), RSC_SUCCESS);
    char description[64];
    mdlResource_getFileDescription(description, sizeof description, h);
    EXPECT_STREQ(description, "Test resources");

    char text[64];
    EXPECT_EQ(mdlResource_loadFromStringList(text, sizeof text, h, 20005, 9), RSC_SUCCESS);
    EXPECT_STREQ(text, "Feil ved skriving til %s");

    StringList* list = mdlStringList_loadResource(h, 20001);
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(mdlStringList_size(list), 3);
    ASSERT_EQ(mdlStringList_infoFieldCount(list), 2);
    const char* member = nullptr;
    int32_t* info = nullptr;
    mdlStringList_getMember(&member, &info, list, 1);
    EXPECT_STREQ(member, "1:100");
    EXPECT_EQ(info[0], 1);
    EXPECT_EQ(info[1], -7);
    mdlStringList_destroy(list);

    /* Typed fields, little-endian, in order. */
    std::vector<uint8_t> raw;
    ASSERT_EQ(sim::findResource(fourCC("Tarv"), 1, raw, h), RSC_SUCCESS);
    const uint8_t expected[] = {0xFE, 0xFF, 0xFF, 0xFF, 1, 0, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0xE0, 0x3F,
                                'a', 'b', 0, 0, 0xE6, 0, 0, 0, 'n', 'M', 'd', 'p', 0, 0, 0xFF, 0};
    EXPECT_EQ(raw, std::vector<uint8_t>(expected, expected + sizeof expected));
    ASSERT_EQ(sim::findResource(fourCC("RawX"), -3, raw, h), RSC_SUCCESS);
    EXPECT_EQ(raw, (std::vector<uint8_t>{1, 2, 10, 11}));
    auto keys = sim::listResources(h);
    auto tarv = std::find_if(keys.begin(), keys.end(), [](auto& k) { return k.type == fourCC("Tarv"); });
    ASSERT_NE(tarv, keys.end());
    EXPECT_EQ(tarv->alias, "settings");

    sim::DialogRsc d;
    ASSERT_EQ(sim::loadDialog(20011, d, h), RSC_SUCCESS);
    EXPECT_EQ(d.title, "Melding");
    EXPECT_EQ(d.hookId, 20035);
    EXPECT_EQ(d.extent, (sim::Extent{10, 20, 300, 120}));
    EXPECT_EQ(d.attributes, sim::DIALOGATTR_MODAL);
    ASSERT_EQ(d.items.size(), 3u);
    EXPECT_EQ(d.items[0].type, ITEMTYPE_PUSHBUTTON);
    EXPECT_EQ(d.items[0].id, -3);
    EXPECT_EQ(d.items[0].attributes, sim::ITEMATTR_DEFAULT);
    const sim::DialogItemRsc& option = d.items[1];
    EXPECT_EQ(option.type, ITEMTYPE_OPTIONBUTTON);
    EXPECT_EQ(option.hookId, 20040);
    EXPECT_EQ(option.access, "zmScaleP->index");
    ASSERT_NE(sim::itemProperty(option, "width"), nullptr);
    EXPECT_EQ(*sim::itemProperty(option, "width"), "12");
    EXPECT_EQ(*sim::itemProperty(option, "sorted"), "1");
    EXPECT_EQ(*sim::itemProperty(option, "format"), "%d");
    ASSERT_EQ(option.entries.size(), 3u);
    /* Entry values count on from the last one given. */
    EXPECT_EQ(option.entries[1], (sim::DialogItemEntryRsc{10, {"1:10"}}));
    EXPECT_EQ(option.entries[2], (sim::DialogItemEntryRsc{11, {"1:20"}}));
    EXPECT_EQ(d.items[2].entries[1], (sim::DialogItemEntryRsc{7, {"c", "d"}}));

    sim::MenuRsc m;
    ASSERT_EQ(sim::loadMenu(1, m, h), RSC_SUCCESS);
    EXPECT_EQ(m.title, "Tarvik");
    EXPECT_EQ(m.hookId, 3);
    ASSERT_EQ(m.entries.size(), 2u);
    EXPECT_EQ(m.entries[0].commandNumber, 3);
    EXPECT_EQ(m.entries[1].id, 12);
    EXPECT_EQ(m.entries[1].flags, sim::MENUENTRY_SEPARATOR);
    ASSERT_EQ(m.entries[1].submenu.size(), 2u);
    EXPECT_EQ(m.entries[1].submenu[0].keyin, "tarvik settings");
    EXPECT_EQ(m.entries[1].submenu[0].flags, sim::MENUENTRY_CHECKED);
    EXPECT_EQ(m.entries[1].submenu[1].flags, sim::MENUENTRY_DISABLED);

    sim::CommandTableRsc ct;
    ASSERT_EQ(sim::loadCommandTable(1, ct, h), RSC_SUCCESS);
    ASSERT_EQ(ct.commands.size(), 2u);
    EXPECT_EQ(ct.commands[0].words, (std::vector<std::string>{"TARVIK", "PLACE", "DIMENSION"}));
    EXPECT_EQ(ct.commands[1].flags, 4u);

    sim::RasterRsc icon;
    ASSERT_EQ(sim::loadRaster(RTYPE_ICON, 20001, icon, h), RSC_SUCCESS);
    EXPECT_EQ(icon, (sim::RasterRsc{3, 2, sim::RasterFormat::ColourIndex, {0, 3, 0, 3, 3, 0}}));
    sim::RasterRsc image;
    ASSERT_EQ(sim::loadRaster(RTYPE_IMAGE, 5, image, h), RSC_SUCCESS);
    EXPECT_EQ(image, (sim::RasterRsc{2, 1, sim::RasterFormat::Rgb, {255, 0, 0, 0, 0, 255}}));
    sim::RasterRsc pixels;
    ASSERT_EQ(sim::loadRaster(fourCC("IcoX"), 20002, pixels, h), RSC_SUCCESS);
    EXPECT_EQ(pixels.pixels, (std::vector<uint8_t>{0x10, 0x20, 0x30, 0xFF, 0xFF, 0xFF}));

    sim::TypeDescriptionRsc td;
    ASSERT_EQ(sim::loadTypeDescription("userInterfaceData", td, h), RSC_SUCCESS);
    EXPECT_EQ(td.size, 32u);
    ASSERT_EQ(td.fields.size(), 4u);
    EXPECT_EQ(td.fields[1], (sim::TypeFieldRsc{"name", 4, sim::FieldKind::Chars, 1, 12, ""}));
    EXPECT_EQ(td.fields[3], (sim::TypeFieldRsc{"level", 24, sim::FieldKind::WChars, 2, 4, ""}));
    /* The type without an id got a free one; the other kept its own. */
    uint32_t size = 0;
    EXPECT_EQ(mdlResource_querySize(&size, h, RTYPE_TYPEDESC, 1), RSC_SUCCESS);
    EXPECT_EQ(mdlResource_querySize(&size, h, RTYPE_TYPEDESC, 7), RSC_SUCCESS);
    EXPECT_EQ(sim::loadTypeDescription("missing", td, h), RSCERR_NOT_FOUND);
}

TEST_F(RcompTest, ErrorsNameFileAndLineAndLeaveNoOutput) {
    std::string out = path("bad.ma");
    /* An earlier good build is removed too, so no stale file is used. */
    ASSERT_EQ(run("-o " + out + " " + dataDir + "messages_a.toml").status, 0);
    ASSERT_TRUE(exists(out));
    RcompRun r = run("-o " + out + " " + dataDir + "bad_key.toml " + dataDir + "bad_syntax.toml");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.errors.find("tests/host/data/bad_key.toml:12: unknown key 'lable'"), std::string::npos) << r.errors;
    EXPECT_NE(r.errors.find("tests/host/data/bad_syntax.toml:3: "), std::string::npos) << r.errors;
    EXPECT_FALSE(exists(out));
    for (auto& entry : std::filesystem::directory_iterator(dir))
        EXPECT_EQ(entry.path().filename().string().find("bad.ma"), std::string::npos) << entry.path();

    /* Two sources defining one resource: both places are named. */
    r = run("-o " + out + " " + dataDir + "messages_a.toml " + dataDir + "messages_b.toml");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.errors.find("messages_b.toml:3: MsgL 20007 is already defined at " + dataDir + "messages_a.toml:1"),
              std::string::npos)
        << r.errors;

    EXPECT_EQ(run("-o " + out).status, 2);
    EXPECT_EQ(run(dataDir + "messages_a.toml").status, 2);
    r = run("-o " + out + " " + path("nonexistent.toml"));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.errors.find("nonexistent.toml:0: cannot read"), std::string::npos);
}

TEST_F(RcompTest, SemanticErrorsPointAtTheirLine) {
    struct Case {
        const char* source;
        const char* expected; /* "line: message" fragment */
    };
    const Case cases[] = {
        {"[[messagelist]]\nmessages = { 1 = \"a\" }\n", ":1: missing key 'id'"},
        {"[[messagelist]]\nid = 1\nmessages = { x = \"a\" }\n", ":3: message number 'x' is not an integer"},
        {"[[messagelist]]\nid = 99999999999\nmessages = {}\n", ":2: id 99999999999 is out of range"},
        {"[[resource]]\ntype = \"Tar\"\nid = 1\nhex = \"00\"\n", ":2: type 'Tar' is not four characters"},
        {"[[resource]]\ntype = \"Tarv\"\nid = 1\nhex = \"0\"\n", ":4: odd number of hex digits"},
        {"[[resource]]\ntype = \"Tarv\"\nid = 1\nfields = [\n { int8 = 1 },\n { chars = \"abcd\", size = 4 },\n]\n",
         ":6: text of 4 characters does not fit size 4"},
        {"[[resource]]\ntype = \"Tarv\"\nid = 1\nfields = [{ uint8 = 256 }]\n", ":4: uint8 256 is out of range"},
        {"[[resource]]\ntype = \"Tarv\"\nid = 1\nfields = [{ int33 = 1 }]\n", ":4: unknown field kind 'int33'"},
        {"[[icon]]\nid = 1\nwidth = 2\nheight = 1\npalette = { a = 1 }\nrows = [\n \"ab\",\n]\n",
         ":7: 'b' is not in the palette"},
        {"[[icon]]\nid = 1\nwidth = 2\nheight = 2\npalette = { a = 1 }\nrows = [\"aa\"]\n",
         ":6: rows has 1 rows, height is 2"},
        {"[[menu]]\nid = 1\n[[menu.entry]]\nlabel = \"x\"\ncommand = 1\nkeyin = \"y\"\n",
         ":3: an entry has a command or a keyin, not both"},
        {"[[commandtable]]\nid = 1\n[[commandtable.command]]\nnumber = 1\nkeyin = \"a b\"\n"
         "[[commandtable.command]]\nnumber = 1\nkeyin = \"a c\"\n",
         ":6: command number 1 is given twice"},
        {"[[typedesc]]\nname = \"t\"\nsize = 4\nfields = [\n { name = \"a\", kind = \"double\", offset = 0 },\n]\n",
         ":5: field 'a' ends past the record size 4"},
        {"[[dialog]]\nid = 1\nattributes = [\"modal\", \"floating\"]\n", ":3: unknown attribute 'floating'"},
        {"[[dialog]]\nid = 1\n[[dialog.item]]\ntype = \"pBut\"\nid = 1\n[[dialog.item]]\ntype = \"pBut\"\nid = 1\n",
         ":6: item pBut 1 appears twice in the dialog"},
        {"[dialog]\nid = 1\n", ":1: dialog must be written [[dialog]]"},
        {"title = \"x\"\n", ":1: unknown section 'title'"},
        {"[[stringlist]]\nid = 1\ninfofields = 1\nmembers = [{ text = \"a\", info = [1, 2] }]\n",
         ":4: more information fields than infofields = 1"},
        {"[[dialog]]\nid = 1\n[[dialog.item]]\ntype = \"oBtn\"\nid = 1\n"
         "entries = [{ label = \"a\", value = 2147483647 },\n \"b\"]\n",
         ":7: the entry after value 2147483647 needs a value of its own"},
    };
    int n = 0;
    for (const Case& c : cases) {
        std::string name = "case" + std::to_string(++n) + ".toml";
        SCOPED_TRACE(name);
        std::string src = writeFile(name, c.source);
        RcompRun r = run("-o " + path("out.ma") + " " + src);
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.errors.find(src + c.expected), std::string::npos) << r.errors;
        EXPECT_FALSE(exists(path("out.ma")));
    }
}

TEST_F(RcompTest, CompiledMessageFilesAnswerAcrossFiles) {
    ASSERT_EQ(run("-o " + path("a.ma") + " " + dataDir + "messages_a.toml").status, 0);
    ASSERT_EQ(run("-o " + path("b.ma") + " " + dataDir + "messages_b.toml").status, 0);
    RscFileHandle a = 0, b = 0;
    ASSERT_EQ(mdlResource_openFile(&a, path("a.ma").c_str(), 0), RSC_SUCCESS);
    ASSERT_EQ(mdlResource_openFile(&b, path("b.ma").c_str(), 0), RSC_SUCCESS);
    char buffer[1024];
    EXPECT_EQ(mdlOutput_rscsPrintf(buffer, 0, 1, 1, 3, "fem"), RSC_SUCCESS);
    EXPECT_STREQ(buffer, "Punkt 3 av fem");
    EXPECT_EQ(mdlOutput_rscsPrintf(buffer, 0, 20007, 31, u"fil.txt"), RSC_SUCCESS);
    EXPECT_STREQ(buffer, "Lagre som fil.txt");
    EXPECT_EQ(mdlOutput_rscsPrintf(buffer, 0, 20007, 25), RSC_SUCCESS);
    EXPECT_STREQ(buffer, "Ja");
    EXPECT_EQ(mdlOutput_rscsPrintf(buffer, a, 20007, 25), RSC_SUCCESS);
    EXPECT_STREQ(buffer, "OK");
    EXPECT_EQ(mdlOutput_rscsPrintf(buffer, 0, 20005, 14, 40u), RSC_SUCCESS);
    EXPECT_STREQ(buffer, "Ikke nok minne (40 byte)");
}
