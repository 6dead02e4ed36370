/* Resource files and string lists of the platform: resources kept by
** four-character type and 32-bit id in files the host opens, message lists
** searched across every open file, and string lists whose members carry
** 32-bit information fields. */
#pragma once

#include "host/mdltypes.h"

/* ---- Statuses ----------------------------------------------------------------
** Every function below answers RSC_SUCCESS or one of these. */
enum RscStatus : int {
    RSC_SUCCESS = 0,
    RSCERR_BAD_HANDLE = -901,    /* the handle names no open resource file */
    RSCERR_CANNOT_OPEN = -902,   /* the file does not exist or cannot be opened or created */
    RSCERR_NOT_RSC_FILE = -903,  /* the file is damaged, truncated or not a resource file
                                    (a console line names it) */
    RSCERR_NOT_FOUND = -904,     /* no such resource, message list or message */
    RSCERR_EXISTS = -905,        /* mdlResource_add of a type and id the file already holds */
    RSCERR_READ_ONLY = -906,     /* a write to a file opened for reading only (mode 0), or
                                    whose file on disk refuses writing */
    RSCERR_WRITE_FAILED = -907,  /* the file could not store the change (disk full, I/O error,
                                    the host's write-failure switch); nothing was changed */
    RSCERR_NO_MEMORY = -908,     /* the host could not allocate the copy or the list */
    RSCERR_BAD_ARGUMENT = -909,  /* a null pointer or a value out of range */
    RSCERR_TOO_LARGE = -910,     /* a resource over RSC_MAX_SIZE bytes, or a text over
                                    RSC_MAX_TEXT bytes in a list */
    RSCERR_BAD_RESOURCE = -911,  /* a stored list resource whose bytes do not decode */
};

enum : uint32_t {
    RSC_MAX_SIZE = 16u * 1024u * 1024u, /* largest resource, bytes */
    RSC_MAX_TEXT = 65535u,              /* longest text of a message or string-list member */
};

/* Resource types the host itself reads. */
enum : uint32_t {
    RTYPE_MESSAGELIST = fourCC("MsgL"),  /* numbered messages */
    RTYPE_STRINGLIST = fourCC("StrL"),   /* string list with information fields */
    RTYPE_DIALOG = fourCC("dBox"),       /* a dialog and its items; the dialog id is the resource id */
    RTYPE_PULLDOWN = fourCC("pdMn"),     /* a pull-down menu */
    RTYPE_COMMANDTABLE = fourCC("CmdT"), /* command numbers and their key-in words */
    RTYPE_ICON = fourCC("Icon"),
    RTYPE_IMAGE = fourCC("Imag"),
    RTYPE_TYPEDESC = fourCC("TpDs"), /* the layout of a published type, found by its name */
};

/* ---- Resource files ------------------------------------------------------- */

/* Create (or empty and re-create) the resource file NAME with the text
** DESCRIPTION. FLAGS: 0 refuses a file that already exists (RSCERR_EXISTS), any
** other value replaces it. The file is not left open. RSCERR_CANNOT_OPEN when
** it cannot be written. */
HOST_API StatusInt mdlResource_createFile(const char* name, const char* description, int flags);

/* Open the resource file NAME: MODE 0 for reading, non-zero for reading and
** writing. A null NAME opens the current application's own resource file.
** *HANDLE gets the new handle (0 on failure). A file may be open under several
** handles. RSCERR_CANNOT_OPEN, RSCERR_NOT_RSC_FILE (with a console line), or
** RSCERR_BAD_ARGUMENT for a null HANDLE. */
HOST_API StatusInt mdlResource_openFile(RscFileHandle* handle, const char* name, int mode);

/* Close FILE, committing what was written under it. RSCERR_BAD_HANDLE. */
HOST_API StatusInt mdlResource_closeFile(RscFileHandle file);

/* Copy the description of FILE into BUFFER (SIZE bytes, cut, zero-terminated). */
HOST_API StatusInt mdlResource_getFileDescription(char* buffer, int size, RscFileHandle file);

/* Load resource TYPE, ID from FILE, or with FILE 0 from the first open file that
** holds it (the current application's own file first, then the others, most
** recently opened first). Answers the host's copy, which the caller may change
** and hand to mdlResource_write, and releases with mdlResource_free; null when
** the resource does not exist, FILE is not open or memory is short. */
HOST_API void* mdlResource_load(RscFileHandle file, uint32_t type, int32_t id);

/* Release a copy from mdlResource_load (null is ignored). */
HOST_API void mdlResource_free(void* resource);

/* Store the (possibly changed) copy RESOURCE back where it was loaded from, at
** its current size. RSCERR_READ_ONLY, RSCERR_WRITE_FAILED, RSCERR_BAD_HANDLE when
** its file was closed since, RSCERR_BAD_ARGUMENT when RESOURCE is not a copy. */
HOST_API StatusInt mdlResource_write(void* resource);

/* Give the copy *RESOURCE a new size: the first bytes are kept, new bytes are
** zero. *RESOURCE may move; on failure it is left as it was. RSCERR_NO_MEMORY,
** RSCERR_TOO_LARGE, RSCERR_BAD_ARGUMENT. */
HOST_API StatusInt mdlResource_resize(void** resource, uint32_t newSize);

/* Add resource TYPE, ID of SIZE bytes at DATA to FILE, with an optional ALIAS
** text. RSCERR_EXISTS when the file holds that type and id already, else as for
** mdlResource_write, RSCERR_TOO_LARGE above RSC_MAX_SIZE. */
HOST_API StatusInt mdlResource_add(RscFileHandle file, uint32_t type, int32_t id, const void* data,
                                   uint32_t size, const char* alias);

/* Remove resource TYPE, ID from FILE. RSCERR_NOT_FOUND, RSCERR_READ_ONLY, ... */
HOST_API StatusInt mdlResource_delete(RscFileHandle file, uint32_t type, int32_t id);

/* What mdlResource_query answers about a loaded copy. */
enum RscQuery : int {
    RSC_QRY_SIZE = 1, /* uint32_t: size in bytes */
    RSC_QRY_TYPE = 2, /* uint32_t: resource type */
    RSC_QRY_ID = 3,   /* int32_t: resource id */
    RSC_QRY_FILE = 4, /* RscFileHandle: the file it was loaded from */
};
/* Write the answer to QUERY about the copy RESOURCE into *RESULT.
** RSCERR_BAD_ARGUMENT for an unknown query or something that is no copy. */
HOST_API StatusInt mdlResource_query(void* result, const void* resource, int query);

/* Size in bytes of resource TYPE, ID in FILE (0: any open file) into *SIZE,
** without loading it. RSCERR_NOT_FOUND. */
HOST_API StatusInt mdlResource_querySize(uint32_t* size, RscFileHandle file, uint32_t type, int32_t id);

/* Copy message NUMBER of message list LISTID into BUFFER (SIZE bytes, cut,
** zero-terminated). FILE 0 searches every open file in the order of
** mdlResource_load. RSCERR_NOT_FOUND leaves an empty BUFFER. */
HOST_API StatusInt mdlResource_loadFromStringList(char* buffer, int size, RscFileHandle file, int32_t listId,
                                                  int32_t number);

/* Copy the file the application DESC (null: the current one) was loaded from
** into BUFFER (SIZE bytes, cut): its shared library, or for an application
** without one its resource file. HOST_ERROR when there is none. */
HOST_API StatusInt mdlResource_getApplLoadFile(char* buffer, int size, MdlDescP desc);

/* ---- String lists ----------------------------------------------------------
** An ordered list of texts, each member with the same number of 32-bit
** information fields (zero when inserted). Lists belong to whoever created or
** loaded them and are destroyed with mdlStringList_destroy. */

/* A new list of MEMBERS empty members with INFOFIELDS fields each; null when
** out of memory or a count is negative. */
HOST_API StringList* mdlStringList_create(int members, int infoFields);
HOST_API void mdlStringList_destroy(StringList* list);
/* Number of members (0 for null). */
HOST_API int mdlStringList_size(const StringList* list);
/* Information fields per member (0 for null). */
HOST_API int mdlStringList_infoFieldCount(const StringList* list);

/* Insert COUNT empty members before POSITION (-1: at the end). *INDEX gets the
** index of the first new member, or -1 when the host refuses (the list is full,
** memory is short; RSCERR_NO_MEMORY) or POSITION is out of range
** (RSCERR_BAD_ARGUMENT). */
HOST_API StatusInt mdlStringList_insertMember(int* index, StringList* list, int position, int count);
/* Delete COUNT members from INDEX on. RSCERR_BAD_ARGUMENT when out of range. */
HOST_API StatusInt mdlStringList_deleteMember(StringList* list, int index, int count);

/* Point *TEXT at member INDEX's text and *INFOFIELDS at its fields (either may
** be null). Both stay valid until the member is set or deleted or the list
** destroyed. RSCERR_BAD_ARGUMENT when INDEX is out of range. */
HOST_API StatusInt mdlStringList_getMember(const char** text, int32_t** infoFields, const StringList* list,
                                           int index);
/* Set member INDEX's text (null keeps it) and fields (null keeps them; else
** infoFieldCount values are read). RSCERR_TOO_LARGE for a text over RSC_MAX_TEXT. */
HOST_API StatusInt mdlStringList_setMember(StringList* list, int index, const char* text,
                                           const int32_t* infoFields);
/* Information field FIELD of member INDEX. */
HOST_API StatusInt mdlStringList_getInfoField(int32_t* value, const StringList* list, int index, int field);
HOST_API StatusInt mdlStringList_setInfoField(StringList* list, int index, int field, int32_t value);
/* Index of the first member from START on whose text equals TEXT, -1 when none. */
HOST_API int mdlStringList_search(const StringList* list, const char* text, int start);

/* Load string list ID ('StrL') from FILE (0: any open file, as mdlResource_load).
** A new list, or null when missing, damaged or memory is short. */
HOST_API StringList* mdlStringList_loadResource(RscFileHandle file, int32_t id);
/* Store LIST as new string list ID of FILE; RSCERR_EXISTS when it holds one. */
HOST_API StatusInt mdlStringList_addResource(RscFileHandle file, int32_t id, const StringList* list);
/* Store LIST as string list ID of FILE, replacing a stored one or adding it. */
HOST_API StatusInt mdlStringList_writeResource(RscFileHandle file, int32_t id, const StringList* list);
