#pragma once

#include <gst/gst.h>

#include <utility>

namespace media::detail {

/// Owning reference to a GObject-derived GStreamer object (element, pad, bus, caps are mini
/// objects and use GstCapsRef). Adopts a reference on construction, unrefs on destruction.
template <class T> class GstRef {
public:
    GstRef() = default;
    /// Takes over a reference the caller owns.
    explicit GstRef(T* adopted)
        : p_(adopted) {}
    static GstRef Ref(T* borrowed) {
        if (borrowed)
            gst_object_ref(borrowed);
        return GstRef(borrowed);
    }
    GstRef(const GstRef& o)
        : p_(o.p_) {
        if (p_)
            gst_object_ref(p_);
    }
    GstRef(GstRef&& o) noexcept
        : p_(std::exchange(o.p_, nullptr)) {}
    GstRef& operator=(GstRef o) noexcept {
        std::swap(p_, o.p_);
        return *this;
    }
    ~GstRef() {
        if (p_)
            gst_object_unref(p_);
    }
    T* get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    T* release() { return std::exchange(p_, nullptr); }

private:
    T* p_ = nullptr;
};

/// Owning reference to GstCaps.
class GstCapsRef {
public:
    GstCapsRef() = default;
    explicit GstCapsRef(GstCaps* adopted)
        : p_(adopted) {}
    GstCapsRef(const GstCapsRef& o)
        : p_(o.p_ ? gst_caps_ref(o.p_) : nullptr) {}
    GstCapsRef(GstCapsRef&& o) noexcept
        : p_(std::exchange(o.p_, nullptr)) {}
    GstCapsRef& operator=(GstCapsRef o) noexcept {
        std::swap(p_, o.p_);
        return *this;
    }
    ~GstCapsRef() {
        if (p_)
            gst_caps_unref(p_);
    }
    GstCaps* get() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }

private:
    GstCaps* p_ = nullptr;
};

/// Frees a g_malloc'ed string at scope end.
struct GCharPtr {
    gchar* p = nullptr;
    ~GCharPtr() { g_free(p); }
};

/// Creates an element from a factory name; null when the factory is missing.
inline GstElement* MakeElement(const char* factory, const char* name = nullptr) {
    GstElement* e = gst_element_factory_make(factory, name);
    if (e)
        gst_object_ref_sink(e);
    return e;
}

} // namespace media::detail
