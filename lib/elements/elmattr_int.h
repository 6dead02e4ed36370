/* What the attribute dialog, the resource functions and the tests reach of
** the attribute set of the calling application. */
#pragma once

#include "lib/elements/elmattr.h"

struct ZmGlobalData;

namespace zmlib::elmattr {

/* The calling application's attribute set, as kept in its global data
** record: the list head and group table in the two attribute-set pointers,
** group count, attribute count and next free id in the three work words,
** the current attribute in the large block and the level name variables
** 0 to 10 in the small block. */
struct SetView {
    ZmGlobalData* gd;
    ZmAttribute* head() const;
    void setHead(ZmAttribute* head) const;
    ZmAttributeGroup* groups() const;
    int groupCount() const;
    int& count() const;
    int& nextId() const;
    ZmAttribute* current() const;          /* the record the dialog edits, or null */
    MSWChar** levelVariables() const;     /* 11 entries, or null */
};
/* The caller's set; VIEW.gd is null when the caller never started the library. */
SetView callerSet();

ZmAttribute* find(int attributeId);
const ZmAttributeGroup* findGroup(int groupId);

/* Allocate an empty record (message 14 of list 20005 on failure). */
ZmAttribute* allocateRecord();
/* Free what RECORD owns (label, string, options), not the record. */
void freeOwned(ZmAttribute* record);
void freeRecord(ZmAttribute* record);
/* Give RECORD its own copies of MODEL's label, string and option lists. */
bool copyOwned(ZmAttribute* record, const ZmAttribute& model);

/* Set the line style number of every attribute with a custom style from its
** name, or an empty name from its number. */
void syncCustomLineStyles();

/* The dialog's refresh: called with the id to select (-1: none) when an
** operation asks for a refresh; nothing is called while none is installed. */
typedef void (*RefreshFunction)(int selectId);
void setRefreshFunction(RefreshFunction fn);
void refresh(int selectId);

void resetForTests();

}  // namespace zmlib::elmattr
