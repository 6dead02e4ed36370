/* Commands of the platform: command numbers an application maps to its
** functions, the parser tables (command tables) that give them key-in
** words, the command queue, the default command, and the host's active
** parameters and locks. */
#pragma once

#include "host/mdltypes.h"

typedef int32_t CommandNumber;

/* A command function; UNPARSED is what the user typed after the command's
** key-in words ("" when there was nothing, or for a queued command, the text
** queued with it). */
typedef void (*CommandFunction)(char* unparsed);

/* One row of an application's command table; a row with a null function
** ends the table. */
struct MdlCommandNumber {
    CommandFunction function;
    CommandNumber commandNumber;
};

/* Map the current application's command numbers to its functions (the
** rows replace earlier ones of the same numbers). HOST_ERROR for no table
** or no current application. */
HOST_API StatusInt mdlSystem_registerCommandNumbers(const MdlCommandNumber* table);

/* The key-in words of the current application's commands: every command
** table ('CmdT') of FILE (0: the application's own resource file). Key-ins
** are then matched word by word, case-insensitively, the longest match of
** any loaded application winning. Answers a non-null handle when at least
** one table was loaded, null when none (missing or damaged). */
typedef struct CommandTable* CommandTableP;
HOST_API CommandTableP mdlParse_loadCommandTable(RscFileHandle file);

/* Commands of the host itself. */
enum : uint32_t {
    CMD_UNLOAD_APPLICATION = 0x79020000u, /* unparsed: the task id to unload */
    CMD_LOCK_ON = 0x1A100000u,            /* switch lock 517 on */
    CMD_LOCK_OFF = 0x1A100100u,           /* switch lock 517 off */
};

/* Queue COMMANDNUMBER with UNPARSED (may be null) to run after the current
** event, in queue order; LITERAL and FROMUSER are kept for the record. A
** number of the host runs the host's command; any other the function an
** application registered for it (a number nobody registered is reported on
** the console when it comes to run). 0, or HOST_ERROR for a full queue. */
HOST_API StatusInt mdlDialog_cmdNumberQueue(BoolInt literal, CommandNumber commandNumber, const char* unparsed,
                                            BoolInt fromUser);
/* Queue a key-in to run after the current event. */
HOST_API StatusInt mdlInput_sendKeyin(const char* keyin, BoolInt literal, int position, const char* taskId);

/* End the running command and start the host's default command. */
HOST_API void mdlState_startDefaultCommand(void);

/* ---- Locks and active parameters ------------------------------------------------ */
enum : int {
    LOCK_517 = 517, /* the lock that CMD_LOCK_ON and CMD_LOCK_OFF switch */
};
/* The state (0 off, 1 on) of LOCK; 0 for a lock never set. */
HOST_API int mdlParams_getLock(int lock);
HOST_API void mdlParams_setLock(int lock, int value);

/* Active parameters and the form of their values. The platform's numbers:
** an add-in may pass them as plain numbers (font 7, text size 11). */
enum ActiveParam : int {
    ACTIVEPARAM_COLOR = 1,         /* int32 */
    ACTIVEPARAM_LINEWEIGHT = 2,    /* int32 */
    ACTIVEPARAM_LINESTYLE = 3,     /* int32; negative: a named (custom) style */
    ACTIVEPARAM_LEVEL = 4,         /* int32 */
    ACTIVEPARAM_CLASS = 5,         /* int32 */
    ACTIVEPARAM_ANGLE = 6,         /* double, radians */
    ACTIVEPARAM_FONT = 7,          /* int32 */
    ACTIVEPARAM_SCALE = 8,         /* double */
    ACTIVEPARAM_GRAPHICGROUP = 9,  /* int32 */
    ACTIVEPARAM_TEXTWIDTH = 10,    /* double, UORs */
    ACTIVEPARAM_TEXTHEIGHT = 11,   /* double, UORs: the active text size */
    ACTIVEPARAM_LINESTYLENAME = 44, /* text (char[MAX_PARAM_TEXT]): the active line style by name */
};
enum : int { MAX_PARAM_TEXT = 256 };
/* Copy parameter PARAM into VALUE (int32_t, double or char[MAX_PARAM_TEXT]
** as listed). 0, or HOST_ERROR for an unknown parameter. */
HOST_API StatusInt mdlParams_getActive(void* value, int param);
/* Set parameter PARAM from VALUE (the same forms; a text is cut to fit). */
HOST_API StatusInt mdlParams_setActive(const void* value, int param);
