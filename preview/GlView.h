// The OpenGL control: a widget with its own compatibility-profile context
// (shared with the preview's resource context) that turns creation, resizing
// and painting into three events, `OnInit`, `OnResize` and `OnDraw`. Without
// handlers of the owner it shows its built-in defaults: culling and depth
// test on, a 45-degree perspective, and a turning cube of six colours.
#pragma once

#include <QOpenGLWidget>
#include <cstdint>
#include <functional>

class QSurfaceFormat;

// A bit count property: 16 or 32 bits.
enum TDepthBits : uint8_t { c16bits, c32bits };

// What the control asks of its pixel format.
enum TWindowOption : uint8_t {
    wfDrawToWindow,
    wfDrawToBitmap,
    wfSupportGDI,
    wfSupportOpenGL,
    wfGenericAccelerated,
    wfDoubleBuffer,
};
using TWindowOptions = uint8_t;  // a set of TWindowOption bits
inline constexpr TWindowOptions WindowOptionBit(TWindowOption o) { return static_cast<TWindowOptions>(1u << o); }

// The pixel-format flags built from the window options.
enum PixelFormatFlag : uint32_t {
    PixelDrawToWindow = 1u << 0,
    PixelDrawToBitmap = 1u << 1,
    PixelSupportGDI = 1u << 2,
    PixelSupportOpenGL = 1u << 3,
    PixelGenericAccelerated = 1u << 4,
    PixelDoubleBuffer = 1u << 5,
};

// The pixel format the control asks for.
struct tpixelformat {
    uint32_t flags = 0;
    int32_t colorBits = 0;
    int32_t depthBits = 0;      // 0 when the depth buffer is off
    int32_t stencilBits = 0;    // 0 unless the stencil buffer is on
    int32_t accumBits = 0;      // 0 unless the accumulation buffer is on
};

// The bit properties as the control stores them.
struct tglviewformat {
    int32_t colorBits = 16;
    int32_t depthBits = 16;
    bool depthBufferEnabled = true;
    int32_t stencilBits = 16;
    bool stencilBufferEnabled = false;
    int32_t accumBits = 16;
    bool accumBufferEnabled = false;
    TWindowOptions windowFlags = WindowOptionBit(wfDrawToWindow) | WindowOptionBit(wfSupportOpenGL) |
                                 WindowOptionBit(wfDoubleBuffer);
};

// The pixel format of the properties: double buffering wins over GDI
// support; stencil and accumulation bits only when their buffer is on.
tpixelformat BuildPixelFormat(const tglviewformat& properties);
// The surface format that stands for it (depth capped at 24 bits, which is
// what the window system offers; no accumulation buffer exists here).
QSurfaceFormat SurfaceFormatFor(const tpixelformat& format);

// 16 for c16bits, 32 for c32bits; and back: 32 gives c32bits, any other
// stored value c16bits.
int32_t DepthBitsValue(TDepthBits bits);
TDepthBits DepthBitsProperty(int32_t stored);

class TGlView : public QOpenGLWidget {
public:
    using Event = std::function<void(TGlView& sender)>;

    explicit TGlView(QWidget* owner = nullptr);
    ~TGlView() override;

    // ---- Properties, read before the control is first shown ---------------
    TDepthBits ColorDepth() const { return DepthBitsProperty(format_.colorBits); }
    void SetColorDepth(TDepthBits b) {
        format_.colorBits = DepthBitsValue(b);
        ApplyFormat();
    }
    TDepthBits DepthBits() const { return DepthBitsProperty(format_.depthBits); }
    void SetDepthBits(TDepthBits b) {
        format_.depthBits = DepthBitsValue(b);
        ApplyFormat();
    }
    bool DepthBufferEnabled() const { return format_.depthBufferEnabled; }
    void SetDepthBufferEnabled(bool on) {
        format_.depthBufferEnabled = on;
        ApplyFormat();
    }
    TDepthBits StencBits() const { return DepthBitsProperty(format_.stencilBits); }
    void SetStencBits(TDepthBits b) {
        format_.stencilBits = DepthBitsValue(b);
        ApplyFormat();
    }
    bool StencBufferEnabled() const { return format_.stencilBufferEnabled; }
    void SetStencBufferEnabled(bool on) {
        format_.stencilBufferEnabled = on;
        ApplyFormat();
    }
    TDepthBits AccumBits() const { return DepthBitsProperty(format_.accumBits); }
    void SetAccumBits(TDepthBits b) {
        format_.accumBits = DepthBitsValue(b);
        ApplyFormat();
    }
    bool AccumBufferEnabled() const { return format_.accumBufferEnabled; }
    void SetAccumBufferEnabled(bool on) {
        format_.accumBufferEnabled = on;
        ApplyFormat();
    }
    TWindowOptions WindowFlags() const { return format_.windowFlags; }
    void SetWindowFlags(TWindowOptions flags) {
        format_.windowFlags = flags;
        ApplyFormat();
    }
    const tglviewformat& Properties() const { return format_; }

    // The events; the built-in defaults until the owner sets its own (an
    // empty function means none).
    Event OnInit, OnResize, OnDraw;

    // Redraws the control: the draw event runs at the next paint.
    void Draw();
    // True once the context was made and activated; false after a failure.
    bool ContextActive() const { return contextActive_; }
    // The frames the built-in drawing has shown.
    int32_t FrameCounter() const { return frameCounter_; }

    // The built-in events.
    static void DefaultInit(TGlView& view);
    static void DefaultResize(TGlView& view);
    static void DefaultDraw(TGlView& view);

protected:
    bool event(QEvent* e) override;
    void initializeGL() override;
    void resizeGL(int w, int h) override;
    void paintGL() override;

private:
    void ApplyFormat();
    void ReportFailure();

    tglviewformat format_;
    bool contextActive_ = false;
    bool failureReported_ = false;
    bool formatApplied_ = false;
    int32_t frameCounter_ = 0;
};
