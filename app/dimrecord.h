/* The stored form of a dimension chain: header data on the "TARVIK" cell,
** component data on its texts, extension lines and dimension lines, and the
** reading of a placed dimension back into a record. */
#pragma once

#include <cstdint>
#include "app/dimension.h"
#include "host/mdlelement.h"

enum : int {
    DIM_USERDATA_APPLICATION = 13,
    DIM_DATA_VERSION = 3,
    DIM_HEADER_SIZE = 92,          /* header data of version 3 */
    DIM_HEADER_SIZE_V2 = 72,       /* version 2 ends after the plot scale */
    DIM_COMPONENT_TEXT = 1,
    DIM_COMPONENT_EXTENSION = 2,
    DIM_COMPONENT_DIMLINE = 3,
    DIM_TEXT_DATA_SIZE = 20,
    DIM_EXTENSION_DATA_SIZE = 32,
    DIM_DIMLINE_DATA_SIZE = 8,
    DIM_READ_FAILED = 0x8000,
};

/* Pack the header data of DIM with PLOTSCALE into OUT (92 bytes). */
void dimRecord_packHeader(char* out, const DimensionRecord* dim, double plotScale);
/* Unpack header data of VERSION (2 or 3) from DATA of SIZE bytes into DIM.
** 0, or DIM_READ_FAILED when SIZE is short of the layout or the version is
** unknown (DIM unchanged). *PLOTSCALEOUT gets the stored plot scale. */
int dimRecord_unpackHeader(DimensionRecord* dim, double* plotScaleOut, int version, const char* data, int size);
/* Append the header data of DIM (with the active plot scale) to the cell
** header CELLHEADER. 0, or the failing status. */
int dimRecord_writeHeaderData(MSElement* cellHeader, const DimensionRecord* dim);
/* Append component data of KIND for point or segment INDEX of DIM to
** ELEMENT. 0, or DIM_READ_FAILED for a bad kind or index. */
int dimRecord_writeComponentData(MSElement* element, int kind, int index, const DimensionRecord* dim);
/* Read ELEMENT's component data into DIM; *CURRENT becomes its index and
** *KINDOUT its kind. 0 (kind left alone when the element carries no data),
** or DIM_READ_FAILED for damaged data or an unknown version (with a message). */
int dimRecord_readComponentData(const MSElement* element, DimensionRecord* dim, int32_t* current, int* kindOut);
/* Read the dimension whose cell header is at FILEPOS of MODEL (null: active)
** into DIM, the located component being at COMPONENTPOS. Answers that
** component's kind (1 to 3) with *CURRENT its index, or 0 when it is not a
** dimension or cannot be read. */
int dimRecord_readInto(DimensionRecord* dim, int32_t* current, uint32_t filePos, DgnModelRefP model,
                       uint32_t componentPos);
/* As dimRecord_readInto, into the application's activeDimension and current. */
int dimRecord_read(uint32_t filePos, DgnModelRefP model, uint32_t componentPos);
/* The file position of the complex element that holds the element at
** COMPONENTPOS (itself when it is a top-level element), or 0. */
uint32_t dimRecord_findHeader(uint32_t componentPos, DgnModelRefP model);
/* Set DIM's axisAngle from its rotation; 0, or -1 for an unknown rotation
** (axisAngle unchanged). */
int dimRecord_setAxisAngle(DimensionRecord* dim);
/* Copy TEXT into SLOT, cut to its 11 characters. */
void dimRecord_setText(SegmentText* slot, const char* text);
