// Colours as 32-bit values 0x00BBGGRR: red in the low byte, then green and
// blue. The high byte marks the special values: a system colour is
// 0x80000000 plus its index, "none" is 0x1FFFFFFF, "default" 0x20000000, and
// the palette-relative flag 0x02000000 may be added to a direct colour (it
// changes nothing on a true-colour display and is stripped when resolved).
#pragma once

#include <array>
#include <cstdint>

namespace gfx {

using Color = uint32_t;

inline constexpr Color clNone = 0x1FFFFFFF;
inline constexpr Color clDefault = 0x20000000;
inline constexpr Color SystemColorFlag = 0x80000000;
inline constexpr Color PaletteRelativeFlag = 0x02000000;

// Direct colours the libraries name.
inline constexpr Color clBlack = 0x000000;
inline constexpr Color clMaroon = 0x000080;
inline constexpr Color clGreen = 0x008000;
inline constexpr Color clOlive = 0x008080;
inline constexpr Color clNavy = 0x800000;
inline constexpr Color clPurple = 0x800080;
inline constexpr Color clTeal = 0x808000;
inline constexpr Color clGray = 0x808080;
inline constexpr Color clSilver = 0xC0C0C0;
inline constexpr Color clRed = 0x0000FF;
inline constexpr Color clLime = 0x00FF00;
inline constexpr Color clYellow = 0x00FFFF;
inline constexpr Color clBlue = 0xFF0000;
inline constexpr Color clFuchsia = 0xFF00FF;
inline constexpr Color clAqua = 0xFFFF00;
inline constexpr Color clWhite = 0xFFFFFF;

// The indices of the system colours, 0 to 24.
enum class SystemColor : uint8_t {
    ScrollBar = 0,
    Background,
    ActiveCaption,
    InactiveCaption,
    Menu,
    Window,
    WindowFrame,
    MenuText,
    WindowText,
    CaptionText,
    ActiveBorder,
    InactiveBorder,
    AppWorkSpace,
    Highlight,
    HighlightText,
    BtnFace,
    BtnShadow,
    GrayText,
    BtnText,
    InactiveCaptionText,
    BtnHighlight,
    DkShadow3D,
    Light3D,
    InfoText,
    InfoBk,
};
inline constexpr int SystemColorCount = 25;

// The colour value of a system colour.
constexpr Color systemColor(SystemColor index) { return SystemColorFlag + static_cast<Color>(index); }

inline constexpr Color clWindow = systemColor(SystemColor::Window);
inline constexpr Color clWindowText = systemColor(SystemColor::WindowText);
inline constexpr Color clHighlight = systemColor(SystemColor::Highlight);
inline constexpr Color clHighlightText = systemColor(SystemColor::HighlightText);
inline constexpr Color clBtnFace = systemColor(SystemColor::BtnFace);
inline constexpr Color clBtnShadow = systemColor(SystemColor::BtnShadow);
inline constexpr Color clBtnHighlight = systemColor(SystemColor::BtnHighlight);
inline constexpr Color clGrayText = systemColor(SystemColor::GrayText);

// A direct colour from its three channels.
constexpr Color rgb(uint8_t r, uint8_t g, uint8_t b) {
    return static_cast<Color>(r) | (static_cast<Color>(g) << 8) | (static_cast<Color>(b) << 16);
}
constexpr uint8_t redOf(Color c) { return static_cast<uint8_t>(c); }
constexpr uint8_t greenOf(Color c) { return static_cast<uint8_t>(c >> 8); }
constexpr uint8_t blueOf(Color c) { return static_cast<uint8_t>(c >> 16); }

constexpr bool isNone(Color c) { return c == clNone; }
constexpr bool isSystemColor(Color c) { return (c & 0xFF000000) == SystemColorFlag; }

// What each system colour stands for on this display, as direct colours.
using SystemColorTable = std::array<Color, SystemColorCount>;

// Fixed values for every system colour (a light grey desktop theme); the Qt
// side builds a table from the application palette instead.
const SystemColorTable& defaultSystemColors();

// The direct colour that `c` stands for: the palette-relative flag is
// stripped, a system colour is looked up in `table` (an index beyond the
// table gives black). "none" and "default" stay as they are, for the caller
// to decide.
Color resolveColor(Color c, const SystemColorTable& table = defaultSystemColors());

}  // namespace gfx
