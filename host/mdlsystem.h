/* System services of the platform: configuration variables, applications
** and their callbacks, cross-application calls, memory, console and message
** output, files and text files. */
#pragma once

#include <cstdarg>
#include <cstdio>
#include "host/mdltypes.h"

/* ---- Configuration variables ----------------------------------------------
** Definition levels, lowest to highest priority: */
enum CfgLevel : int {
    CFGVAR_LEVEL_PREDEFINED = -2, /* host's built-in definitions */
    CFGVAR_LEVEL_SYSENV = -1,     /* process environment */
    CFGVAR_LEVEL_SYSTEM = 0,
    CFGVAR_LEVEL_APPL = 1,
    CFGVAR_LEVEL_SITE = 2,
    CFGVAR_LEVEL_PROJECT = 3,
    CFGVAR_LEVEL_USER = 4,
};

/* Copy the raw value of NAME into VALUE (at most SIZE bytes, zero-terminated,
** cut when longer). Answer 0 when the variable is defined, non-zero when not. */
HOST_API StatusInt mdlSystem_getCfgVar(char* value, const char* name, int size);
/* As mdlSystem_getCfgVar, but the process environment is looked at as well. */
HOST_API StatusInt mdlSystem_getenv(char* value, const char* name, int size);
/* The value of NAME as defined at LEVEL only; 0 when defined there. */
HOST_API StatusInt mdlSystem_getCfgVarAtLevel(char* value, const char* name, int level, int size);
/* The value of NAME with every $(VAR) expanded; 0 when NAME is defined. */
HOST_API StatusInt mdlSystem_getExpandedCfgVar(char* value, const char* name, int size);
/* Expand every $(VAR) in TEXT. Returns a text allocated with dlmSystem_mdlMalloc
** that the caller frees with dlmSystem_mdlFree, or null when out of memory.
** Undefined variables expand to nothing. */
HOST_API char* mdlSystem_expandCfgVar(const char* text);
/* Define NAME = VALUE at LEVEL (replacing a definition at that level). */
HOST_API StatusInt mdlSystem_defineCfgVar(const char* name, const char* value, int level);
/* Read a configuration file at LEVEL: NAME = value, NAME > append, NAME < prepend
** (directory lists joined with ';'), %include FILE, # comments. Answers 0, or
** HOST_ERROR when the file cannot be read. */
HOST_API StatusInt mdlSystem_processCfgVarFile(const char* path, int level);

/* ---- Applications -----------------------------------------------------------
** Each loaded application has a descriptor and a process number; the host
** always knows on whose behalf code runs (the current application). */
HOST_API MdlDescP mdlSystem_getCurrMdlDesc(void);
HOST_API MdlDescP mdlSystem_getMdlDescFromProcessNumber(int processNumber); /* null when ended */
HOST_API int mdlSystem_getProcessNumberFromMdlDesc(MdlDescP desc);
/* Task id (the application's name, upper-case) of the current application. */
HOST_API const char* mdlSystem_getCurrTaskID(void);
/* The loaded application named TASKID (case-insensitive), or null. */
HOST_API MdlDescP mdlSystem_findMdlDesc(const char* taskId);
/* Load application NAME (searched along MS_MDL as NAME.so, or a built-in one).
** 0 on success, a negative status when it cannot be found or loaded. */
HOST_API StatusInt mdlSystem_loadMdlProgram(const char* taskId, const char* name, const char* args);
/* End the current application: STATUS is its exit status, UNLOAD non-zero
** unloads it once the current event is over. */
HOST_API void mdlSystem_exit(int status, int unload);

enum SystemFunctionType : int {
    SYSTEM_NEW_DESIGN_FILE = 1, /* void fn(const char* fileName, int state); state 1: the file is open */
    SYSTEM_UNLOAD_PROGRAM = 2,  /* int fn(int unloadType); negative = forced; answer 1 refuses */
};
/* Install (or with null remove) a callback of the current application.
** Returns the function that was installed before. */
HOST_API void* mdlSystem_setFunction(int type, void* function);

HOST_API StatusInt mdlSystem_setMdlAppVersionNumber(MdlDescP desc, int version);
HOST_API int mdlSystem_getMdlAppVersionNumber(MdlDescP desc);

/* Call FUNCTION on behalf of DESC with arguments described by SIGNATURE, one
** letter per argument: P pointer, I int, D double. Returns the int result. */
HOST_API int dlmSystem_callAnyFunction(const char* signature, MdlDescP desc, void* function, ...);
/* Call the application's function named by FUNCTIONNAME, with the same rules. */
HOST_API int dlmSystem_callMdlFunction(const char* signature, MdlDescP desc, const char* functionName, ...);

/* Work mode of the host: 0 DGN, 1 DWG, 2 V7. */
HOST_API int mdlSystem_getWorkmode(void);
/* Ticks (1/60 s) since the host started. */
HOST_API uint32_t mdlSystem_getTicks(void);
HOST_API void mdlSystem_pauseTicks(int ticks);
HOST_API void mdlSystem_enterGraphics(void);

/* ---- Memory -------------------------------------------------------------- */
HOST_API void* dlmSystem_mdlMalloc(size_t size);
HOST_API void* dlmSystem_mdlCalloc(size_t count, size_t size);
HOST_API void* dlmSystem_mdlRealloc(void* block, size_t size);
HOST_API void dlmSystem_mdlFree(void* block);

/* ---- Output ----------------------------------------------------------------
** Message fields of the status bar. */
enum MessageField : int {
    MSG_COMMAND = 0, MSG_PROMPT = 1, MSG_STATUS = 2, MSG_ERROR = 3, MSG_KEYIN = 4, MSG_LEFT = 5,
};
HOST_API int toolSubsystem_printf(const char* format, ...);            /* the console */
HOST_API int mdlOutput_printf(int field, const char* format, ...);
/* Message NUMBER of message list LISTID (any open resource file) in FIELD. */
HOST_API StatusInt mdlOutput_rscPrintf(int field, RscFileHandle file, int listId, int number, ...);
/* Format message NUMBER of list LISTID into BUFFER (at most 1024 bytes). */
HOST_API StatusInt mdlOutput_rscsPrintf(char* buffer, RscFileHandle file, int listId, int number, ...);
HOST_API StatusInt mdlOutput_rscvsPrintf(char* buffer, RscFileHandle file, int listId, int number, va_list args);
/* Message centre entry: priority 0 error, 1 warning, 2 info, 3 debug. */
HOST_API void mdlOutput_messageCenter(int priority, const char* brief, const char* detailed, BoolInt openAlert);
HOST_API void mdlDialog_openInfoBox(const char* text);

/* ---- Files ------------------------------------------------------------------
** Paths may be Windows paths (drive letters mapped by _HOST_DRIVE_<X>,
** backslashes) or POSIX paths. */
/* Find NAME: as given, else along the directory list (';'-separated) in
** ENVVAR (a configuration variable name or a literal list), with DEFAULTEXT
** (with or without its point) added when NAME has no extension. FOUND gets the
** full path (MAXFILELENGTH bytes). 0 when found, HOST_ERROR when not. */
enum { MAXFILELENGTH = 256, MAXDEVICELENGTH = 8, MAXDIRLENGTH = 256, MAXNAMELENGTH = 256, MAXEXTENSIONLENGTH = 32 };
HOST_API StatusInt mdlFile_find(char* found, const char* name, const char* envVar, const char* defaultExt);
/* Split a path into device ("c" without colon), directory (with trailing
** separator), name and extension (without point); any output may be null. */
HOST_API StatusInt mdlFile_parseName(const char* path, char* device, char* directory, char* name, char* extension);
/* Shorten PATH to at most MAXCHARS characters, replacing middle directories by "...". */
HOST_API void mdlFile_abbreviateName(char* out, const char* path, int maxChars);
/* 0 when the file exists; SIZE, MTIME and READONLY may be null. */
HOST_API StatusInt mdlFile_getFileAttributes(const char* path, int64_t* size, int64_t* mtime, BoolInt* readOnly);
HOST_API StatusInt mdlFile_copy(const char* destination, const char* source);
/* A C stream on a host path; mode as for fopen. */
HOST_API FILE* dlmSystem_mdlFopen(const char* path, const char* mode);
HOST_API int dlmSystem_mdlFclose(FILE* file);
HOST_API int toolSubsystem_fprintf(FILE* file, const char* format, ...);

/* Text files read line by line. */
enum TextFileMode : int { TEXTFILE_READ = 0, TEXTFILE_WRITE = 1, TEXTFILE_APPEND = 2 };
HOST_API TextFileP mdlTextFile_open(const char* path, int mode);
/* Read one line without its line end into BUFFER (at most SIZE bytes, cut).
** 0 on success, HOST_ERROR at end of file. */
HOST_API StatusInt mdlTextFile_getString(char* buffer, int size, TextFileP file);
HOST_API StatusInt mdlTextFile_putString(const char* text, TextFileP file);
HOST_API StatusInt mdlTextFile_close(TextFileP file);
