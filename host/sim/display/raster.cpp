/* PNG pictures and PDF sheets: SVG drawn by librsvg onto a cairo image or
** PDF surface, in the process (no outside program). No state. */
#include <cairo.h>
#include <cairo-pdf.h>
#include <librsvg/rsvg.h>

#include <string>
#include <vector>

#include "host/sim/display/display.h"

namespace sim::view {

std::string pngDataUri(const std::vector<uint32_t>& argb, int width, int height) {
    if (width <= 0 || height <= 0 || argb.size() != static_cast<size_t>(width) * static_cast<size_t>(height)) return {};
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        return {};
    }
    cairo_surface_flush(surface);
    unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(data + static_cast<size_t>(y) * static_cast<size_t>(stride));
        /* Pixels are either opaque or fully transparent: premultiplying is dropping them. */
        for (int x = 0; x < width; ++x) {
            uint32_t p = argb[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
            row[x] = (p >> 24) ? p : 0;
        }
    }
    cairo_surface_mark_dirty(surface);
    std::string png;
    cairo_surface_write_to_png_stream(surface, [](void* closure, const unsigned char* bytes, unsigned int length) {
        static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(bytes), length);
        return CAIRO_STATUS_SUCCESS;
    }, &png);
    cairo_surface_destroy(surface);
    static const char digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string uri = "data:image/png;base64,";
    for (size_t i = 0; i < png.size(); i += 3) {
        uint32_t n = static_cast<uint32_t>(static_cast<unsigned char>(png[i])) << 16;
        if (i + 1 < png.size()) n |= static_cast<uint32_t>(static_cast<unsigned char>(png[i + 1])) << 8;
        if (i + 2 < png.size()) n |= static_cast<unsigned char>(png[i + 2]);
        uri += digits[n >> 18 & 63];
        uri += digits[n >> 12 & 63];
        uri += i + 1 < png.size() ? digits[n >> 6 & 63] : '=';
        uri += i + 2 < png.size() ? digits[n & 63] : '=';
    }
    return uri;
}

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
