/* A GStreamer plugin of cameras for the tests, as the capture source meets
 * real ones but cannot here (there is no /dev/video*):
 *
 * - lumoxtestsrc: a live 160 x 120 BGR source of one colour. "busy=true"
 *   fails at start with the error V4L2 gives for a camera another process
 *   holds (GST_RESOURCE_ERROR_BUSY, "Device or resource busy"); "frames=N"
 *   ends after N frames, with the end of the stream or, with "fail=true",
 *   with the read error of a camera pulled out; "start-delay=MS" takes that
 *   long to open, as a slow camera does, holding up the change of state;
 *   "mark=FILE" creates FILE as the source is made, so that a test can
 *   tell that a run made it;
 *   "opens-file=PATH" adds a line (the pid) to PATH at each open, so that a
 *   test can count how often the source was made; with it, "colours=RRGGBB,
 *   RRGGBB,..." gives the n-th open (n: the lines PATH held before) the n-th
 *   colour of the list (the last one once the list runs out).
 * - a device provider of "Video/Source" devices that make such sources,
 *   listed in LUMOX_TEST_CAMERAS as "NAME,PATH,RRGGBB[,busy|,slow|,stuck];..."
 *   (slow: a second to open; stuck: a minute, longer than any test waits, as
 *   a camera stuck in its open) with the
 *   path as the device's "device.path" property, as V4L2's provider has it.
 *
 * Loaded through GST_PLUGIN_PATH, with a registry of its own
 * (GST_REGISTRY), by the tests that use it. */
#include <gst/base/gstpushsrc.h>
#include <fcntl.h>
#include <gst/gst.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

#define WIDTH 160
#define HEIGHT 120

typedef struct {
    GstPushSrc parent;
    gboolean busy;
    gint frames;
    gboolean fail;
    guint colour;
    guint start_delay;
    gchar* opens_file;
    gchar* colours;
    gint sent;
} LumoxTestSrc;

typedef struct {
    GstPushSrcClass parent_class;
} LumoxTestSrcClass;

G_DEFINE_TYPE(LumoxTestSrc, lumox_test_src, GST_TYPE_PUSH_SRC)

enum { PROP_0, PROP_BUSY, PROP_FRAMES, PROP_FAIL, PROP_COLOUR, PROP_START_DELAY, PROP_MARK, PROP_OPENS_FILE, PROP_COLOURS };

static GstStaticPadTemplate src_template =
    GST_STATIC_PAD_TEMPLATE("src", GST_PAD_SRC, GST_PAD_ALWAYS,
                            GST_STATIC_CAPS("video/x-raw,format=BGR,width=160,height=120,framerate=30/1,"
                                            "pixel-aspect-ratio=1/1"));

static void lumox_test_src_set_property(GObject* object, guint id, const GValue* value, GParamSpec* spec) {
    LumoxTestSrc* self = (LumoxTestSrc*)object;
    switch (id) {
        case PROP_BUSY: self->busy = g_value_get_boolean(value); break;
        case PROP_FRAMES: self->frames = g_value_get_int(value); break;
        case PROP_FAIL: self->fail = g_value_get_boolean(value); break;
        case PROP_COLOUR: self->colour = g_value_get_uint(value); break;
        case PROP_START_DELAY: self->start_delay = g_value_get_uint(value); break;
        case PROP_MARK: {
            const gchar* mark = g_value_get_string(value);
            if (mark && *mark) g_file_set_contents(mark, "made\n", -1, NULL);
            break;
        }
        case PROP_OPENS_FILE: g_free(self->opens_file); self->opens_file = g_value_dup_string(value); break;
        case PROP_COLOURS: g_free(self->colours); self->colours = g_value_dup_string(value); break;
        default: G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, spec);
    }
}

static void lumox_test_src_get_property(GObject* object, guint id, GValue* value, GParamSpec* spec) {
    LumoxTestSrc* self = (LumoxTestSrc*)object;
    switch (id) {
        case PROP_BUSY: g_value_set_boolean(value, self->busy); break;
        case PROP_FRAMES: g_value_set_int(value, self->frames); break;
        case PROP_FAIL: g_value_set_boolean(value, self->fail); break;
        case PROP_COLOUR: g_value_set_uint(value, self->colour); break;
        case PROP_START_DELAY: g_value_set_uint(value, self->start_delay); break;
        case PROP_MARK: g_value_set_string(value, NULL); break;
        case PROP_OPENS_FILE: g_value_set_string(value, self->opens_file); break;
        case PROP_COLOURS: g_value_set_string(value, self->colours); break;
        default: G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, spec);
    }
}

static void lumox_test_src_finalize(GObject* object) {
    LumoxTestSrc* self = (LumoxTestSrc*)object;
    g_free(self->opens_file);
    g_free(self->colours);
    G_OBJECT_CLASS(lumox_test_src_parent_class)->finalize(object);
}

/* Counts this open in opens_file, and takes its colour from the list. */
static void lumox_test_src_count_open(LumoxTestSrc* self) {
    gchar* before = NULL;
    gsize length = 0;
    guint opened = 0;
    if (g_file_get_contents(self->opens_file, &before, &length, NULL)) {
        for (gsize i = 0; i < length; ++i) opened += before[i] == '\n';
        g_free(before);
    }
    int file = open(self->opens_file, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
    if (file >= 0) {
        char line[32];
        int size = snprintf(line, sizeof line, "%d\n", (int)getpid());
        if (write(file, line, (size_t)size) != size) GST_WARNING_OBJECT(self, "the opens file is short");
        close(file);
    }
    if (self->colours) {
        gchar** colours = g_strsplit(self->colours, ",", -1);
        guint count = g_strv_length(colours);
        if (count) self->colour = (guint)g_ascii_strtoull(colours[opened < count ? opened : count - 1], NULL, 16);
        g_strfreev(colours);
    }
}

static gboolean lumox_test_src_start(GstBaseSrc* base) {
    LumoxTestSrc* self = (LumoxTestSrc*)base;
    self->sent = 0;
    if (self->start_delay) g_usleep((gulong)self->start_delay * 1000);
    if (self->opens_file) lumox_test_src_count_open(self);
    if (self->busy) {
        GST_ELEMENT_ERROR(self, RESOURCE, BUSY, ("Device '/dev/lumox-test' is busy"),
                          ("system error: Device or resource busy"));
        return FALSE;
    }
    return TRUE;
}

static GstFlowReturn lumox_test_src_create(GstPushSrc* src, GstBuffer** out) {
    LumoxTestSrc* self = (LumoxTestSrc*)src;
    if (self->frames >= 0 && self->sent >= self->frames) {
        if (!self->fail) return GST_FLOW_EOS;
        GST_ELEMENT_ERROR(self, RESOURCE, READ, ("Could not read from resource."),
                          ("the test camera was pulled out"));
        return GST_FLOW_ERROR;
    }
    g_usleep(G_USEC_PER_SEC / 30);  /* a camera's pace */
    GstBuffer* buffer = gst_buffer_new_allocate(NULL, WIDTH * HEIGHT * 3, NULL);
    GstMapInfo map;
    gst_buffer_map(buffer, &map, GST_MAP_WRITE);
    for (gsize i = 0; i < map.size; i += 3) {
        map.data[i] = self->colour & 0xff;
        map.data[i + 1] = (self->colour >> 8) & 0xff;
        map.data[i + 2] = (self->colour >> 16) & 0xff;
    }
    gst_buffer_unmap(buffer, &map);
    ++self->sent;
    *out = buffer;
    return GST_FLOW_OK;
}

static void lumox_test_src_class_init(LumoxTestSrcClass* klass) {
    GObjectClass* object_class = G_OBJECT_CLASS(klass);
    object_class->set_property = lumox_test_src_set_property;
    object_class->get_property = lumox_test_src_get_property;
    object_class->finalize = lumox_test_src_finalize;
    const GParamFlags flags = G_PARAM_READWRITE | G_PARAM_STATIC_STRINGS;
    g_object_class_install_property(object_class, PROP_BUSY,
                                    g_param_spec_boolean("busy", "Busy", "fail at start as a busy camera",
                                                         FALSE, flags));
    g_object_class_install_property(object_class, PROP_FRAMES,
                                    g_param_spec_int("frames", "Frames", "frames before the end (-1: none)", -1,
                                                     G_MAXINT, -1, flags));
    g_object_class_install_property(object_class, PROP_FAIL,
                                    g_param_spec_boolean("fail", "Fail", "end with a read error, not EOS", FALSE,
                                                         flags));
    g_object_class_install_property(object_class, PROP_COLOUR,
                                    g_param_spec_uint("colour", "Colour", "0xRRGGBB", 0, 0xffffff, 0x808080,
                                                      flags));
    g_object_class_install_property(object_class, PROP_START_DELAY,
                                    g_param_spec_uint("start-delay", "Start delay", "ms taken to open", 0, 60000,
                                                      0, flags));
    g_object_class_install_property(object_class, PROP_MARK,
                                    g_param_spec_string("mark", "Mark", "a file created as the source is made",
                                                        NULL, flags));
    g_object_class_install_property(object_class, PROP_OPENS_FILE,
                                    g_param_spec_string("opens-file", "Opens file", "a line here at each open",
                                                        NULL, flags));
    g_object_class_install_property(object_class, PROP_COLOURS,
                                    g_param_spec_string("colours", "Colours",
                                                        "RRGGBB,...: the colour of each open in turn", NULL,
                                                        flags));
    GstElementClass* element_class = GST_ELEMENT_CLASS(klass);
    gst_element_class_add_static_pad_template(element_class, &src_template);
    gst_element_class_set_static_metadata(element_class, "Lumox test camera", "Source/Video",
                                          "A camera of one colour that can be busy or fail", "Lumox");
    GST_BASE_SRC_CLASS(klass)->start = lumox_test_src_start;
    GST_PUSH_SRC_CLASS(klass)->create = lumox_test_src_create;
}

static void lumox_test_src_init(LumoxTestSrc* self) {
    self->frames = -1;
    self->colour = 0x808080;
    gst_base_src_set_live(GST_BASE_SRC(self), TRUE);
    gst_base_src_set_format(GST_BASE_SRC(self), GST_FORMAT_TIME);
    gst_base_src_set_do_timestamp(GST_BASE_SRC(self), TRUE);
}

/* The devices of LUMOX_TEST_CAMERAS. */
typedef struct {
    GstDevice parent;
    guint colour;
    gboolean busy;
    guint start_delay;
} LumoxTestDevice;

typedef struct {
    GstDeviceClass parent_class;
} LumoxTestDeviceClass;

G_DEFINE_TYPE(LumoxTestDevice, lumox_test_device, GST_TYPE_DEVICE)

static GstElement* lumox_test_device_create_element(GstDevice* device, const gchar* name) {
    LumoxTestDevice* self = (LumoxTestDevice*)device;
    GstElement* element = gst_element_factory_make("lumoxtestsrc", name);
    if (element)
        g_object_set(element, "colour", self->colour, "busy", self->busy, "start-delay", self->start_delay, NULL);
    return element;
}

static void lumox_test_device_class_init(LumoxTestDeviceClass* klass) {
    GST_DEVICE_CLASS(klass)->create_element = lumox_test_device_create_element;
}

static void lumox_test_device_init(LumoxTestDevice* self) { (void)self; }

typedef struct {
    GstDeviceProvider parent;
} LumoxTestProvider;

typedef struct {
    GstDeviceProviderClass parent_class;
} LumoxTestProviderClass;

G_DEFINE_TYPE(LumoxTestProvider, lumox_test_provider, GST_TYPE_DEVICE_PROVIDER)

static GList* lumox_test_provider_probe(GstDeviceProvider* provider) {
    (void)provider;
    const gchar* list = g_getenv("LUMOX_TEST_CAMERAS");
    GList* devices = NULL;
    if (!list) return NULL;
    gchar** cameras = g_strsplit(list, ";", -1);
    for (gchar** camera = cameras; *camera; ++camera) {
        gchar** fields = g_strsplit(*camera, ",", -1);
        if (g_strv_length(fields) >= 3) {
            GstCaps* caps = gst_static_pad_template_get_caps(&src_template);
            GstStructure* properties = gst_structure_new("lumox-test-camera", "device.path", G_TYPE_STRING,
                                                         fields[1], NULL);
            LumoxTestDevice* device = g_object_new(lumox_test_device_get_type(), "display-name", fields[0],
                                                   "caps", caps, "device-class", "Video/Source", "properties",
                                                   properties, NULL);
            device->colour = (guint)g_ascii_strtoull(fields[2], NULL, 16);
            device->busy = fields[3] && strcmp(fields[3], "busy") == 0;
            device->start_delay = 0;
            if (fields[3] && strcmp(fields[3], "slow") == 0) device->start_delay = 1000;
            if (fields[3] && strcmp(fields[3], "stuck") == 0) device->start_delay = 60000;
            devices = g_list_append(devices, gst_object_ref_sink(device));
            gst_caps_unref(caps);
            gst_structure_free(properties);
        }
        g_strfreev(fields);
    }
    g_strfreev(cameras);
    return devices;
}

static void lumox_test_provider_class_init(LumoxTestProviderClass* klass) {
    GstDeviceProviderClass* provider_class = GST_DEVICE_PROVIDER_CLASS(klass);
    provider_class->probe = lumox_test_provider_probe;
    gst_device_provider_class_set_static_metadata(provider_class, "Lumox test cameras", "Source/Video",
                                                  "The cameras of LUMOX_TEST_CAMERAS", "Lumox");
}

static void lumox_test_provider_init(LumoxTestProvider* self) { (void)self; }

static gboolean plugin_init(GstPlugin* plugin) {
    return gst_element_register(plugin, "lumoxtestsrc", GST_RANK_NONE, lumox_test_src_get_type()) &&
           gst_device_provider_register(plugin, "lumoxtestcameras", GST_RANK_PRIMARY,
                                        lumox_test_provider_get_type());
}

#define PACKAGE "lumox"
GST_PLUGIN_DEFINE(GST_VERSION_MAJOR, GST_VERSION_MINOR, lumoxtestcameras, "Test cameras for Lumox", plugin_init,
                  "1.0", "unknown", "lumox", "https://lumox.invalid")
