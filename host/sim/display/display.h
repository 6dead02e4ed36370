/* The host's display area: the eight views over one display list, the
** dynamics layer, drawings into dialog items, hatching and the SVG render.
** Builds on the design area and below. */
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "host/mdlelement.h"

/* What the views of the simulated host show, for tests and hostsim: one
** persistent display list shared by the eight views (what was drawn and not
** erased, with highlight marks), the transient dynamics layer, each view's
** window area, the drawings made into dialog items, and the text metrics
** and stroking that rendering shares with the platform calls. */

namespace sim::view {

/* One element on show. RECORD holds the element bytes (world coordinates),
** valid until the layer next changes. */
struct Shown {
    const uint8_t* record;
    bool highlighted;
};

struct Window {
    Dpoint3d origin;    /* lower-left corner of the window area (UORs) */
    Dpoint3d delta;     /* its size (UORs) */
    RotMatrix rotation; /* world to view */
    bool active = true;
};

/* The persistent layer in display order (erased entries are gone). */
std::vector<const Shown*> persistent();
/* The transient (dynamics) layer: element records in display order. */
std::vector<const uint8_t*> transient();
/* The persistent and transient elements whose range meets VIEW's window area. */
std::vector<const Shown*> persistentIn(int view);
std::vector<const uint8_t*> transientIn(int view);
/* Forget the dynamics layer (a later event's first dynamics display does it too). */
void clearTransient();
/* Refill the persistent layer from the active model. */
void updateFromModel();

const Window& window(int view);
/* Set VIEW's window area from two opposite corners in master units. */
bool setWindowMaster(int view, double x1, double y1, double x2, double y2, std::string& error);

/* A descriptor drawn into a dialog item. */
struct ItemDrawing {
    const void* window;                  /* the DialogBox */
    int itemId;                          /* from the item resolver; 0 when unknown */
    int32_t rect[4];                     /* left, top, right, bottom */
    uint32_t overrides[3];
    RotMatrix rotation;
    Dpoint3d origin, extent;
    int extra;
    std::vector<std::vector<uint8_t>> elements;   /* in drawing order */
};
/* The dialog manager tells which item of WINDOW a rectangle belongs to. */
using ItemResolver = std::function<int(const void* window, const int32_t rect[4])>;
void setItemResolver(ItemResolver resolver);
/* The last drawing into each (window, item), oldest first. */
const std::vector<ItemDrawing>& itemDrawings();
const ItemDrawing* itemDrawing(int itemId);

/* TEXT for an SVG (XML) text or attribute: markup characters escaped,
** control characters left out. */
std::string xmlText(const std::string& text);
/* Write an SVG picture of VIEW to PATH (a host path). */
bool renderSvg(int view, const std::string& path, std::string& error);
/* Write a PNG picture of VIEW (1000 x 750 pixels, the SVG picture rasterised). */
bool renderPng(int view, const std::string& path, std::string& error);
/* Write the picture PATH's extension asks for (.svg or .png, any case);
** another extension is refused with ERROR set and nothing written. */
bool renderPicture(int view, const std::string& path, std::string& error);
/* Rasterise the SVG text SVG at WIDTH x HEIGHT pixels into the PNG file LOCAL
** (a local path). False with ERROR set when it cannot be read or written. */
bool rasterize(const std::string& svg, int width, int height, const std::string& local, std::string& error);
/* ARGB (WIDTH x HEIGHT, rows top down; alpha 0 or 255) as a PNG data URI
** for an SVG image; "" when it cannot be made. */
std::string pngDataUri(const std::vector<uint32_t>& argb, int width, int height);
/* The SVG text of VIEW. */
std::string svgOf(int view);
/* The SVG text of a sheet of WIDTH x HEIGHT points, white, showing the
** active model's elements with the centre of the box LOW..HIGH (world
** coordinates) on the sheet's centre, POINTSPERUOR points per UOR. Light
** colours print black; weights are half a point per step. */
std::string svgOfArea(const Dpoint3d& low, const Dpoint3d& high, double width, double height, double pointsPerUor);
/* Write SVG (a sheet of WIDTH x HEIGHT points) as a PDF file LOCAL (a local
** path) of PAGES equal pages. False with ERROR set when it cannot. */
bool writePdf(const std::string& svg, double width, double height, int pages, const std::string& local,
              std::string& error);
/* The SVG text of the dialog item with ITEMID and RECT (left, top, right,
** bottom pixels) of WINDOW: the dialog-area DRAWINGS of the window inside it
** and the last descriptor drawn into it. */
std::string itemSvg(const void* window, int itemId, const int32_t rect[4], const std::vector<std::string>& drawings);
/* Write that picture, the item's size, to PATH: a .png or .svg path. */
bool renderItemPicture(const void* window, int itemId, const int32_t rect[4], const std::vector<std::string>& drawings,
                   const std::string& path, std::string& error);
/* Write a picture of the whole WINDOW, RECT its extent, to PATH (.png or
** .svg): CONTROLS (an SVG fragment in window pixels: the dialog manager's
** drawing of its items) under the window's DRAWINGS and the descriptors
** drawn into any of its items. */
bool renderWindowPicture(const void* window, const int32_t rect[4], const std::string& controls,
                         const std::vector<std::string>& drawings, const std::string& path, std::string& error);

/* Back to eight top views over the default area, empty layers (tests). */
void resetForTests();

}  // namespace sim::view

