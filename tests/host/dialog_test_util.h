/* Shared set-up of the dialog, command and published-variable tests: a
** scratch resource file filled with packed resources, and applications that
** own it. */
#pragma once

#include <string>
#include <vector>

#include "host/mdlcommand.h"
#include "host/mdldialog.h"
#include "host/sim/system/system.h"
#include "host/sim/dialogs/dialogs.h"
#include "host/sim/interaction/interaction.h"
#include "host/sim/design/design.h"
#include "host/sim/resources/resources.h"
#include "support/host_fixture.h"

namespace dlgtest {

inline sim::DialogItemRsc item(uint32_t type, int32_t id, int32_t hook = 0, const std::string& access = {},
                               const std::string& label = {}) {
    sim::DialogItemRsc it;
    it.type = type;
    it.id = id;
    it.hookId = hook;
    it.access = access;
    it.label = label;
    it.extent = {10, 10, 100, 20};
    return it;
}

inline sim::TypeFieldRsc field(const std::string& name, sim::FieldKind kind, uint32_t offset, uint32_t size,
                               uint32_t count = 1, const std::string& structType = {}) {
    return sim::TypeFieldRsc{name, offset, kind, size, count, structType};
}

class DialogTest : public HostTest {
protected:
    RscFileHandle file = 0;  /* the scratch file while it is being filled */

    void SetUp() override {
        HostTest::SetUp();
        std::string p = path("app.ma");
        ASSERT_EQ(mdlResource_createFile(p.c_str(), "dialog tests", 1), RSC_SUCCESS);
        ASSERT_EQ(mdlResource_openFile(&file, p.c_str(), 1), RSC_SUCCESS);
    }
    void add(uint32_t type, int32_t id, const std::vector<uint8_t>& bytes, const char* alias = nullptr) {
        ASSERT_EQ(mdlResource_add(file, type, id, bytes.data(), static_cast<uint32_t>(bytes.size()), alias),
                  RSC_SUCCESS);
    }
    void addDialog(const sim::DialogRsc& d) {
        std::vector<uint8_t> bytes;
        ASSERT_EQ(sim::packDialog(d, bytes), RSC_SUCCESS);
        add(RTYPE_DIALOG, d.id, bytes);
    }
    void addMenu(const sim::MenuRsc& m) {
        std::vector<uint8_t> bytes;
        ASSERT_EQ(sim::packMenu(m, bytes), RSC_SUCCESS);
        add(RTYPE_PULLDOWN, m.id, bytes);
    }
    void addCommands(int32_t id, const std::vector<std::pair<int32_t, std::vector<std::string>>>& commands) {
        sim::CommandTableRsc t;
        for (auto& [number, words] : commands) t.commands.push_back({number, 0, words});
        std::vector<uint8_t> bytes;
        ASSERT_EQ(sim::packCommandTable(t, bytes), RSC_SUCCESS);
        add(RTYPE_COMMANDTABLE, id, bytes);
    }
    void addType(int32_t id, const sim::TypeDescriptionRsc& t) {
        std::vector<uint8_t> bytes;
        ASSERT_EQ(sim::packTypeDescription(t, bytes), RSC_SUCCESS);
        add(RTYPE_TYPEDESC, id, bytes, t.name.c_str());
    }
    /* Close the scratch file and register application NAME owning it (open
    ** for reading as its own resource file). */
    MdlDesc* application(const std::string& name) {
        if (file) {
            EXPECT_EQ(mdlResource_closeFile(file), RSC_SUCCESS);
            file = 0;
        }
        MdlDesc* d = sim::registerApplication(name, path("app.ma"));
        EXPECT_EQ(sim::openApplicationResources(d), RSC_SUCCESS);
        return d;
    }
    static bool logged(const std::string& text) {
        for (const auto& e : sim::outputLog())
            if (e.text.find(text) != std::string::npos) return true;
        return false;
    }
};

}  // namespace dlgtest
