/* Plotting of the platform: the fence, plot descriptions made from plot
** driver files, and the system print dialog. A plot renders the elements
** inside the fence onto one sheet of the chosen paper as a PDF file. */
#pragma once

#include "host/mdltypes.h"

union MSElement;

/* ---- Fence ---------------------------------------------------------------------
** One fence at a time: the box around a shape's vertices (world coordinates). */
/* 0, or HOST_ERROR when SHAPE is not a shape with an area. */
HOST_API StatusInt mdlFence_fromShape(const MSElement* shape);
/* Forget the fence. DISPLAY is kept for callers (nothing is on show). */
HOST_API void mdlFence_clear(BoolInt display);
/* True while a fence is defined. */
HOST_API BoolInt mdlFence_isFenceActive(void);

/* ---- Plot descriptions ---------------------------------------------------------
** A plot driver file (*.plt) is a text file of "KEY = VALUE" lines ("#"
** starts a comment):
**   name = TEXT              what the plotter is called
**   printer = TEXT           the system printer's name
**   paper NAME = W H         a paper of W x H millimetres (the first is the default)
**   to_printer = 0|1         1: a plot goes to the system printer, not to a file
**   to_named_file = 0|1      1: a plot goes to the file named by "file"
**   file = PATH              that file
**   extension = TEXT         extension of plot files the caller names ("pdf" by default)
**   spool = FOLDER           where the system printer takes its jobs
** A plot description copies them; the integers and strings below read them. */
typedef struct PlotDesc PlotDesc;

enum : int {
    PLOTDESC_INT_TO_PRINTER = 4098,
    PLOTDESC_INT_TO_NAMED_FILE = 4129,
    PLOTDESC_STRING_FILE = 28675,
    PLOTDESC_STRING_EXTENSION = 28683,
};

/* Make *OUT from the plot driver file PLTFILE (a platform path; searched along
** "MS_PLTR" when it has no folder). 0, or HOST_ERROR with *OUT null: the file
** is missing or malformed (the console says which line). */
HOST_API StatusInt mdlPlotDesc_createFromTCBAndPltFile(PlotDesc** out, const char* pltFile);
/* Free *DESC and set it null. */
HOST_API void mdlPlotDesc_destroy(PlotDesc** desc);
/* Choose the paper by its name in the driver file (case-insensitive). */
HOST_API StatusInt mdlPlotDesc_setPaperSize(PlotDesc* desc, const char* paperName);
HOST_API StatusInt mdlPlotDesc_setUnits(PlotDesc* desc, int units);
HOST_API StatusInt mdlPlotDesc_setViewFlags(PlotDesc* desc, UInt32 viewFlags);
HOST_API StatusInt mdlPlotDesc_setNumCopies(PlotDesc* desc, int copies);
/* Plot the area of the fence; HOST_ERROR when no fence is defined. */
HOST_API StatusInt mdlPlotDesc_setFenceFromTCB(PlotDesc* desc);
/* Scale the plotted area to fill the paper (aspect kept, centred). */
HOST_API StatusInt mdlPlotDesc_maximize(PlotDesc* desc);
/* Plot to OUTFILE (a platform path); null or "" sends the plot to the
** system printer (the driver's spool folder). Each copy is one page. */
HOST_API StatusInt mdlPlotDesc_plot(PlotDesc* desc, const char* outFile);
HOST_API StatusInt mdlPlotDesc_getInteger(int* value, PlotDesc* desc, int which);
HOST_API StatusInt mdlPlotDesc_getString(char* value, int size, PlotDesc* desc, int which);
HOST_API StatusInt mdlPlotDesc_getSysPrinter(char* name, int size, PlotDesc* desc);

/* The system print dialog: PRINTER and PAPER get the chosen printer's name
** and paper name (the workspace's "_HOST_SYSTEM_PRINTER" and
** "_HOST_SYSTEM_PAPER", else "System printer" and "A4"). 0 for OK. */
HOST_API StatusInt mdlPlotter_showSystemPrintdlg(char* printer, int printerSize, char* paper, int paperSize);
