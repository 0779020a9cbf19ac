// The control table: one row per named control of every window, with its
// kind, caption, design-time value and state, settings key, range, fixed
// items and the field of the option record it stands for. It is the single
// source of truth for the design-time values (ResetOptionsToDefaults), for
// the settings file and for the widgets that show the records.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>

#include "options/Options.h"

enum class ControlKind : uint8_t {
    CheckBox,
    RadioButton,
    Edit,
    ComboBox,
    UpDown,
    Memo,
    Label,
    Panel,
    PageControl,
    SpinButton,
    ListBox,
};

std::string_view ControlKindName(ControlKind kind);

// The field of the option record that a row stands for; the alternative
// follows the kind.
using ControlRef = std::variant<tcheckbox*, tradiobutton*, tedit*, tcombobox*, tupdown*, tmemo*, tlabel*, tpanel*,
                                tpagecontrol*, tspinbutton*, tlistbox*>;

struct ControlInfo {
    std::string_view form;     // "Form1", "searchForm2", ...
    std::string_view name;     // "CheckBox21"
    ControlKind kind = ControlKind::CheckBox;
    ControlRef ref;
    // The caption, or the text of the label beside the control; "" when the
    // control has neither.
    std::string_view caption;
    // Design-time value: the text of an edit, the lines of a memo ("\n"
    // between lines).
    std::string_view text;
    // Design-time value of the other kinds: checked (0/1), selected index,
    // up-down position, active page, colour (clNone: none).
    int32_t value = 0;
    bool enabled = true;
    bool visible = true;
    // Settings keys that store the control, separated by blanks; "" none.
    std::string_view keys;
    // Up-down range and step; for a page control min 0 and max the last page.
    int32_t min = 0;
    int32_t max = 0;
    int32_t increment = 1;
    // The fixed items of a combo box filled at start-up; empty for the lists
    // that code fills.
    std::span<const std::string_view> items;
    bool editable = false;     // a combo box with its own edit text
    // The edit that an up-down shows its position in (same window).
    std::string_view buddy;
    // The group of a radio button: checking one unchecks the others.
    std::string_view group;

    std::string QualifiedName() const;  // "Form1.CheckBox21"
    bool HasKey(std::string_view key) const;  // without regard to case
};

// Every row, window by window in creation order of the windows, and within a
// window page by page.
std::span<const ControlInfo> ControlTable();

const ControlInfo* FindControl(std::string_view form, std::string_view name);
// "Form1.CheckBox26"; nullptr when there is no such control.
const ControlInfo* FindControl(std::string_view qualifiedName);
// The control stored under a settings key (without regard to case).
const ControlInfo* FindControlByKey(std::string_view key);

// Puts one control back to its design-time value, items, state and range.
void ResetControl(const ControlInfo& control);

// The value of a control as text: a check box or radio button "1" or "0",
// an edit its text, a combo box or list box its selected index, an up-down
// its position, a memo its lines joined by "\n", a label or panel its colour
// as a decimal integer, a page control its active page; "" for a spin
// button.
std::string GetControlValue(const ControlInfo& control);
// Sets the value from text of the same form. A check box takes "1", "0",
// "true" or "false"; checking a radio button unchecks the rest of its group;
// an index must name an item (or be -1); an up-down position is clamped to
// its range and shown in its buddy edit; a colour is a decimal integer or
// hexadecimal after "0x" or "#". False, and nothing changed, for text that
// the kind does not accept.
bool SetControlValue(const ControlInfo& control, std::string_view value);

// The same by path: "Form1.CheckBox26" for the value, or with one of the
// properties ".enabled", ".visible" (both "1"/"0"), ".text" (edits and
// combo boxes), ".caption" (labels and panels) and ".items" (combo and list
// boxes, "\n" between items). nullopt / false for an unknown path.
std::optional<std::string> GetControlValue(std::string_view path);
bool SetControlValue(std::string_view path, std::string_view value);
// "Form1.CheckBox26=0": SetControlValue of the path before the first "=".
bool ApplyControlAssignment(std::string_view assignment);

// A hint: the text shown when the mouse rests on a control ("Form1.Button13")
// or anywhere on a window without a hint of its own ("Form8").
struct ControlHint {
    std::string_view name;
    std::string_view hint;
};
// Every hint of the windows.
std::span<const ControlHint> ControlHints();

// ---- The fixed item lists ----------------------------------------------
extern const std::array<std::string_view, 30> BackgroundChoices;   // ComboBox1
extern const std::array<std::string_view, 3> PlaceholderKinds;     // ComboBox9
extern const std::array<std::string_view, 5> UVProjections;        // ComboBox16
extern const std::array<std::string_view, 5> OutputFormats;        // ComboBox5
extern const std::array<std::string_view, 2> UVRemapColors;        // ComboBox20
extern const std::array<std::string_view, 4> AntialiasModes;       // ComboBox6
extern const std::array<std::string_view, 7> DrawModes;            // ComboBox4
extern const std::array<std::string_view, 5> MouseModes;           // ComboBox21
extern const std::array<std::string_view, 4> NormalModes;          // ComboBox23
extern const std::array<std::string_view, 7> QualityLevels;        // ComboBox24
extern const std::array<std::string_view, 4> LightKinds;           // ComboBox25
extern const std::array<std::string_view, 3> TriangulationModes;   // ComboBox26
extern const std::array<std::string_view, 13> RadiosityPresets;    // ComboBox14
extern const std::array<std::string_view, 2> Handedness;           // ComboBox12
extern const std::array<std::string_view, 2> MeshModes;            // ComboBox10
