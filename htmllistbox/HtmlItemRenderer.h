// The renderer of HTML list box items: one short text with a small set of
// HTML-like tags, drawn or measured on a canvas inside a rectangle.
//
// Tags (letters in any case; attribute values in double quotes):
//   <A href="x">  anchor           <B> <I> <U> <S>  bold, italic, underline, strike-out
//   <BR> <HR>     line end, rule   <FONT face size color bgcolor>
//   <IMG src width height align>   "idx:N" (image list), "ssys:"/"lsys:" path (file icons),
//                                  a name (image container), "scheme://..." (picture cache)
//   <P align indent bgcolor bgcolorto> <UL> <LI> <IND x> <SUB> <SUP> <SHAD> <E>
//   <BLINK> <BODY background bgcolor bgcolorto dir> <HI> <R a> <Z> (hidden)
// Entities: &amp; &quot; &lt; &gt; &nbsp; &sect; &permil; &reg; &copy; &para;
// &trade; &euro;. The text is UTF-8. A "&" that is no entity marks the next
// character (shown underlined); "&&" shows one "&".
//
// Malformed markup never fails: an unterminated tag ends the item, unknown
// tags are skipped, unreadable numbers count as 0, unknown colour names give
// black, and missing pictures draw nothing.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "htmllistbox/ImageContainer.h"
#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Canvas.h"
#include "platform/gfx/ImageList.h"

// The icon of a file or folder for the IMG sources "SSYS:" (small) and
// "LSYS:" (large): of the path when it exists, otherwise of its name by its
// type alone. An empty bitmap draws nothing.
using ShellIconSource = std::function<gfx::Bitmap(const std::string& path, bool large)>;

// What an item is drawn with, besides the canvas (whose font and brush
// colour on entry are the item's font and background colour).
struct HtmlItemParams {
    const gfx::ImageList* images = nullptr;   // "IDX:" images; may be null
    TImageContainer* container = nullptr;     // named pictures; may be null
    THtmlImageCache* cache = nullptr;         // pictures named by a link; may be null
    ShellIconSource shellIcons;               // may be empty
    // The mouse point in the canvas's coordinates, for the anchor hit test.
    gfx::Point mouse{-1, -1};
    int lineSpacing = 0;                      // pixels added to every line
    gfx::Color shadowColor = gfx::clGray;
    int shadowOffset = 1;
    gfx::Color anchorColor = gfx::clBlue;
    // Colours of the anchor numbered `hoverLink` (from 0); none keeps them.
    gfx::Color hoverFontColor = gfx::clNone;
    gfx::Color hoverBrushColor = gfx::clNone;
    int hoverLink = -1;
    int focusLink = -1;                       // the anchor whose value is reported as focused
    bool wordWrap = true;                     // false: one line per line break, ending in "..."
    bool blinkVisible = true;                 // false: BLINK text takes the background colour
    bool selected = false;                    // colours of tags and anchors give way to the selection's
    bool measureOnly = false;                 // measure the lines, draw nothing
    bool noDraw = false;                      // lay out and hit-test, paint nothing
};

// What drawing or measuring an item found.
struct HtmlItemResult {
    bool anchorHit = false;      // the mouse point is on an anchor
    std::string anchor;          // its value
    int anchorIndex = -1;        // its number, from 0
    gfx::Rect anchorRect;        // its box on the line hit
    std::string plainText;       // the shown text without tags ("\r" at line ends)
    std::string focusAnchor;     // the value of the anchor numbered focusLink
    int width = 0;               // the widest line
    int height = 0;              // all lines; an empty item has the height of "gh"
    int anchorCount = 0;
};

// Draws (or measures) an item in `rect`. On return the canvas's font and
// brush colour are the ones it came with.
HtmlItemResult DrawHtmlItem(gfx::Canvas& canvas, std::string_view text, const gfx::Rect& rect,
                            const HtmlItemParams& params);

// The colour of a lower-case colour name ("clred", "clwindow" ...); 0
// (black) for any other name.
gfx::Color ColorFromName(std::string_view name);

// The item's text without tags, for sorting, searching and hints: "<BR>" and
// "<HR>" become a line break ("\r\n"), text inside <Z>...</Z> goes with its
// tags, every other tag is dropped. From a "<Z>" without its end, or a "<"
// without ">", the rest is kept as it stands.
std::string StripHtmlTags(std::string_view text);

// Draws the icon of a file or folder into `box` ("SSYS:"/"LSYS:" sources); a
// number (an index into a system list that does not exist here) draws
// nothing.
void DrawItemImage(gfx::Canvas& canvas, const gfx::Rect& box, const std::string& path, bool large,
                   const ShellIconSource& icons);
