/* PNG pictures and PDF sheets: SVG drawn by librsvg onto a cairo image or
** PDF surface, in the process (no outside program). No state. */
#include <cairo.h>
#include <cairo-pdf.h>
#include <librsvg/rsvg.h>

#include <string>

#include "host/sim/display/display.h"

namespace sim::view {

bool rasterize(const std::string& svg, int width, int height, const std::string& local, std::string& error) {
    GError* failure = nullptr;
    RsvgHandle* handle =
        rsvg_handle_new_from_data(reinterpret_cast<const guint8*>(svg.data()), svg.size(), &failure);
    if (!handle) {
        error = std::string("cannot read the picture: ") + (failure ? failure->message : "unknown error");
        if (failure) g_error_free(failure);
        return false;
    }
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    cairo_t* cr = cairo_create(surface);
    RsvgRectangle viewport{0, 0, static_cast<double>(width), static_cast<double>(height)};
    bool ok = rsvg_handle_render_document(handle, cr, &viewport, &failure);
    if (!ok) {
        error = std::string("cannot draw the picture: ") + (failure ? failure->message : "unknown error");
        if (failure) g_error_free(failure);
    } else if (cairo_status(cr) != CAIRO_STATUS_SUCCESS ||
               cairo_surface_write_to_png(surface, local.c_str()) != CAIRO_STATUS_SUCCESS) {
        ok = false;
    }
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
    g_object_unref(handle);
    return ok;
}

bool writePdf(const std::string& svg, double width, double height, int pages, const std::string& local,
              std::string& error) {
    GError* failure = nullptr;
    RsvgHandle* handle =
        rsvg_handle_new_from_data(reinterpret_cast<const guint8*>(svg.data()), svg.size(), &failure);
    if (!handle) {
        error = std::string("cannot read the sheet: ") + (failure ? failure->message : "unknown error");
        if (failure) g_error_free(failure);
        return false;
    }
    cairo_surface_t* surface = cairo_pdf_surface_create(local.c_str(), width, height);
    cairo_t* cr = cairo_create(surface);
    RsvgRectangle viewport{0, 0, width, height};
    bool ok = true;
    for (int page = 0; ok && page < pages; ++page) {
        ok = rsvg_handle_render_document(handle, cr, &viewport, &failure);
        if (ok) cairo_show_page(cr);
    }
    if (!ok) {
        error = std::string("cannot draw the sheet: ") + (failure ? failure->message : "unknown error");
        if (failure) g_error_free(failure);
    }
    cairo_destroy(cr);
    cairo_surface_finish(surface);
    if (ok && cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        error = "cannot write " + local;
        ok = false;
    }
    cairo_surface_destroy(surface);
    g_object_unref(handle);
    return ok;
}

}  // namespace sim::view
