/* The command window's menu bar: the host's own pull-down menus (the last
** of them -522) and those the applications insert, and picking an entry.
** State: the menus of the bar, in order, and whether the bar exists. */
#include <algorithm>
#include <memory>
#include <vector>

#include "host/mdldialog.h"
#include "host/mdlsystem.h"
#include "host/sim/system/system.h"
#include "host/sim/base/base.h"
#include "host/sim/dialogs/dialog_int.h"
#include "host/sim/resources/resources.h"

struct MenuBarMenu {
    uint32_t type;
    sim::MenuRsc menu;
    MdlDesc* owner; /* null for the host's own */
};

struct MenuBar {
    std::vector<std::unique_ptr<MenuBarMenu>> menus;
};

namespace {

/* The host's menus: title and id. */
struct HostMenu {
    int32_t id;
    const char* title;
};
const HostMenu hostMenus[] = {
    {-501, "File"},
    {-502, "Edit"},
    {-503, "Element"},
    {-504, "Settings"},
    {-505, "Tools"},
    {-506, "Window"},
    {-522, "Help"},
};

struct MenuState {
    MenuBar bar;
    bool built = false;
    bool present = true;
    int listener = 0;
};
MenuState state;

void build() {
    if (state.built) return;
    state.built = true;
    for (const HostMenu& h : hostMenus) {
        auto m = std::make_unique<MenuBarMenu>();
        m->type = RTYPE_PULLDOWN;
        m->menu.id = h.id;
        m->menu.title = h.title;
        m->owner = nullptr;
        state.bar.menus.push_back(std::move(m));
    }
    /* An application's menus leave with it. */
    state.listener = sim::addApplicationListener({nullptr, [](MdlDesc* d) {
        auto& v = state.bar.menus;
        v.erase(std::remove_if(v.begin(), v.end(), [d](const auto& m) { return m->owner == d; }), v.end());
    }});
}

bool validBar(MenuBar* bar) { return bar == &state.bar && state.present; }

/* A title or label as a menu path names it: MENULABEL without the spaces around it. */
std::string plain(const std::string& s) { return sim::trim(sim::dialogs::menuLabel(s), " "); }

}  // namespace

namespace sim::dialogs {

std::string menuLabel(std::string label) {
    label.erase(std::remove(label.begin(), label.end(), '~'), label.end());
    return lower(label);
}

}  // namespace sim::dialogs

namespace sim {

std::vector<std::pair<int32_t, std::string>> menuBarMenus() {
    build();
    std::vector<std::pair<int32_t, std::string>> out;
    for (auto& m : state.bar.menus) out.emplace_back(m->menu.id, m->menu.title);
    return out;
}

bool pickMenu(const std::string& path, std::string& error) {
    build();
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t gt; (gt = path.find('>', start)) != std::string::npos; start = gt + 1) parts.push_back(plain(path.substr(start, gt - start)));
    parts.push_back(plain(path.substr(start)));
    if (parts.size() < 2 || !state.present) {
        error = state.present ? "menu: give TITLE>ENTRY" : "menu: there is no menu bar";
        return false;
    }
    for (auto& m : state.bar.menus) {
        if (plain(m->menu.title) != parts[0]) continue;
        const std::vector<MenuEntryRsc>* entries = &m->menu.entries;
        const MenuEntryRsc* e = nullptr;
        for (size_t k = 1; k < parts.size(); ++k) {
            auto it = std::find_if(entries->begin(), entries->end(), [&](const MenuEntryRsc& x) { return plain(x.label) == parts[k]; });
            if (it == entries->end()) {
                error = "menu: \"" + m->menu.title + "\" has no entry \"" + parts[k] + "\"";
                return false;
            }
            e = &*it;
            entries = &it->submenu;
        }
        if (e->flags & MENUENTRY_DISABLED) {
            error = "menu: entry \"" + e->label + "\" is disabled";
            return false;
        }
        if (e->commandNumber) return mdlDialog_cmdNumberQueue(0, e->commandNumber, "", 1) == HOST_SUCCESS;
        if (!e->keyin.empty()) return sim::dispatchKeyin(e->keyin, error);
        error = "menu: entry \"" + e->label + "\" does nothing";
        return false;
    }
    error = "menu: no menu \"" + parts[0] + "\"";
    return false;
}

void setCommandWindowMenuBar(bool present) { state.present = present; }

void resetMenus() {
    state.bar.menus.clear();
    state.built = false;
    state.present = true;
    if (state.listener) removeApplicationListener(state.listener);
    state.listener = 0;
}

static Registration resetRegistration([] { registerReset(ResetStage::Dialogs, resetMenus); });

}  // namespace sim

HOST_API MenuBar* mdlDialog_menuBarGetCmdWinP(void) {
    build();
    return state.present ? &state.bar : nullptr;
}

HOST_API MenuBarMenu* mdlDialog_menuBarInsMenu(MenuBar* bar, uint32_t type, int32_t id, MenuBarMenu* before) {
    build();
    if (!validBar(bar) || type != RTYPE_PULLDOWN) return nullptr;
    auto m = std::make_unique<MenuBarMenu>();
    m->type = type;
    m->owner = sim::currentApplication();
    if (sim::loadMenu(id, m->menu) != RSC_SUCCESS) {
        toolSubsystem_printf("Pull-down menu %d not found\n", id);
        return nullptr;
    }
    auto& v = state.bar.menus;
    auto pos = std::find_if(v.begin(), v.end(), [before](const auto& x) { return x.get() == before; });
    MenuBarMenu* p = m.get();
    v.insert(before ? pos : v.end(), std::move(m));
    return p;
}

HOST_API MenuBarMenu* mdlDialog_menuBarFindMenu(MenuBar* bar, uint32_t type, int32_t id) {
    build();
    if (!validBar(bar)) return nullptr;
    for (auto& m : state.bar.menus)
        if (m->type == type && m->menu.id == id) return m.get();
    return nullptr;
}

HOST_API StatusInt mdlDialog_menuBarDeleteMenu(MenuBarMenu* menu, MenuBar* bar, RscFileHandle file, int32_t menuId) {
    build();
    if (!validBar(bar)) return HOST_ERROR;
    auto& v = state.bar.menus;
    auto pos = std::find_if(v.begin(), v.end(), [&](const auto& x) {
        return menu ? x.get() == menu : (x->owner && x->menu.id == menuId);
    });
    if (pos == v.end()) return HOST_ERROR;
    v.erase(pos);
    return HOST_SUCCESS;
}
