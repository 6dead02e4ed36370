/* What the tests and the material lists reach of the project module: the
** stored block layouts, packing and bounded unpacking, and the hooks. */
#pragma once

#include <cstdint>
#include "lib/document/project.h"

namespace zmlib::project {

enum : int {
    PROJECT_BLOCK_MAX = 1603,   /* every field full */
    PAGE_BLOCK_MAX = 1698,
};

/* Pack RECORD in the stored field order into BLOCK (PROJECT_BLOCK_MAX or
** PAGE_BLOCK_MAX bytes). Each text is cut to its slot. Answers the size. */
int packProject(const ZmProjectRecord& record, char* block);
int packPage(const ZmPageRecord& record, char* block);
/* Unpack a stored block of DATAVERSION into RECORD, which is zeroed first.
** ZMLIB_ERROR (RECORD zeroed) when a text runs past the block or the version
** is not one that is read. */
int unpackProject(const char* block, int size, int dataVersion, ZmProjectRecord& record);
int unpackPage(const char* block, int size, int dataVersion, ZmPageRecord& record);

/* The process-wide records. */
ZmProjectRecord* projectRecord();
ZmPageRecord* pageRecord();

/* Publish the project dialog's hooks (library start-up). */
void publishHooks();

}  // namespace zmlib::project
