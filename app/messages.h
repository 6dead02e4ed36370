/* Numbers of the messages the commands show from the application's
** resource file: prompts (list 1) and status texts (list 4). The command
** names and first prompts that start each command live with the command. */
#pragma once

/* Prompts of list 1, shown with locate_prompt: what the next point does. */
enum : int {
    PROMPT_IDENTIFY_LINE = 1,        /* place dimension, first point on an isometric line */
    PROMPT_DIMENSION_POINTS = 2,     /* place dimension, the further points */
    PROMPT_ACCEPT_OR_NEXT = 3,       /* a located element with no prompt of its own */
    PROMPT_DELETE_POINT = 4,
    PROMPT_SEGMENT_LIMIT = 5,
    PROMPT_LINE_LOCATION = 6,        /* place dimension, the dimension line's location */
    PROMPT_ELEMENT_LINE = 7,         /* dimension element, the located line's dimension line */
    PROMPT_MOVE_TEXT = 8,
    PROMPT_MOVE_EXTENSION = 9,
    PROMPT_MOVE_DIMLINE = 10,
    PROMPT_NEW_POINT = 11,
    PROMPT_ACCEPT_DELETE = 12,
    PROMPT_ACCEPT_EDIT = 13,
    PROMPT_SKEW_SIDE = 14,
    PROMPT_SKEW_HEIGHT = 15,
};

/* Status texts of list 4: why a pick took nothing. */
enum : int {
    STATUS_NOTHING_FOUND = 1,
    STATUS_NOT_A_LINE = 2,
    STATUS_NOT_ISOMETRIC = 3,
    STATUS_NOT_SKEW = 4,
    STATUS_NOT_A_DIMENSION = 5,
    STATUS_INSERT_WHERE = 6,
    STATUS_DELETE_ONE_SEGMENT = 7,
    STATUS_DELETE_WHAT = 8,
    STATUS_EDIT_WHAT = 9,
    STATUS_ALONG_AXIS = 10,
    STATUS_CHAIN_FULL = 11,
};

/* Tracing for whoever maintains the application: goes to the host's debug
** channel, which the drafter sees only when asking for it. */
void tarvik_debugPrintf(const char* format, ...) __attribute__((format(printf, 1, 2)));
