/* Project and page information: the project record (1603 bytes) and the page
** record (2115 bytes) that the library shares between applications, kept in
** the design file as data elements of application ids 101 and 110, in a
** resource file as 'CmPr' 3, edited in the project dialog 20008. */
#pragma once

#include <cstddef>
#include <type_traits>
#include "lib/zmlib_api.h"

struct ZmFormField;
typedef ZmFormField ZmFormDataArray;

enum : int {
    ZMPROJECT_APPLICATION_ID = 101,
    ZMPAGE_APPLICATION_ID = 110,
    ZMPROJECT_DATA_VERSION = 3,      /* written; 1, 2 and 3 are read */
    ZMPROJECT_DIALOG = 20008,
};

/* The project record as dialog items see it through "zmlibpd". Every field is
** a NUL-terminated text in a fixed slot, so the record has no padding and its
** bytes are the same on every platform. */
struct ZmProjectRecord {
    char pron[31];       /*    0 project number */
    char pros[5][81];    /*   31 project text lines */
    char UNav[81];       /*  436 name, group U */
    char USig[42];       /*  517 signature, group U */
    char UDat[31];       /*  559 date, group U */
    char RNav[81];       /*  590 */
    char RSig[42];       /*  671 */
    char RDat[31];       /*  713 */
    char SNav[81];       /*  744 */
    char SSig[42];       /*  825 */
    char SDat[31];       /*  867 */
    char kost[3][81];    /*  898 client lines 0-2 */
    char kost3[31];      /* 1141 client line 3 */
    char kost4[31];      /* 1172 client line 4 */
    char tegn[10][40];   /* 1203 drawing number lines */
};
static_assert(sizeof(ZmProjectRecord) == 1603 && offsetof(ZmProjectRecord, UNav) == 436 &&
              offsetof(ZmProjectRecord, kost3) == 1141 && offsetof(ZmProjectRecord, tegn) == 1203);
static_assert(std::is_trivially_copyable_v<ZmProjectRecord>);
#define ZMPROJECTRECORD_FIELDS(F)                                                                              \
    F(pron) F(pros) F(UNav) F(USig) F(UDat) F(RNav) F(RSig) F(RDat) F(SNav) F(SSig) F(SDat) F(kost) F(kost3)   \
    F(kost4) F(tegn)

/* The page record as dialog items see it through "zmlibsd": from offset 436
** the project layout moved by 81 bytes, plus copy and revision fields. */
struct ZmPageRecord {
    char unused0[31];    /*    0 */
    char name[81];       /*   31 page name: the key the page is stored under */
    char pros[4][81];    /*  112 page text lines, the project's lines 1-4 */
    char lookupName[81]; /*  436 the name being looked up (not stored) */
    char UNav[81];       /*  517 */
    char USig[42];       /*  598 */
    char UDat[31];       /*  640 */
    char RNav[81];       /*  671 */
    char RSig[42];       /*  752 */
    char RDat[31];       /*  794 */
    char SNav[81];       /*  825 */
    char SSig[42];       /*  906 */
    char SDat[31];       /*  948 */
    char unused1[305];   /*  979 */
    char tegn[10][40];   /* 1284 drawing number lines */
    char kopo[20][21];   /* 1684 copy lines */
    char revs[11];       /* 2104 revision */
};
static_assert(sizeof(ZmPageRecord) == 2115 && offsetof(ZmPageRecord, lookupName) == 436 &&
              offsetof(ZmPageRecord, tegn) == 1284 && offsetof(ZmPageRecord, revs) == 2104);
static_assert(std::is_trivially_copyable_v<ZmPageRecord>);
#define ZMPAGERECORD_FIELDS(F)                                                                                 \
    F(unused0) F(name) F(pros) F(lookupName) F(UNav) F(USig) F(UDat) F(RNav) F(RSig) F(RDat) F(SNav) F(SSig)   \
    F(SDat) F(unused1) F(tegn) F(kopo) F(revs)

/* Zero RECORD and read the design file's project data element into it (the
** last one found wins). Answers the number of project data elements. */
extern "C" ZMLIB_API int zmlibProject_readProjectInfoFromDesignFile(ZmProjectRecord* record);
/* Replace the design file's project data elements by one holding RECORD. */
extern "C" ZMLIB_API void zmlibProject_writeProjectInfoToDesignFile(ZmProjectRecord* record);
/* Zero RECORD and fill it from the stored page named NAME (exact match). */
extern "C" ZMLIB_API void zmlibProject_readPageInfoFromDesignFile(ZmPageRecord* record, const char* name);
/* Replace the stored pages of RECORD's page name by one holding RECORD. */
extern "C" ZMLIB_API void zmlibProject_writePageInfoToDesignFile(ZmPageRecord* record);
/* Delete stored pages, undoably: with KEEPLIST (null-terminated) every page
** not in it; else with NAME the pages of that name; else every page. Answers
** the number of page data elements scanned. */
extern "C" ZMLIB_API int zmlibProject_deletePageInfoFromDesignFile(const char* name, const char* const* keepList);
/* Hand the project values and the current page's values to LIST. */
extern "C" ZMLIB_API void zmlibProject_insertProjectData(ZmFormDataArray* list);
/* Open the project dialog: 0, or 0x8000 when it did not open. */
extern "C" ZMLIB_API int zmlibProject_dialogOpen(void);
