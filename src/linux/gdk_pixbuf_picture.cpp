// Pictures through gdk-pixbuf, the desktop's image library (GTK 3 brings
// it): implements picture_decoder.h. Only the formats it reads well are
// taken (PNG, JPEG, GIF, TIFF, and WebP where its loader is installed),
// each told by its signature and handed to that format's loader alone, so
// that no other loader ever sees the bytes: not SVG's or XPM's, nor BMP's,
// which sizes a buffer from the header's own length field, gigabytes if the
// file says so, before the picture's size is known. It decodes from memory, never from a path: nothing
// is opened twice, and no special file is waited on.
//
// Relies on: a loader announcing the picture's size ("size-prepared")
// before it makes the pixel buffer, and giving up when told a size of
// 0 x 0, as gdk_pixbuf_get_file_info relies on too; and reporting each row
// it has decoded ("area-updated"), since a PNG or a bitmap cut short loads
// without an error, its last rows never written.
#include "platform/picture_decoder.h"

#include "platform/termination.h"

#include <gdk-pixbuf/gdk-pixbuf.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

// What the loader is given at a time: a PNG of a few kilobytes may hold
// megapixels of one colour.
constexpr size_t kWriteChunk = 4096;

struct Format {
    const char* loader;  // gdk-pixbuf's name of the format
    const char* signature;
    size_t length;
    size_t offset;  // where the signature stands
    // The loader gives colours already multiplied by their alpha: TIFF's
    // reads through libtiff's RGBA interface, which multiplies them.
    bool premultiplied = false;
    const char* more = nullptr;  // a second part of the signature, at moreOffset
    size_t moreOffset = 0;
};

const Format kFormats[] = {
    {"png", "\x89PNG\r\n\x1a\n", 8, 0},
    {"jpeg", "\xff\xd8\xff", 3, 0},
    {"gif", "GIF8", 4, 0},
    {"tiff", "II*\0", 4, 0, true},
    {"tiff", "MM\0*", 4, 0, true},
    {"webp", "RIFF", 4, 0, false, "WEBP", 8},
};

bool HasAt(const unsigned char* bytes, size_t size, size_t offset, const char* text, size_t length) {
    return size >= offset + length && std::memcmp(bytes + offset, text, length) == 0;
}

const Format* FormatOf(const unsigned char* bytes, size_t size) {
    if (!bytes) return nullptr;
    for (const Format& format : kFormats)
        if (HasAt(bytes, size, format.offset, format.signature, format.length) &&
            (!format.more || HasAt(bytes, size, format.moreOffset, format.more, std::strlen(format.more))))
            return &format;
    return nullptr;
}

bool SizeFits(gint width, gint height) {
    return width > 0 && height > 0 && width <= kMaxPictureSide && height <= kMaxPictureSide &&
           static_cast<uint64_t>(width) * static_cast<uint64_t>(height) <= kMaxPicturePixels;
}

// What the loader said of the picture: its size, and the rows it decoded.
struct LoadSeen {
    bool refused = false;
    gint width = 0;
    gint height = 0;
    std::vector<bool> rowDone;
    gint rowsDone = 0;

    // Whether every row of a picture of a size that fits was decoded.
    bool Complete() const { return !refused && height > 0 && rowsDone == height; }
};

// Refuses a picture too large before a pixel of it is decoded: the loader
// told 0 x 0 stops there. A second size (which no loader gives) is refused
// too.
void OnSizePrepared(GdkPixbufLoader* loader, gint width, gint height, gpointer data) {
    auto& seen = *static_cast<LoadSeen*>(data);
    if (!seen.refused && seen.height == 0 && SizeFits(width, height)) {
        seen.width = width;
        seen.height = height;
        seen.rowDone.assign(static_cast<size_t>(height), false);
        return;
    }
    seen.refused = true;
    gdk_pixbuf_loader_set_size(loader, 0, 0);
}

// Counts the rows the loader has decoded whole. A picture cut short leaves
// rows it never decoded, whose memory holds nothing of the picture: such a
// picture is refused, not shown.
void OnAreaUpdated(GdkPixbufLoader*, gint x, gint y, gint width, gint height, gpointer data) {
    auto& seen = *static_cast<LoadSeen*>(data);
    if (x != 0 || width != seen.width || y < 0 || height <= 0) return;
    for (gint row = y; row < y + height && row < seen.height; ++row) {
        if (!seen.rowDone[static_cast<size_t>(row)]) ++seen.rowsDone;
        seen.rowDone[static_cast<size_t>(row)] = true;
    }
}

// The decoded pixels into the room, opaque over black.
bool CopyTexels(const GdkPixbuf* pixbuf, bool premultiplied, const PictureRoom& room) {
    const int width = gdk_pixbuf_get_width(pixbuf);
    const int height = gdk_pixbuf_get_height(pixbuf);
    const int channels = gdk_pixbuf_get_n_channels(pixbuf);
    const bool alpha = gdk_pixbuf_get_has_alpha(pixbuf);
    const int rowstride = gdk_pixbuf_get_rowstride(pixbuf);
    if (gdk_pixbuf_get_colorspace(pixbuf) != GDK_COLORSPACE_RGB || gdk_pixbuf_get_bits_per_sample(pixbuf) != 8 ||
        channels != (alpha ? 4 : 3) || !SizeFits(width, height) || rowstride < width * channels)
        return false;
    unsigned char* out = room(width, height);
    if (!out) return false;
    const guint8* pixels = gdk_pixbuf_read_pixels(pixbuf);
    for (int y = 0; y < height; ++y) {
        // Rows may be padded; the last one need not be.
        const guint8* in = pixels + static_cast<size_t>(y) * static_cast<size_t>(rowstride);
        for (int x = 0; x < width; ++x, in += channels, out += 4) {
            const unsigned a = alpha && !premultiplied ? in[3] : 255;
            for (int c = 0; c < 3; ++c) out[c] = static_cast<unsigned char>((in[c] * a + 127) / 255);
            out[3] = 255;
        }
    }
    return true;
}

}  // namespace

bool LooksLikePicture(const unsigned char* head, size_t size) { return FormatOf(head, size) != nullptr; }

bool DecodePicture(const unsigned char* bytes, size_t size, const PictureRoom& room) {
    const Format* format = FormatOf(bytes, size);
    if (!format) return false;
    // Without a loader for the format (WebP's is a package of its own): no picture.
    GdkPixbufLoader* loader = gdk_pixbuf_loader_new_with_type(format->loader, nullptr);
    if (!loader) return false;
    LoadSeen seen;
    g_signal_connect(loader, "size-prepared", G_CALLBACK(OnSizePrepared), &seen);
    g_signal_connect(loader, "area-updated", G_CALLBACK(OnAreaUpdated), &seen);
    // A bit at a time, so that SIGTERM ends even the decoding of a large
    // picture within moments.
    bool written = true;
    for (size_t at = 0; written && at < size; at += kWriteChunk)
        written = !TerminationRequested() &&
                  gdk_pixbuf_loader_write(loader, bytes + at, std::min(kWriteChunk, size - at), nullptr);
    // Closed in every case, which also ends a load given up.
    const bool closed = gdk_pixbuf_loader_close(loader, nullptr);
    bool decoded = false;
    GdkPixbuf* pixbuf = written && closed && seen.Complete() ? gdk_pixbuf_loader_get_pixbuf(loader) : nullptr;
    if (pixbuf) {
        // A photo taken sideways shows upright.
        GdkPixbuf* upright = gdk_pixbuf_apply_embedded_orientation(pixbuf);
        if (upright) {
            decoded = CopyTexels(upright, format->premultiplied, room);
            g_object_unref(upright);
        }
    }
    g_object_unref(loader);
    return decoded;
}
