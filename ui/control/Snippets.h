// The texts of the POV-Ray snippet picker: each entry of its seven lists
// builds a piece of POV-Ray text, inserted at the caret of the custom
// material memo (Form1.Memo2). "Copy from basic tab" builds the text from
// the "Basic texture properties" controls, so that a material edited with
// the simple controls becomes editable POV-Ray text. Lines end with CR LF.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "options/Options.h"

// The pages of the picker, in page order, and the list each shows.
enum SnippetPage : int32_t {
    SnippetMaterial = 0,  // Form8.ListBox6
    SnippetTexture = 1,   // Form8.ListBox1
    SnippetPigment = 2,   // Form8.ListBox2
    SnippetFinish = 3,    // Form8.ListBox3
    SnippetNormal = 4,    // Form8.ListBox4
    SnippetBlending = 5,  // Form8.ListBox5
    SnippetInterior = 6,  // Form8.ListBox7
};
inline constexpr int32_t SnippetPageCount = 7;

// The list record of a page; nullptr for another number.
tlistbox* SnippetList(int32_t page);
// Fills the seven lists from their tables (the "Material" list with its
// fixed entries and the library's names).
void FillSnippetLists();

// The parts built from the basic properties, every line ended by CR LF.
// The pigment from the colour map (or the colour) with the transparency;
// `pigmentPage` gives the pigment page's own closing lines.
std::string BuiltPigment(std::string_view u, bool pigmentPage);
// The finish from the specular colour, glossiness, reflectivity,
// transparency and the metal flag.
std::string BuiltFinish();
// The normal from the bump map; "" when its box names no existing file.
std::string BuiltNormal(std::string_view u);
// The body of a built material or texture: the parts, inside a texture map
// over the transparency map when its box names an existing file.
std::string BuiltBody(std::string_view u);

// The text of entry `item` of page `page`; `uv` puts "uv_mapping" into the
// texts that take it. Entries that ask for a colour or a picture open their
// dialog. "" when the entry inserts nothing (a dialog cancelled, a missing
// map, an index outside the list).
std::string SnippetText(int32_t page, int32_t item, bool uv);
// Builds entry `item` of page `page` and inserts it at the memo's caret.
void InsertMaterialSnippet(int32_t page, int32_t item, bool uv);

// Inserts `text` (line breaks CR LF, CR or LF) at the memo's caret without
// replacing the selection; the caret ends after the inserted text.
void InsertIntoMemo(tmemo& memo, std::string_view text);
