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

/* Names compare case-insensitively; a name is letters, digits and '_'.
** Outputs go to a caller's buffer VALUE of SIZE bytes: zero-terminated, cut
** when longer, "" when not found; VALUE may be null to test for a definition.
** The process environment is not copied into the configuration. */

/* Copy the raw (unexpanded) value of NAME. Answer 0 when the variable is
** defined, non-zero when not. */
HOST_API StatusInt mdlSystem_getCfgVar(char* value, const char* name, int size);
/* The expanded value of NAME; a name the configuration does not define is
** looked up in the process environment. 0 when found. */
HOST_API StatusInt mdlSystem_getenv(char* value, const char* name, int size);
/* The raw value of NAME as defined at LEVEL only; 0 when defined there.
** Level CFGVAR_LEVEL_SYSENV also answers from the process environment. */
HOST_API StatusInt mdlSystem_getCfgVarAtLevel(char* value, const char* name, int level, int size);
/* The value of NAME with every $(VAR) expanded; 0 when NAME is defined. */
HOST_API StatusInt mdlSystem_getExpandedCfgVar(char* value, const char* name, int size);
/* Expand every $(VAR) in TEXT. Returns a text allocated with dlmSystem_mdlMalloc
** that the caller frees with dlmSystem_mdlFree, or null when out of memory.
** Undefined variables expand to nothing. */
HOST_API char* mdlSystem_expandCfgVar(const char* text);
/* Define NAME = VALUE at LEVEL (replacing a definition at that level); a
** $(NAME) in VALUE takes NAME's old value. A null VALUE removes the
** definition at LEVEL. HOST_ERROR for a bad name or level. */
HOST_API StatusInt mdlSystem_defineCfgVar(const char* name, const char* value, int level);
/* Read a configuration file at LEVEL: NAME = value, NAME : value (expanded
** now), NAME > append, NAME < prepend (directory lists joined with ';'),
** %include FILE (relative to the including file; wildcards allowed), %undef,
** %ifdef, %ifndef, %if [!]exists(PATH), %if [!]defined(NAME), %else, %endif,
** # comment lines. Answers 0, or HOST_ERROR when the file cannot be read or
** a line is bad: each problem is shown on the console as "file:line:
** message" and the good lines count. */
HOST_API StatusInt mdlSystem_processCfgVarFile(const char* path, int level);

/* ---- Applications -----------------------------------------------------------
** Each loaded application has a descriptor and a process number; the host
** always knows on whose behalf code runs (the current application).
** An add-in is NAME.so found along MS_MDL, entered through its exported
** int MdlMain(int argc, char* argv[]): argv[0] is the path it was loaded
** from, argv[1] the variable it was loaded through ("MS_INITAPPS" at host
** start, "MS_DGNAPPS" when a design file opens) or "" when loaded by key-in
** or mdlSystem_loadMdlProgram, argv[2...] the load arguments, argv[argc] null. */
HOST_API MdlDescP mdlSystem_getCurrMdlDesc(void);
HOST_API MdlDescP mdlSystem_getMdlDescFromProcessNumber(int processNumber); /* null when ended */
/* The descriptor's process number (it stays with an ended descriptor);
** null asks for the current application's; -1 for no or an unknown descriptor. */
HOST_API int mdlSystem_getProcessNumberFromMdlDesc(MdlDescP desc);
/* Task id (the application's name, upper-case) of the current application;
** "" when no application is current. */
HOST_API const char* mdlSystem_getCurrTaskID(void);
/* The loaded application named TASKID (case-insensitive), or null. */
HOST_API MdlDescP mdlSystem_findMdlDesc(const char* taskId);

/* Statuses of mdlSystem_loadMdlProgram. */
enum LoadStatus : int {
    LOAD_NOT_FOUND = -1,       /* no NAME.so along MS_MDL and no built-in application */
    LOAD_ALREADY_LOADED = -2,  /* an application of that task id is loaded */
    LOAD_CANNOT_LOAD = -3,     /* the library does not load (dlopen failed) */
    LOAD_NO_ENTRY = -4,        /* the library exports no MdlMain */
    LOAD_START_FAILED = -5,    /* MdlMain failed with an exception */
    LOAD_BAD_NAME = -6,        /* no or an empty name */
};
/* Load application NAME (or TASKID when NAME is null or empty), with ARGS
** (blank-separated, may be null) as its arguments from argv[2] on.
** 0 on success, a LoadStatus otherwise (also shown on the console). */
HOST_API StatusInt mdlSystem_loadMdlProgram(const char* taskId, const char* name, const char* args);
/* End the current application: STATUS is its exit status; UNLOAD non-zero
** unloads it (as UNLOAD_BY_EXIT) once the call into it has returned. */
HOST_API void mdlSystem_exit(int status, int unload);

enum SystemFunctionType : int {
    SYSTEM_NEW_DESIGN_FILE = 1, /* void fn(const char* fileName, int state); state 1: the file is open */
    SYSTEM_UNLOAD_PROGRAM = 2,  /* int fn(int unloadType); answer non-zero (1) to refuse */
};
/* Unload types given to the unload function. An ordinary unload (0 or
** more) may be refused; a negative one is forced and the answer is ignored. */
enum UnloadType : int {
    UNLOAD_ORDINARY = 0,   /* "mdl unload" key-in or the queued unload command */
    UNLOAD_FORCED = -1,    /* the host unloads without asking */
    UNLOAD_BY_EXIT = -2,   /* the application ended itself (mdlSystem_exit) */
    UNLOAD_SHUTDOWN = -3,  /* the host is ending */
};
/* Install (or with null remove) a callback of the current application.
** Returns the function that was installed before; null (and nothing
** installed) for an unknown type or when no application is current. */
HOST_API void* mdlSystem_setFunction(int type, void* function);

/* The application's 4-byte version record, bytes in little-endian order
** (two 16-bit words: the first in the low half). DESC null: the current one.
** Set answers 0, or HOST_ERROR for no or an ended application; get answers 0 then. */
HOST_API StatusInt mdlSystem_setMdlAppVersionNumber(MdlDescP desc, int version);
HOST_API int mdlSystem_getMdlAppVersionNumber(MdlDescP desc);

/* Call FUNCTION on behalf of DESC (null: the current application) with
** arguments described by SIGNATURE, one letter per argument: P pointer,
** I int, D double; at most 8 P/I and 8 D letters in any order. Returns the
** function's int result; 0, with a console line, for a null function, a bad
** signature or an ended or unknown descriptor. */
HOST_API int dlmSystem_callAnyFunction(const char* signature, MdlDescP desc, void* function, ...);
/* Call the application's exported function named FUNCTIONNAME, with the same
** rules; 0 with a console line when it has no such function. */
HOST_API int dlmSystem_callMdlFunction(const char* signature, MdlDescP desc, const char* functionName, ...);

/* Work mode of the host: 0 DGN, 1 DWG, 2 V7. */
HOST_API int mdlSystem_getWorkmode(void);
/* Ticks (1/60 s) since the host started. The simulated host's clock only
** moves when told, so sessions repeat exactly: pauseTicks advances it. */
HOST_API uint32_t mdlSystem_getTicks(void);
HOST_API void mdlSystem_pauseTicks(int ticks);
/* Timers: FUNCTION(ARGUMENT, HANDLE) runs on behalf of the application that
** set it once TICKS more have passed (again every TICKS with REPEAT). They
** fire when the host lets time pass (a session's "wait TICKS"), never inside
** mdlSystem_pauseTicks. *TIMERHANDLE (may be null) gets a handle above 0;
** HOST_ERROR for a null function, TICKS below 1 or no current application. */
typedef void (*SystemTimerFunction)(void* argument, int timerHandle);
HOST_API StatusInt mdlSystem_setTimerFunction(int* timerHandle, int ticks, SystemTimerFunction function,
                                              void* argument, BoolInt repeat);
/* Cancel a timer; HOST_ERROR when it is not set. */
HOST_API StatusInt mdlSystem_cancelTimer(int timerHandle);
HOST_API void mdlSystem_enterGraphics(void);

/* ---- Memory -------------------------------------------------------------- */
HOST_API void* dlmSystem_mdlMalloc(size_t size);
HOST_API void* dlmSystem_mdlCalloc(size_t count, size_t size);
HOST_API void* dlmSystem_mdlRealloc(void* block, size_t size);
HOST_API void dlmSystem_mdlFree(void* block);

/* ---- Output ----------------------------------------------------------------
** Message fields of the status bar. */
enum MessageField : int {
    MSG_COMMAND = 0, MSG_STATUS = 1, MSG_PROMPT = 2, MSG_ERROR = 3, MSG_KEYIN = 4, MSG_LEFT = 5,
};
HOST_API int toolSubsystem_printf(const char* format, ...);            /* the console */
HOST_API int mdlOutput_printf(int field, const char* format, ...);
/* Message NUMBER of message list LISTID (any open resource file) in FIELD. */
HOST_API StatusInt mdlOutput_rscPrintf(int field, RscFileHandle file, int listId, int number, ...);
/* Format message NUMBER of list LISTID into BUFFER (at most 1024 bytes). */
HOST_API StatusInt mdlOutput_rscsPrintf(char* buffer, RscFileHandle file, int listId, int number, ...);
HOST_API StatusInt mdlOutput_rscvsPrintf(char* buffer, RscFileHandle file, int listId, int number, va_list args);
/* Message centre entry. Debug entries are the add-ins' tracing: the user sees
** them only when asking for them. */
enum MessagePriority : int { MESSAGE_ERROR = 0, MESSAGE_WARNING = 1, MESSAGE_INFO = 2, MESSAGE_DEBUG = 3 };
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
/* A C stream on a host path; mode as for fopen. The stream belongs to the
** host's run-time library, which need not be the add-in's: read, write and
** close it through these calls only. */
HOST_API FILE* dlmSystem_mdlFopen(const char* path, const char* mode);
HOST_API int dlmSystem_mdlFclose(FILE* file);
/* As fread and fwrite on a stream of dlmSystem_mdlFopen: the items moved. */
HOST_API size_t dlmSystem_mdlFread(void* buffer, size_t size, size_t count, FILE* file);
HOST_API size_t dlmSystem_mdlFwrite(const void* buffer, size_t size, size_t count, FILE* file);
HOST_API int toolSubsystem_fprintf(FILE* file, const char* format, ...);

/* Text files read line by line. Lines may end in "\n", "\r\n" or "\r". */
enum TextFileMode : int { TEXTFILE_READ = 0, TEXTFILE_WRITE = 1, TEXTFILE_APPEND = 2 };
enum TextFileOptions : int {
    TEXTFILE_DEFAULT = 0,
    TEXTFILE_KEEP_NEWLINE = 1, /* getString keeps the line end ("\n"); putString adds none */
};
/* Open PATH in MODE; null when it cannot be opened. */
HOST_API TextFileP mdlTextFile_open(const char* path, int mode);
/* Read one line into BUFFER (SIZE bytes, zero-terminated), without its line
** end unless OPTIONS has TEXTFILE_KEEP_NEWLINE. A longer line comes in
** pieces of SIZE - 1 bytes, nothing is dropped; only its last piece carries
** the kept line end. 0 on success, HOST_ERROR at end of file or on a read
** error (mdlTextFile_isEof tells which). */
HOST_API StatusInt mdlTextFile_getString(char* buffer, int size, TextFileP file, int options);
/* Write TEXT and a line end ("\n"; none with TEXTFILE_KEEP_NEWLINE). */
HOST_API StatusInt mdlTextFile_putString(const char* text, TextFileP file, int options);
/* Non-zero once a read has met the end of the file. */
HOST_API BoolInt mdlTextFile_isEof(TextFileP file);
HOST_API StatusInt mdlTextFile_rewind(TextFileP file);
/* Close and free FILE; HOST_ERROR when writing the rest failed. */
HOST_API StatusInt mdlTextFile_close(TextFileP file);
