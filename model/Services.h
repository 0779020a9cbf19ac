// The small interfaces through which the headless core (model, readers,
// writers) reaches the windows: the status window and status strip, message
// boxes and input boxes, the preview and the main window's list views, and
// the shell. The Qt side implements them; tests install fakes.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "model/Records.h"
#include "platform/ShellLauncher.h"

// ---- Status window pages and the status strip ---------------------------
enum class StatusPage { Messages = 0, Warnings, Geometry, Maps, SceneLights, GLInfo };
inline constexpr int StatusPageCount = 6;

class StatusSink {
public:
    virtual ~StatusSink() = default;
    // Appends one line at the end of the page.
    virtual void AppendLine(StatusPage page, std::string_view text) = 0;
    // Appends the lines in order, as one change of the page where a window
    // can take them so (hundreds of lines at start-up).
    virtual void AppendLines(StatusPage page, const std::vector<std::string>& lines) {
        for (const std::string& line : lines) AppendLine(page, line);
    }
    virtual void ClearPage(StatusPage page) = 0;
    virtual int PageLineCount(StatusPage page) const = 0;
    // Caret to the first position, no selection, scrolled into view.
    virtual void ScrollPageToTop(StatusPage page) = 0;
    virtual void SetStatusLine(std::string_view text) = 0;    // the last log line
    virtual void SetWarningsLine(std::string_view text) = 0;  // warning count line
    virtual void SetPagesEnabled(bool enabled) = 0;           // the main tab control
    virtual void SetWaitCursor(bool on) = 0;
    virtual void SetProgress(int percent) = 0;                // gauge, 0..100
    // Lets the windows repaint; never runs user input.
    virtual void ProcessPendingMessages() = 0;
};

// Keeps everything in memory; the headless default and the tests' window.
class MemoryStatus : public StatusSink {
public:
    void AppendLine(StatusPage page, std::string_view text) override;
    void ClearPage(StatusPage page) override;
    int PageLineCount(StatusPage page) const override;
    void ScrollPageToTop(StatusPage page) override;
    void SetStatusLine(std::string_view text) override { statusLine = text; }
    void SetWarningsLine(std::string_view text) override { warningsLine = text; }
    void SetPagesEnabled(bool enabled) override { pagesEnabled = enabled; }
    void SetWaitCursor(bool on) override { waitCursor = on; }
    void SetProgress(int percent) override { progress = percent; }
    void ProcessPendingMessages() override { ++pumps; }

    const std::vector<std::string>& Lines(StatusPage page) const { return pages[static_cast<int>(page)]; }

    std::vector<std::string> pages[StatusPageCount];
    std::string statusLine = "Ready";
    std::string warningsLine = "No warnings";
    bool pagesEnabled = true;
    bool waitCursor = false;
    int progress = 0;
    int pumps = 0;
    int scrolledToTop = 0;
};

// ---- Message boxes and input boxes -------------------------------------
enum class MessageKind { Information, Warning, Confirmation, Error };
enum class Answer { Ok, Cancel, Yes, No, YesToAll, NoToAll, Abort };

// An open or save dialog as a command asks for it. `filter` lists
// description and pattern pairs, each part ended by "|": "Wavefront object
// files (*.obj)|*.OBJ|3D Studio mesh files (*.3ds)|*.3DS|"; the patterns of
// one pair are separated by ";" and match file names without regard to case.
struct FileDialogRequest {
    std::string title;           // "" gives the dialog's own caption
    std::string filter;
    int32_t filterIndex = 1;     // the pair shown first, counted from 1
    std::string initialDir;      // "" starts in the folder of the model loaded last
    std::string fileName;        // the text of the file-name box
    bool multiSelect = false;    // open dialogs: several files may be chosen
    // Save dialogs: runs when the user picks another file type (counted from
    // 1) and may change the name in the file-name box.
    std::function<void(int32_t filterIndex, std::string& fileName)> onTypeChange;
};

class Prompts {
public:
    virtual ~Prompts() = default;
    // A box with the single button OK.
    virtual void Show(MessageKind kind, std::string_view text) = 0;
    // A question; `buttons` lists the answers offered, the first is the default.
    virtual Answer Ask(MessageKind kind, std::string_view text, const std::vector<Answer>& buttons) = 0;
    // An input box; false when the user cancelled. `value` holds the default
    // on entry and the answer on return.
    virtual bool Input(std::string_view caption, std::string_view prompt, std::string& value) = 0;
    // An open dialog: `files` receives the chosen files (full paths, in the
    // dialog's order); false, with no files, when the user cancelled. By
    // default nothing is chosen.
    virtual bool OpenFiles(const FileDialogRequest& /*request*/, std::vector<std::string>& files) {
        files.clear();
        return false;
    }
    // A save dialog: `fileName` receives the chosen file (a full path);
    // false, and `fileName` unchanged, when the user cancelled.
    virtual bool SaveFile(const FileDialogRequest& /*request*/, std::string& /*fileName*/) { return false; }
    // The colour dialog, opened on `color` (red in the low byte); false, and
    // `color` unchanged, when the user cancelled.
    virtual bool PickColor(int32_t& /*color*/) { return false; }
};

// Records every box; answers from a script, then with a fixed default.
class RecordingPrompts : public Prompts {
public:
    struct Shown {
        MessageKind kind;
        std::string text;
    };
    void Show(MessageKind kind, std::string_view text) override;
    Answer Ask(MessageKind kind, std::string_view text, const std::vector<Answer>& buttons) override;
    bool Input(std::string_view caption, std::string_view prompt, std::string& value) override;

    std::vector<Shown> shown;                 // every box shown or asked, in order
    std::vector<Answer> answers;              // consumed front to back
    Answer defaultAnswer = Answer::No;
    std::vector<std::string> inputAnswers;    // consumed front to back
    bool inputAccepts = false;                // when the script is empty

    // File and colour dialogs: every request is recorded; an open or save
    // dialog takes the next scripted answer (an empty list of files cancels;
    // a save dialog takes the first file), a colour dialog the next colour.
    // An empty script cancels.
    bool OpenFiles(const FileDialogRequest& request, std::vector<std::string>& files) override;
    bool SaveFile(const FileDialogRequest& request, std::string& fileName) override;
    bool PickColor(int32_t& color) override;
    std::vector<FileDialogRequest> fileDialogs;          // every open and save dialog, in order
    std::vector<std::vector<std::string>> fileAnswers;   // consumed front to back
    std::vector<int32_t> colorAnswers;                   // consumed front to back
    int colorDialogs = 0;                                // colour dialogs shown
};

// ---- The preview and the main window's views ---------------------------
// Every operation does nothing by default, so that a headless run and a test
// override only what they need.
class WindowHooks {
public:
    virtual ~WindowHooks() = default;
    // Preview textures (the preview makes its context current itself).
    virtual bool IsTexture(int32_t /*name*/) { return false; }
    virtual void DeleteTexture(int32_t /*name*/) {}
    virtual void ClearPreviewTextures() {}
    // Main window lists.
    virtual void ClearMaterialList() {}
    virtual void ClearGroupList() {}
    // Preview display lists and redraw.
    virtual void BuildPreviewLists() {}
    virtual void BuildNormalsList() {}
    virtual void Draw() {}
    // Refill the main window's material and group lists from the model.
    virtual void FillMaterialList() {}
    virtual void FillGroupList() {}
    // Load drivers: preview textures of the material maps (mode as the
    // material commands pass it), the material panel, the camera, the map
    // names spelled as on disk, the window title, a beep, the initial folder
    // of the save and picture dialogs, the material thumbnail, and the
    // commands enabled once a model was loaded (merge; save and edit, with
    // the batch options hidden).
    virtual void ReloadMaterialMaps(int32_t /*mode*/) {}
    virtual void RefreshMaterialPanel(int32_t /*index*/) {}
    virtual void ResetCamera() {}
    virtual void ApplyCameraEdits() {}
    virtual void MatchMapNameCase() {}
    virtual void SetTitle(std::string_view /*title*/) {}
    virtual void Beep() {}
    virtual void SetDialogDirs(std::string_view /*folder*/) {}
    virtual void ClearMaterialThumbnail() {}
    virtual void EnableMergeSelected() {}
    virtual void ShowSingleModelControls() {}
    // Puts the stored camera `index` of Cameras into the camera panel (and
    // applies it while the camera page is shown).
    virtual void SelectCameraPreset(int32_t /*index*/) {}
    // The camera's target to the model centre, its pan offsets to 0.
    virtual void RecenterCamera() {}
    // Keeps the preview window above the other windows, or not.
    virtual void StayOnTop(bool /*on*/) {}
    // Client size of the preview's drawing control; by default the size that
    // the preview window's option record holds.
    virtual void PreviewClientSize(int32_t& width, int32_t& height);
    // Preview window state restored from a model file's settings block.
    virtual void SetPreviewClientSize(int32_t /*width*/, int32_t /*height*/) {}
    virtual void SetClearColor(const tvector& /*rgb*/, double /*alpha*/) {}
    virtual void LoadBackgroundTexture(const std::string& /*fileName*/) {}
    // Builds the material's preview texture from its colour and
    // transparency maps and stores the texture's name in the record (0 when
    // none could be made).
    virtual void CreatePreviewTexture(tmaterial& /*material*/) {}
    // The map thumbnails ("Image2", "Image4", "Image5", "Image6") at
    // `width` x `height`: a message centred on white (0 "No map", 1
    // "Thumbnails off", 2 "Map not found", 3 "Processing ...", 4 "ERROR"),
    // or the picture of a map file given the picture's aspect ratio. The
    // picture is false, and the thumbnail unchanged, when the file cannot
    // be read; otherwise the picture's size is returned.
    virtual void ShowThumbnailMessage(std::string_view /*image*/, int32_t /*kind*/, int32_t /*width*/,
                                      int32_t /*height*/) {}
    virtual bool ShowThumbnailPicture(std::string_view /*image*/, const std::string& /*fileName*/, int32_t /*width*/,
                                      int32_t /*height*/, int32_t& /*pictureWidth*/, int32_t& /*pictureHeight*/) {
        return false;
    }
    // The UV layout of the selected materials (colouring 0 one colour, 1 a
    // random colour per material) drawn into the UV view of the Materials
    // tab, or into a bitmap of `width` x `height` saved as `fileName` (false
    // when it could not be written).
    virtual void DrawUVLayout(int32_t /*colouring*/) {}
    virtual bool SaveUVLayout(const std::string& /*fileName*/, int32_t /*width*/, int32_t /*height*/,
                              int32_t /*colouring*/) {
        return false;
    }
    // The map search for every missing map of the materials ("Map Search"
    // in its all-maps mode, then each of its folders searched); true when
    // the user confirmed the search.
    virtual bool SearchMaps() { return false; }
    // A sky map rendered by the program: the file-name part starts with
    // exactly "Preview_Sky".
    virtual bool IsPreviewSkyName(std::string_view path) {
        const std::size_t slash = path.find_last_of("/\\");
        const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
        return name.substr(0, 11) == "Preview_Sky";
    }
};

// ---- The help window's viewer --------------------------------------------
// Does nothing by default.
class HelpViewer {
public:
    virtual ~HelpViewer() = default;
    // The document shown; empty before the first load.
    virtual std::string CurrentFileName() const { return {}; }
    virtual void LoadFromFile(const std::string& /*fileName*/) {}
    // Scrolls to the named anchor (a leading "#" allowed).
    virtual void JumpToAnchor(std::string_view /*anchor*/) {}
    // Shows the help window.
    virtual void Show() {}
};

// ---- Pictures --------------------------------------------------------------
// A picture as 8-bit red, green, blue triples, the top row first, rows
// without padding: the pixel (x, y) starts at rgb[3 * (y * width + x)].
struct tpicture {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> rgb;
};

// Reads picture files for the model (the displacement picture). The default
// reads nothing.
class PictureLoader {
public:
    virtual ~PictureLoader() = default;
    // Fills `picture` and returns true when the file could be read; returns
    // false with an empty picture otherwise.
    virtual bool LoadRGB(const std::string& /*fileName*/, tpicture& picture) {
        picture = {};
        return false;
    }
};

// ---- The registry ------------------------------------------------------
struct Services {
    StatusSink* status = nullptr;
    Prompts* prompts = nullptr;
    WindowHooks* window = nullptr;
    ShellLauncher* shell = nullptr;
    HelpViewer* help = nullptr;
    PictureLoader* pictures = nullptr;
    // The scene check, run at the end of every wait.
    std::function<void()> checkScene;
    // The lines of the maps report ("Maps" page); none when not set.
    std::function<std::vector<std::string>()> mapsReport;
};

// The services in force; never null members.
Services& Svc();

// Installs services for the lifetime of the object and restores the previous
// ones after; members left null keep the services in force.
class ScopedServices {
public:
    explicit ScopedServices(const Services& replacement);
    ~ScopedServices();
    ScopedServices(const ScopedServices&) = delete;
    ScopedServices& operator=(const ScopedServices&) = delete;

private:
    Services saved_;
};
