// The option records of the windows. Every control that the program reads
// or writes by name has a field of that exact name in the record of its
// window, so that code reads `Form1.CheckBox21.checked` or
// `Form2.CheckBox28.checked && Form2.CheckBox28.enabled` with or without a
// window on screen. The Qt windows are a two-way view of these records; the
// model, the readers and the writers only ever see the records.
//
// The design-time values, captions, settings keys, ranges and fixed item
// lists live in one control table (ControlTable.h), which also resets the
// records (ResetOptionsToDefaults) and drives the settings file.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// A colour value as the windows keep it: red in the low byte, then green and
// blue. `clNone` marks a control without a colour of its own.
inline constexpr int32_t clNone = 0x1FFFFFFF;

// ---- The kinds of controls ------------------------------------------------
struct tcontrol {
    bool enabled = true;
    bool visible = true;
};

struct tcheckbox : tcontrol {
    bool checked = false;
};

// Checking a radio button unchecks the others of its group (see the control
// table); code that sets `checked` directly keeps the group consistent itself.
struct tradiobutton : tcontrol {
    bool checked = false;
};

struct tedit : tcontrol {
    std::string text;
    int32_t color = clNone;  // colour of the edit's box; clNone: the window colour
};

// The items of a combo box that lists records by their names: the number
// of records and the name of one, read from the records themselves, so that
// a name is held once however many there are. Plain functions, so that the
// option records stay below the model that owns the records.
struct tcomboitems {
    std::size_t (*count)() = nullptr;
    const std::string& (*item)(std::size_t i) = nullptr;
};

// `index` is the selected item (-1: none). `items` holds the fixed lists and
// the lists that code fills (history, light presets, placeholders, map
// names); a combo box with a `source` (the light selector, the camera
// presets) holds no items of its own and lists what the source gives. Every
// reader of the list goes through Count() and Item(). `text` is the edit
// text of the editable combo boxes (ComboBox3, ComboBox15, ComboBox18,
// ComboBox19); drop-down lists show Item(index).
struct tcombobox : tcontrol {
    int32_t index = -1;
    std::vector<std::string> items;
    std::string text;
    const tcomboitems* source = nullptr;

    std::size_t Count() const { return source ? source->count() : items.size(); }
    const std::string& Item(std::size_t i) const { return source ? source->item(i) : items[i]; }
    // The first item of that text, -1 when none.
    int32_t IndexOf(std::string_view text) const {
        for (std::size_t i = 0, n = Count(); i < n; ++i)
            if (Item(i) == text) return static_cast<int32_t>(i);
        return -1;
    }
    // The text shown: Item(index) for a valid index, else `text`.
    const std::string& SelectedText() const {
        return index >= 0 && static_cast<std::size_t>(index) < Count() ? Item(static_cast<std::size_t>(index)) : text;
    }
};

struct tupdown : tcontrol {
    int32_t position = 0;
    int32_t min = 0;
    int32_t max = 100;
    int32_t increment = 1;
};

struct tmemo : tcontrol {
    std::vector<std::string> lines;
    // The caret as a byte offset into the lines joined by "\n", and the
    // length in bytes of the selection that starts there.
    int32_t selStart = 0;
    int32_t selLength = 0;
};

// A text label; the colour swatches ("color") are labels whose `color` is the
// colour they stand for.
struct tlabel : tcontrol {
    std::string caption;
    int32_t color = clNone;
};

// A panel; the material swatches are panels whose `color` is the colour.
struct tpanel : tcontrol {
    std::string caption;
    int32_t color = clNone;
};

struct tpagecontrol : tcontrol {
    int32_t active = 0;  // index of the page shown
};

struct tspinbutton : tcontrol {};

struct tlistbox : tcontrol {
    std::vector<std::string> items;
    int32_t index = -1;  // selected item, -1: none
};

// Window bounds in screen pixels.
struct twindowbounds {
    int32_t left = 0;
    int32_t top = 0;
    int32_t width = 0;
    int32_t height = 0;
    bool operator==(const twindowbounds&) const = default;
};

// A file dialog of a window. It keeps what the user chose last, so that the
// next command finds the name in its file-name box and the files chosen.
struct tfiledialog {
    std::string initialDir;          // "" starts in the current folder
    std::string fileName;            // the text of the file-name box (the first file chosen)
    std::vector<std::string> files;  // every file chosen last, in the dialog's order
    int32_t filterIndex = 1;         // the file type chosen last, counted from 1
};

// A push button, tool button, menu item, group box, tab or plain label whose
// caption or state the program changes. Those that never change have no
// record; the page that shows them names them with their caption.
struct tbutton : tcontrol {
    std::string caption;
    bool down = false;  // a toggle tool button is pressed
};

// The group list of the Groups tab: one small HTML text per group, and the
// item and link of the user's last click on a link.
struct thtmllistbox : tcontrol {
    std::vector<std::string> items;
    int32_t index = -1;
    int32_t clickedItem = -1;
    std::string clickedAnchor;
};

// How a modal dialog was closed; None while it is open.
enum class ModalResult : int32_t { None, Ok, Cancel };

// The find dialog of the help window.
struct tfinddialog {
    bool visible = false;
    std::string text;
    bool matchCase = false;
};

// A disabled or hidden control, as the records start them.
inline constexpr tcontrol Disabled{false, true};
inline constexpr tcontrol Hidden{true, false};

// ---- The main window ----------------------------------------------------
struct tform1 {
    twindowbounds bounds{0, 0, 1024, 768};
    bool maximized = false;
    tfiledialog OpenDialog1;         // every open command; initial folder kept in the settings
    std::string HDRShopPath;         // the program the "Start HDR Shop..." command starts

    // ---- Main window: tab control and status strip
    tpagecontrol PageControl1;  // main tabs
    tpanel Panel8;              // status strip
    tlabel Label139;            // "No warnings"
    tlabel Label160;            // "Ready"
    // ---- Input tab
    tcheckbox CheckBox26;       // "Reorient 3DS and DXF models"
    tedit Edit95;               // "Crease angle (deg):"
    tcombobox ComboBox26;       // "Triangulation mode:"
    tcombobox ComboBox15;       // "Previously loaded models:"
    tcheckbox CheckBox34;       // "Mirelan is running using Wine "
    tlabel Label168;            // "Mirelan v"
    tlabel Label159;            // "3D model to POV-Ray/Moray converter"
    tlabel Label90;             // "mirelan@example.org"
    tlabel Label94;             // "https://www.example.org/mirelan"
    // ---- Preview tab: tool bar and "Options"
    tlabel Label143;            // "Background: "
    tcombobox ComboBox1;        // "Background: "
    tcheckbox CheckBox37;       // "Display axis"
    tcheckbox CheckBox35;       // "Display vertex normals"
    tcheckbox CheckBox42;       // "Draw double sided"
    tcheckbox CheckBox4;        // "Show maps"
    tcombobox ComboBox4;        // "Draw mode:"
    tcheckbox CheckBox52;       // "Grid"
    tedit Edit65;               // vertical grid line count
    tupdown UpDown5;            // vertical grid line count
    tedit Edit66;               // horizontal grid line count
    tupdown UpDown6;            // horizontal grid line count
    tlabel Label148;            // "color" (grid colour swatch)
    tedit Edit24;               // "GL map size:" (width)
    tupdown UpDown3;            // "GL map size:" (power of two of the width)
    tedit Edit25;               // "GL map size:" (height)
    tupdown UpDown4;            // "GL map size:" (power of two of the height)
    tcheckbox CheckBox47;       // "Transparency"
    tcheckbox CheckBox3;        // "Enable Preview"
    tcheckbox CheckBox70;       // "Horizon"
    tlabel Label147;            // "color" (horizon colour swatch)
    tcheckbox CheckBox72;       // "Apply mats to both sides"
    tcheckbox CheckBox8;        // "Show ground normal to y"
    tlabel Label146;            // "Height:"
    tedit Edit36;               // "Height:"
    tspinbutton SpinButton16;   // ground height step
    tlabel Label151;            // "color" (ground colour swatch)
    tcheckbox CheckBox27;       // "Reflections"
    tcheckbox CheckBox71;       // "cutoff:"
    tedit Edit26;               // "cutoff:"
    tedit Edit70;               // "Sky rotation (deg):"
    tupdown UpDown8;            // "Sky rotation (deg):"
    tcheckbox CheckBox55;       // "Show lines"
    tlabel Label170;            // "color" (line colour swatch)
    // ---- Preview tab: "Placeholders"
    tcombobox ComboBox7;        // "Choose placeholder:"
    tcombobox ComboBox9;        // "Type:"
    tedit Edit79;               // "Name:"
    tlabel Label132;            // "X size:" (size caption, follows the type)
    tedit Edit72;               // "X size:"
    tspinbutton SpinButton7;    // size x step
    tlabel Label133;            // "Y size:" (size caption, follows the type)
    tedit Edit73;               // "Y size:"
    tspinbutton SpinButton8;    // size y step
    tlabel Label134;            // "Z size:" (size caption, follows the type)
    tedit Edit75;               // "Z size:"
    tspinbutton SpinButton9;    // size z step
    tedit Edit76;               // "center x pos:"
    tspinbutton SpinButton10;   // centre x step
    tedit Edit77;               // "center y pos:"
    tspinbutton SpinButton11;   // centre y step
    tedit Edit78;               // "center z pos:"
    tspinbutton SpinButton12;   // centre z step
    tedit Edit83;               // "X-Rotation:"
    tspinbutton SpinButton13;   // rotation x step
    tedit Edit84;               // "Y-Rotation:"
    tspinbutton SpinButton14;   // rotation y step
    tedit Edit85;               // "Z-Rotation:"
    tspinbutton SpinButton15;   // rotation z step
    tcheckbox CheckBox56;       // "Lock ratio"
    tcheckbox CheckBox61;       // "Display placeholders"
    tlabel Label149;            // "color" (placeholder colour swatch)
    // ---- Preview tab: "Camera"
    tcombobox ComboBox8;        // "Camera Preset:"
    tcombobox ComboBox21;       // "Left button ->"
    tcheckbox CheckBox9;        // "No perspective"
    tedit Edit34;               // "Back"
    tspinbutton SpinButton17;   // back plane step
    tedit Edit35;               // "Front"
    tspinbutton SpinButton18;   // front plane step
    tcheckbox CheckBox25;       // "Use focal blur"
    tcheckbox CheckBox54;       // "Show focus limits"
    tcheckbox CheckBox30;       // "Stay on top"
    tedit Edit87;               // "Window size:" (width)
    tedit Edit110;              // "Window size:" (height)
    tpanel Panel4;              // hidden panel of the camera state edits
    tedit Edit14;               // "zoom [0-180]:"
    tedit Edit15;               // "Horz. Pan:"
    tedit Edit16;               // "Vert. Pan:"
    tedit Edit17;               // "Distance:"
    tedit Edit18;               // "Roll (deg) r3:"
    tedit Edit19;               // "Yaw (deg) r2:"
    tedit Edit20;               // "Pitch (deg) r1:"
    // ---- Preview tab: "Lights"
    tcheckbox CheckBox53;       // "Show light pos"
    tcheckbox CheckBox33;       // "Lighting on"
    tedit Edit49;               // "Total Intensity (%) "
    tedit Edit67;               // "Scale intensities by"
    tcombobox ComboBox2;        // "Choose Light:"
    tedit Edit81;               // "Multiplier (%)"
    tlabel Label150;            // "color" (light colour swatch)
    tcheckbox CheckBox6;        // "Shadow"
    tedit Edit80;               // "Name:"
    tedit Edit62;               // "Fade distance:"
    tcombobox ComboBox25;       // "Type:"
    tedit Edit37;               // "Elev:"
    tspinbutton SpinButton1;    // elevation step
    tedit Edit53;               // "Rot:"
    tspinbutton SpinButton2;    // rotation step
    tedit Edit27;               // "Spot Thightness (0 - 128):"
    tupdown UpDown11;           // "Spot Thightness (0 - 128):"
    tedit Edit28;               // "Spot Spread (0-90):"
    tupdown UpDown9;            // "Spot Spread (0-90):"
    tedit Edit69;               // "Position:" (x)
    tspinbutton SpinButton3;    // position x step
    tedit Edit94;               // "Position:" (y)
    tspinbutton SpinButton19;   // position y step
    tedit Edit107;              // "Position:" (z)
    tspinbutton SpinButton20;   // position z step
    tedit Edit38;               // "Point At:" (x)
    tspinbutton SpinButton4;    // target x step
    tedit Edit39;               // "Point At:" (y)
    tspinbutton SpinButton5;    // target y step
    tedit Edit40;               // "Point At:" (z)
    tspinbutton SpinButton6;    // target z step
    tedit Edit3;                // "Area light size:"
    tedit Edit30;               // "Area light density:" (read-only, shows position x position)
    tupdown UpDown1;            // "Area light density:"
    tcheckbox CheckBox14;       // "Jitter shadow"
    tcombobox ComboBox13;       // "Light Group"
    // ---- Materials tab
    tpagecontrol PageControl2;  // material sub-pages
    tlistbox ListBox1;          // material list
    tcheckbox CheckBox36;       // "Show thumbs"
    tcheckbox CheckBox40;       // "Auto update"
    tcheckbox CheckBox39;       // "Resize:"
    tedit Edit59;               // "Resize:" (width)
    tedit Edit60;               // "Resize:" (height)
    tpanel Panel1;              // "Color"
    tedit Edit97;               // "Transparency:"
    tupdown UpDown12;           // "Transparency:"
    tcombobox ComboBox3;        // colour map name
    tlabel Label6;              // colour map size label
    tedit Edit109;              // "Mix map with color:"
    tupdown UpDown14;           // "Mix map with color:"
    tpanel Panel3;              // "Ambient"
    tpanel Panel7;              // "Specular"
    tedit Edit96;               // "Glossiness:"
    tupdown UpDown10;           // "Glossiness:"
    tedit Edit108;              // "Reflectivity:"
    tupdown UpDown13;           // "Reflectivity:"
    tcheckbox CheckBox7;        // "Metallic"
    tcheckbox CheckBox81;       // "Cartoon "
    tcheckbox CheckBox82;       // "Cartoon + highlights"
    tcombobox ComboBox18;       // bump map name
    tlabel Label58;             // bump map size label
    tedit Edit10;               // "Bump size ="
    tcombobox ComboBox19;       // transparency map name
    tlabel Label68;             // transparency map size label
    tcheckbox CheckBox64;       // "Invert mapping"
    tlabel Label96;             // "Transparent"
    tlabel Label101;            // "Opaque"
    tcheckbox CheckBox10;       // "Active"
    tlabel Label95;             // "#declare mat=" (identifier of the custom material)
    tmemo Memo2;                // custom POV-Ray material text
    tedit Edit91;               // "Resolution:" (width)
    tedit Edit93;               // "Resolution:" (height)
    tcheckbox CheckBox2;        // "Work on all materials"
    tcheckbox CheckBox18;       // "Transpose UV"
    tedit Edit50;               // "Scale (U,V)=" (U)
    tedit Edit41;               // "Scale (U,V)=" (V)
    tedit Edit51;               // "Translate (U,V)=" (U)
    tedit Edit42;               // "Translate (U,V)=" (V)
    tcheckbox CheckBox43;       // "Clip to [0,1]"
    tcheckbox CheckBox5;        // "Weld UV coords."
    tcombobox ComboBox16;       // "Method:"
    tlabel Label138;            // "Axis (x,y,z):"
    tedit Edit99;               // "Axis (x,y,z):" (x)
    tedit Edit105;              // "Axis (x,y,z):" (y)
    tedit Edit106;              // "Axis (x,y,z):" (z)
    tcombobox ComboBox20;       // UV view colouring
    // ---- Groups tab
    tpagecontrol PageControl6;  // group sub-pages
    tcheckbox CheckBox62;       // "Reset camera after update"
    tedit Edit4;                // "Scale" (x)
    tedit Edit5;                // "Scale" (y)
    tedit Edit6;                // "Scale" (z)
    tedit Edit31;               // "Rot" (x, degrees)
    tedit Edit32;               // "Rot" (y, degrees)
    tedit Edit33;               // "Rot" (z, degrees)
    tedit Edit7;                // "Translate " (x)
    tedit Edit8;                // "Translate " (y)
    tedit Edit9;                // "Translate " (z)
    tradiobutton RadioButton1;  // "No axis flip"
    tradiobutton RadioButton13; // "Flip X-Y axis"
    tradiobutton RadioButton14; // "Flip X-Z axis "
    tradiobutton RadioButton15; // "Flip Y-Z axis "
    tcheckbox CheckBox23;       // "Transform lights"
    tcheckbox CheckBox57;       // "Transform placeholders"
    tedit Edit88;               // "Scale and Rotation Reference Point:" (x)
    tedit Edit89;               // "Scale and Rotation Reference Point:" (y)
    tedit Edit92;               // "Scale and Rotation Reference Point:" (z)
    tcheckbox CheckBox32;       // "Calculate normals.  Crease angle (deg) ="
    tedit Edit57;               // crease angle (degrees)
    tupdown UpDown7;            // crease angle (degrees)
    tcombobox ComboBox23;       // normal calculation
    tcheckbox CheckBox24;       // "Weld vertices. Tolerance="
    tedit Edit58;               // weld tolerance
    tcheckbox CheckBox15;       // "Split faces by crease angle"
    tradiobutton RadioButton22; // "By current crease angle"
    tradiobutton RadioButton23; // "By group"
    tradiobutton RadioButton24; // "By material"
    tcheckbox CheckBox17;       // "Flip Normals"
    tcheckbox CheckBox38;       // "Reverse vertex winding"
    tradiobutton RadioButton6;  // "Flat"
    tradiobutton RadioButton7;  // "Smooth (Loop's algorithm)"
    tcheckbox CheckBox77;       // "Smooth mesh edges"
    tcheckbox CheckBox78;       // "Keep mesh creases"
    tcheckbox CheckBox80;       // "Only work on subdivision faces (if present)"
    tcheckbox CheckBox12;       // "Smooth material boundaries"
    tcheckbox CheckBox79;       // "Smooth UV edges"
    tcheckbox CheckBox28;       // "Only work on subdivision faces (if present)"
    tedit Edit54;               // "Displacement file:"
    tlabel Label92;             // displacement map size label
    tedit Edit55;               // "Amount of displacement:" (for black)
    tedit Edit56;               // "Amount of displacement:" (for white)
    tcheckbox CheckBox44;       // "x"
    tcheckbox CheckBox45;       // "y"
    tcheckbox CheckBox46;       // "z"
    tedit Edit64;               // hidden
    tedit Edit43;               // "Tip width"
    tedit Edit74;               // "Root width"
    tedit Edit44;               // "Twist (%)"
    tupdown UpDown15;           // "Twist (%)"
    tcheckbox CheckBox13;       // "Create root material"
    // ---- Light Dome tab
    tmemo Memo3;                // probe statistics
    tedit Edit21;               // probe file name (read-only)
    tedit Edit104;              // "Max number of lights to extract"
    tedit Edit63;               // "Rotate lights (deg)"
    tupdown UpDown2;            // "Rotate lights (deg)"
    tcheckbox CheckBox76;       // "Remove all previous lights first"
    tedit Edit45;               // "Shadows for intensities greater than (%)"
    tcheckbox CheckBox49;       // "only above horizon"
    tcheckbox CheckBox29;       // "Convert all lights to white level"
    tcheckbox CheckBox58;       // "Soft shadows (slow)"
    tcheckbox CheckBox75;       // "Rescale overall light intensity to (%)"
    tedit Edit114;              // "Rescale overall light intensity to (%)"
    tcheckbox CheckBox74;       // "Shadow on strongest light only"
    tedit Edit100;              // "Search Region" (elevation from)
    tedit Edit101;              // "Search Region" (elevation to)
    tedit Edit102;              // "Search Region" (azimuth from)
    tedit Edit103;              // "Search Region" (azimuth to)
    tlabel Label171;            // "Min Color"
    tlabel Label174;            // "Max color"
    tedit Edit98;               // "Intensity/Color Range to include" (from)
    tedit Edit22;               // "Intensity/Color Range to include" (to)
    // ---- POV-Ray Output tab: "Options"
    tpagecontrol PageControl5;  // POV-Ray Output sub-pages
    tedit Edit47;               // "Width="
    tedit Edit48;               // "Height="
    tcheckbox CheckBox31;       // "Keep aspect ratio of preview"
    tcombobox ComboBox5;        // "Format"
    tedit Edit61;               // "Name"
    tcombobox ComboBox6;        // "Antialias"
    tcombobox ComboBox24;       // "Quality"
    tcheckbox CheckBox16;       // "Mosaic preview"
    tcheckbox CheckBox50;       // "Include alpha channel"
    tcheckbox CheckBox60;       // "Render can be paused"
    tedit Edit52;               // "POV-Ray executable"
    tcheckbox CheckBox48;       // "Simplify geometry to bounding boxes for each group"
    tcheckbox CheckBox51;       // "Only export geometry and materials."
    tlabel Label21;             // "Coordinate System:"
    tcombobox ComboBox12;       // "Coordinate System:"
    tcombobox ComboBox10;       // "Break the mesh by:"
    tcombobox ComboBox14;       // "Radiosity"
    tedit Edit46;               // "Line thickness (if visible)"
    tcheckbox CheckBox20;       // "Spherical camera"
    tcheckbox CheckBox41;       // "Include texture coordinates (UV)"
    tcheckbox CheckBox11;       // "Fix orientation of TIFF image maps (POV-Ray 3.5)"
    tmemo Memo1;                // "Custom initialization" (custom INI commands)
    tcheckbox CheckBox59;       // "Use these initialization commands only  - above settings will be ignored (Advanced POV-Ray users)"
    // ---- POV-Ray Output tab: "Files" and batch options
    tlabel Label44;             // "Initialization file (render settings):"
    tedit Edit68;               // "Initialization file (render settings):"
    tlabel Label102;            // "Scene file (lights and camera):"
    tedit Edit2;                // "Scene file (lights and camera):"
    tedit Edit13;               // "Geometry include file:"
    tedit Edit12;               // "Material include file:"
    tradiobutton RadioButton3;  // "Use a Batch file "
    tedit Edit90;               // batch script name
    tradiobutton RadioButton4;  // "Use a POV file"
    tedit Edit115;              // common scene file
    tedit Edit119;              // "Input file name prefix"
    tedit Edit117;              // "Clock from"
    tedit Edit118;              // "to"
    tedit Edit120;              // "Initial Frame"
    tedit Edit116;              // "Common object name"
    tedit Edit71;               // "Common input material file. Leave blank to use each file's materials"
    tcheckbox CheckBox19;       // "Export a common POV-Ray material file:"
    tedit Edit23;               // common material file
    // ---- Moray Output, OBJ Output and YafRay tabs
    tedit Edit11;               // "UDO file:"
    tedit Edit29;               // "Geometry file:"
    tlabel Label112;            // "Material file:"
    tedit Edit82;               // "Material file:"
    tradiobutton RadioButton20; // "Use the original materials in the scene and create a material file"
    tradiobutton RadioButton21; // "Disable the original materials so that Moray materials can be used instead"
    tlabel Label155;            // "Important: Check Mirelan's manual for details on getting Moray and POV-Ray working together."
    tedit Edit1;                // "Modified OBJ file:"
    tedit Edit86;               // "Assosiated Material filename:"
    tcheckbox CheckBox21;       // "Save normals"
    tcheckbox CheckBox22;       // "Save texture coordinates (UV)"
    tcheckbox CheckBox73;       // "Fix material and group names "
    tcheckbox CheckBox83;       // "Export camera as a mesh"
    tedit Edit111;              // YafRay scene file

    // ---- Window state, buttons and menu items that the program changes
    std::string caption = "Mirelan";      // the window title
    std::string PopupComponent;           // the control a popup menu was opened on
    tfiledialog SaveDialog1;              // preview and probe images
    tfiledialog SaveDialog2;              // baked maps
    tfiledialog OpenPictureDialog1;       // map pictures
    tbutton Button43{{}, "+"};            // shows and hides the status window
    tbutton Button20{Disabled, "Merge selected"};
    tbutton Merge3Dmodel1{Disabled, "Merge 3D model..."};
    tbutton ToolButton18{{}, "Save && Render"};
    tbutton ToolButton19{{}, "Save && Edit"};
    tbutton ToolButton32{{}, "Show Preview", true};
    tbutton ToolButton6{Hidden, "create menu"};
    tbutton Button23{Disabled, "paste material"};
    tbutton Button46{Disabled, "Flat"};
    tbutton Button47{Disabled, "Smooth"};
    tbutton BitBtn3{Disabled, "Drop to bottom"};
    tbutton Button18{Disabled, "Autosize"};
    tbutton GroupBox3{Hidden, "Batch Options"};
    tbutton TabSheet9{Hidden, "YafRay"};
    thtmllistbox HtmlListBox1;            // the group list
};

// ---- The map search dialog ------------------------------------------------
struct tsearchform2 {
    // ---- Map search dialog
    tlabel Label3;              // "Start search in"
    tmemo Memo1;                // search directories, one a line
    tlabel Label4;              // "File name:"
    tedit Edit1;                // "File name:"
    tlabel Label1;              // "Search results"
    tlistbox ListBox1;          // search results
    ModalResult modalResult = ModalResult::None;
};

// ---- The export options dialog -------------------------------------------
struct tform2 {
    // ---- Export options dialog
    tedit Edit1;                // "Save all files to directory" (output directory)
    tcheckbox CheckBox16;       // "Copy all maps to the same directory"
    tcheckbox CheckBox27;       // "Include file paths to image maps"
    tcheckbox CheckBox28;       // "Fix map names"
    tcheckbox CheckBox43;       // "Fix map max resolution to"
    tedit Edit45;               // largest map side in pixels
    tlabel Label2;              // "Resized maps will be JPEG"
    tlabel Label3;              // "Map aspect ratio is kept"
    tlabel Label4;              // "Only larger maps are resized"
    tcheckbox CheckBox1;        // "Overwrite files (except render)"
    ModalResult modalResult = ModalResult::None;
};

// ---- The Poser scene import dialog ---------------------------------------
struct tform3 {
    // ---- Poser scene import dialog
    tedit Edit1;                // "OBJ file with the geometry:"
    tcheckbox CheckBox3;        // "Cleanup geometry"
    tedit Edit2;                // "Poser scene file (mats, cam && lights):"
    tcheckbox CheckBox1;        // "Read camera"
    tcheckbox CheckBox2;        // "Read lights"
    tmemo Memo1;                // "Directories where textures used by Poser are stored:"
    ModalResult modalResult = ModalResult::None;
};

// ---- The status-messages window ------------------------------------------
struct tform4 {
    twindowbounds bounds{0, 0, 600, 400};
    bool maximized = false;
    bool visible = false;

    // ---- Status-messages window
    tpagecontrol PageControl1;  // status pages
};

// ---- The help window -----------------------------------------------------
struct tform5 {
    twindowbounds bounds{0, 0, 800, 600};
    bool maximized = false;
    bool visible = false;
    tfinddialog FindDialog1;
    std::string clickedLink;  // the link of the last click in the help text
    bool linkHandled = false; // the click's handler took the link over
};

// ---- The directory choice ------------------------------------------------
struct tform6 {
    std::string directory;  // the folder of its directory list, read after OK
    ModalResult modalResult = ModalResult::None;
};

// ---- The DAZ Studio scene import dialog ----------------------------------
struct tform7 {
    // ---- DAZ Studio scene import dialog
    tedit Edit1;                // "OBJ file with the geometry:"
    tcheckbox CheckBox3;        // "Cleanup geometry"
    tcheckbox CheckBox1;        // "Use a DAZ|Studio light preset:"
    tedit Edit3;                // light preset file
    tcheckbox CheckBox2;        // "Use a DAZ|Studio camera preset: (experimental)"
    tedit Edit4;                // camera preset file
    tedit Edit2;                // texture folder (hidden; label "Directory where textures used by DAZ|Studio are stored:")
    ModalResult modalResult = ModalResult::None;
    tbutton Button5{{}, "Browse..."};     // light preset file
    tbutton Button6{{}, "Browse..."};     // camera preset file
    tbutton Button4{Hidden, "Change..."};  // texture folder
    tbutton Label3{Hidden, "Directory where textures used by DAZ|Studio are stored:"};
};

// ---- The snippet picker --------------------------------------------------
struct tform8 {
    // ---- Snippet picker
    tlabel Label1;              // "Double click to insert. ESC to exit"
    tpagecontrol PageControl1;  // snippet pages
    tlistbox ListBox6;          // "Material" list
    tlistbox ListBox1;          // "Texture" list
    tlistbox ListBox2;          // "Pigment" list
    tlistbox ListBox3;          // "Finish" list
    tlistbox ListBox4;          // "Normal" list
    tlistbox ListBox5;          // "Blending Patterns" list
    tlistbox ListBox7;          // "Interior" list
    tcheckbox CheckBox1;        // "Use 3D mapping"
    ModalResult modalResult = ModalResult::None;
    tbutton Delete1{{}, "Delete"};        // deletes a library entry of the "Material" list
};

// ---- The preview window --------------------------------------------------
struct tglviewsize {
    int32_t width = 640;   // client size of the OpenGL control in pixels
    int32_t height = 480;
};

struct tform9 {
    twindowbounds bounds{0, 0, 640, 480};
    bool maximized = false;
    bool visible = true;
    tglviewsize glView1;
};

// ---- The records of the windows -------------------------------------------
extern tform1 Form1;
extern tsearchform2 searchForm2;
extern tform2 Form2;
extern tform3 Form3;
extern tform4 Form4;
extern tform5 Form5;
extern tform6 Form6;
extern tform7 Form7;
extern tform8 Form8;
extern tform9 Form9;

// The HDR Shop program as the settings file names it.
inline std::string& HDRShopPath = Form1.HDRShopPath;

// Puts every record back to its design-time values: every control from the
// control table, and the window bounds, dialog folders and paths. The item
// sources of the combo boxes stay: they tie a list to its records.
void ResetOptionsToDefaults();
