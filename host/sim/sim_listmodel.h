/* List model calls as the level area uses them. The dialog manager owns list
** models; until its declarations are in the host headers these match them,
** and listmodel_fallback.cpp gives weak definitions that its own replace. */
#pragma once

#include <cstdint>

#include "host/mdltypes.h"

struct ListModel;
struct ListRow;
struct ListCell;

HOST_API ListModel* mdlListModel_create(int columns);
HOST_API void mdlListModel_destroy(ListModel* model);
HOST_API int mdlListModel_getRowCount(const ListModel* model);
HOST_API int mdlListModel_getColumnCount(const ListModel* model);
HOST_API ListRow* mdlListModel_insertRow(ListModel* model, int index);
HOST_API ListRow* mdlListModel_getRowAtIndex(const ListModel* model, int index);
HOST_API ListCell* mdlListRow_getCellAtIndex(const ListRow* row, int column);
HOST_API StatusInt mdlListCell_setStringValue(ListCell* cell, const char* text);
HOST_API const char* mdlListCell_getStringValue(const ListCell* cell);
HOST_API StatusInt mdlListCell_setLongValue(ListCell* cell, int64_t value);
HOST_API int64_t mdlListCell_getLongValue(const ListCell* cell);
