#include "platform/gfx/Color.h"

namespace gfx {

const SystemColorTable& defaultSystemColors() {
    static const SystemColorTable table = {
        rgb(0xC8, 0xC8, 0xC8),  // scroll bar
        rgb(0x00, 0x00, 0x00),  // desktop background
        rgb(0x99, 0xB4, 0xD1),  // active caption
        rgb(0xBF, 0xCD, 0xDB),  // inactive caption
        rgb(0xF0, 0xF0, 0xF0),  // menu
        rgb(0xFF, 0xFF, 0xFF),  // window
        rgb(0x64, 0x64, 0x64),  // window frame
        rgb(0x00, 0x00, 0x00),  // menu text
        rgb(0x00, 0x00, 0x00),  // window text
        rgb(0x00, 0x00, 0x00),  // caption text
        rgb(0xB4, 0xB4, 0xB4),  // active border
        rgb(0xF4, 0xF7, 0xFC),  // inactive border
        rgb(0xAB, 0xAB, 0xAB),  // application workspace
        rgb(0x00, 0x78, 0xD7),  // highlight
        rgb(0xFF, 0xFF, 0xFF),  // highlighted text
        rgb(0xF0, 0xF0, 0xF0),  // button face
        rgb(0xA0, 0xA0, 0xA0),  // button shadow
        rgb(0x6D, 0x6D, 0x6D),  // grey text
        rgb(0x00, 0x00, 0x00),  // button text
        rgb(0x00, 0x00, 0x00),  // inactive caption text
        rgb(0xFF, 0xFF, 0xFF),  // button highlight
        rgb(0x69, 0x69, 0x69),  // 3-D dark shadow
        rgb(0xE3, 0xE3, 0xE3),  // 3-D light
        rgb(0x00, 0x00, 0x00),  // tooltip text
        rgb(0xFF, 0xFF, 0xE1),  // tooltip background
    };
    return table;
}

Color resolveColor(Color c, const SystemColorTable& table) {
    if (c == clNone || c == clDefault) return c;
    if (isSystemColor(c)) {
        const Color index = c & 0xFF;
        return index < table.size() ? table[index] : clBlack;
    }
    return c & 0x00FFFFFF;
}

}  // namespace gfx
