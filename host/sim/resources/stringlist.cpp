/* String lists: ordered texts with a fixed number of 32-bit information fields
** per member, and their storage as 'StrL' resources. Members never move in
** memory, so the pointers mdlStringList_getMember hands out stay valid while
** other members come and go. */
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "host/mdlsystem.h"
#include "host/sim/base/base.h"
#include "host/sim/resources/resources.h"

struct StringListMember {
    std::string text;
    std::vector<int32_t> info;
};

struct StringList {
    int infoFields = 0;
    std::vector<std::unique_ptr<StringListMember>> members;
};

namespace {

enum : int { MAX_INFO_FIELDS = 1024 };

struct StringListState {
    int memberLimit = -1; /* inserts past this many members are refused; -1: none */
};
StringListState state;

bool validIndex(const StringList* list, int index) {
    return list && index >= 0 && static_cast<size_t>(index) < list->members.size();
}

StringList* fromRsc(const sim::StringListRsc& rsc) {
    StringList* list = mdlStringList_create(0, rsc.infoFields);
    if (!list) return nullptr;
    try {
        list->members.reserve(rsc.members.size());
        for (auto& m : rsc.members) {
            auto member = std::make_unique<StringListMember>();
            member->text = m.text;
            member->info = m.info;
            member->info.resize(static_cast<size_t>(rsc.infoFields));
            list->members.push_back(std::move(member));
        }
    } catch (const std::bad_alloc&) {
        mdlStringList_destroy(list);
        return nullptr;
    }
    return list;
}

int toRsc(const StringList* list, std::vector<uint8_t>& bytes) {
    sim::StringListRsc rsc;
    rsc.infoFields = list->infoFields;
    rsc.members.reserve(list->members.size());
    for (auto& m : list->members) rsc.members.push_back({m->text, m->info});
    return sim::packStringList(rsc, bytes);
}

int store(RscFileHandle file, int32_t id, const StringList* list, bool replace) {
    if (!list) return RSCERR_BAD_ARGUMENT;
    if (file == 0) return RSCERR_BAD_HANDLE;
    std::vector<uint8_t> bytes;
    try {
        int st = toRsc(list, bytes);
        if (st) return st;
    } catch (const std::bad_alloc&) {
        return RSCERR_NO_MEMORY;
    }
    if (!replace) return mdlResource_add(file, RTYPE_STRINGLIST, id, bytes.data(),
                                         static_cast<uint32_t>(bytes.size()), nullptr);
    uint32_t storedSize = 0;
    if (mdlResource_querySize(&storedSize, file, RTYPE_STRINGLIST, id) != RSC_SUCCESS)
        return mdlResource_add(file, RTYPE_STRINGLIST, id, bytes.data(), static_cast<uint32_t>(bytes.size()),
                               nullptr);
    void* old = mdlResource_load(file, RTYPE_STRINGLIST, id);
    if (!old) return RSCERR_NO_MEMORY;
    int st = mdlResource_resize(&old, static_cast<uint32_t>(bytes.size()));
    if (st == RSC_SUCCESS) {
        std::memcpy(old, bytes.data(), bytes.size());
        st = mdlResource_write(old);
    }
    mdlResource_free(old);
    return st;
}

}  // namespace

namespace sim {
void setStringListMemberLimit(int limit) { state.memberLimit = limit < 0 ? -1 : limit; }

static Registration resetRegistration([] { registerReset(ResetStage::Resources, [] { state = StringListState{}; }); });
}  // namespace sim

HOST_API StringList* mdlStringList_create(int members, int infoFields) {
    try {
        if (members < 0 || infoFields < 0 || infoFields > MAX_INFO_FIELDS) return nullptr;
        StringList* list = new (std::nothrow) StringList;
        if (!list) return nullptr;
        list->infoFields = infoFields;
        if (members > 0) {
            int index;
            if (mdlStringList_insertMember(&index, list, -1, members) != RSC_SUCCESS) {
                delete list;
                return nullptr;
            }
        }
        return list;
    } catch (...) {
        return nullptr; /* no exception leaves the host */
    }
}

HOST_API void mdlStringList_destroy(StringList* list) { delete list; }

HOST_API int mdlStringList_size(const StringList* list) { return list ? static_cast<int>(list->members.size()) : 0; }

HOST_API int mdlStringList_infoFieldCount(const StringList* list) { return list ? list->infoFields : 0; }

HOST_API StatusInt mdlStringList_insertMember(int* index, StringList* list, int position, int count) {
    if (index) *index = -1;
    if (!index || !list || count < 1) return RSCERR_BAD_ARGUMENT;
    size_t size = list->members.size();
    if (position == -1) position = static_cast<int>(size);
    if (position < 0 || static_cast<size_t>(position) > size) return RSCERR_BAD_ARGUMENT;
    if (state.memberLimit >= 0 && size + static_cast<size_t>(count) > static_cast<size_t>(state.memberLimit))
        return RSCERR_NO_MEMORY;
    try {
        std::vector<std::unique_ptr<StringListMember>> fresh;
        fresh.reserve(static_cast<size_t>(count));
        for (int i = 0; i < count; ++i) {
            auto m = std::make_unique<StringListMember>();
            m->info.assign(static_cast<size_t>(list->infoFields), 0);
            fresh.push_back(std::move(m));
        }
        list->members.insert(list->members.begin() + position, std::make_move_iterator(fresh.begin()),
                             std::make_move_iterator(fresh.end()));
    } catch (const std::bad_alloc&) {
        return RSCERR_NO_MEMORY;
    }
    *index = position;
    return RSC_SUCCESS;
}

HOST_API StatusInt mdlStringList_deleteMember(StringList* list, int index, int count) {
    if (!list || count < 1 || !validIndex(list, index) || list->members.size() - static_cast<size_t>(index) <
                                                               static_cast<size_t>(count))
        return RSCERR_BAD_ARGUMENT;
    list->members.erase(list->members.begin() + index, list->members.begin() + index + count);
    return RSC_SUCCESS;
}

HOST_API StatusInt mdlStringList_getMember(const char** text, int32_t** infoFields, const StringList* list,
                                           int index) {
    if (!validIndex(list, index)) return RSCERR_BAD_ARGUMENT;
    StringListMember& m = *list->members[static_cast<size_t>(index)];
    if (text) *text = m.text.c_str();
    if (infoFields) *infoFields = m.info.empty() ? nullptr : m.info.data();
    return RSC_SUCCESS;
}

HOST_API StatusInt mdlStringList_setMember(StringList* list, int index, const char* text,
                                           const int32_t* infoFields) {
    try {
        if (!validIndex(list, index)) return RSCERR_BAD_ARGUMENT;
        StringListMember& m = *list->members[static_cast<size_t>(index)];
        if (text) {
            size_t n = std::strlen(text);
            if (n > RSC_MAX_TEXT) return RSCERR_TOO_LARGE;
            m.text.assign(text, n);
        }
        if (infoFields) std::copy(infoFields, infoFields + list->infoFields, m.info.begin());
        return RSC_SUCCESS;
    } catch (...) {
        return RSCERR_NO_MEMORY; /* no exception leaves the host */
    }
}

HOST_API StatusInt mdlStringList_getInfoField(int32_t* value, const StringList* list, int index, int field) {
    if (!value || !validIndex(list, index) || field < 0 || field >= list->infoFields) return RSCERR_BAD_ARGUMENT;
    *value = list->members[static_cast<size_t>(index)]->info[static_cast<size_t>(field)];
    return RSC_SUCCESS;
}

HOST_API StatusInt mdlStringList_setInfoField(StringList* list, int index, int field, int32_t value) {
    if (!validIndex(list, index) || field < 0 || field >= list->infoFields) return RSCERR_BAD_ARGUMENT;
    list->members[static_cast<size_t>(index)]->info[static_cast<size_t>(field)] = value;
    return RSC_SUCCESS;
}

HOST_API int mdlStringList_search(const StringList* list, const char* text, int start) {
    if (!list || !text || start < 0) return -1;
    for (size_t i = static_cast<size_t>(start); i < list->members.size(); ++i)
        if (list->members[i]->text == text) return static_cast<int>(i);
    return -1;
}

HOST_API StringList* mdlStringList_loadResource(RscFileHandle file, int32_t id) {
    try {
        void* data = mdlResource_load(file, RTYPE_STRINGLIST, id);
        if (!data) return nullptr;
        uint32_t size = 0;
        mdlResource_query(&size, data, RSC_QRY_SIZE);
        StringList* list = nullptr;
        try {
            sim::StringListRsc rsc;
            if (sim::decodeStringList(static_cast<const uint8_t*>(data), size, rsc) == RSC_SUCCESS)
                list = fromRsc(rsc);
            else
                toolSubsystem_printf("String list %d is damaged\n", id);
        } catch (const std::bad_alloc&) {
            list = nullptr;
        }
        mdlResource_free(data);
        return list;
    } catch (...) {
        return nullptr; /* no exception leaves the host */
    }
}

HOST_API StatusInt mdlStringList_addResource(RscFileHandle file, int32_t id, const StringList* list) {
    try {
        return store(file, id, list, false);
    } catch (...) {
        return RSCERR_NO_MEMORY; /* no exception leaves the host */
    }
}

HOST_API StatusInt mdlStringList_writeResource(RscFileHandle file, int32_t id, const StringList* list) {
    try {
        return store(file, id, list, true);
    } catch (...) {
        return RSCERR_NO_MEMORY; /* no exception leaves the host */
    }
}
