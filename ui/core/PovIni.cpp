#include "ui/core/PovIni.h"

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <unordered_map>
#include <vector>

#include "model/MapPaths.h"
#include "model/Model.h"
#include "model/StatusLog.h"
#include "model/TextConv.h"
#include "options/Options.h"
#include "platform/FolderListing.h"
#include "writers/Export.h"
#include "writers/FileText.h"
#include "writers/PovSceneWriter.h"
#include "writers/TextWriter.h"

namespace {

constexpr std::string_view Marker = ";";

void WriteRenderSettings(CheckedTextWriter& w, const std::string& sceneName, const std::string& wantedImage,
                         const std::string& imageName) {
    w.Line(";Input POV-Ray file");
    w.Line("Input_File_Name=" + IniQuoted(sceneName));
    // The pictures of the frames of a batch: the name with each frame's number.
    if (PovBatchMode()) w.Line(";Rendered images will be saved in the same directory as this file");
    w.Line(";Output rendered image file");
    w.Line("Output_File_Name=" + IniQuoted(imageName));
    if (const ReservedName why = ReservedOutputName(OutputPath(wantedImage)); why != ReservedName::None)
        LogMessage("<!>" + wantedImage + " rendered as " + imageName + ": " + std::string(ReservedNameReason(why)) +
                   wantedImage);
    w.Line(";Resolution");
    w.Line("+W" + std::to_string(RenderImageWidth()));
    w.Line("+H" + std::to_string(RenderImageHeight()));
    w.Line(";Output format: " + Form1.ComboBox5.SelectedText());
    if (const std::string_view format = PovOutputFormatSwitch(Form1.ComboBox5.index); !format.empty())
        w.Line(format);
    if (Form1.CheckBox16.checked && Form1.ComboBox14.index == 0) {
        w.Line(";Mosaic preview");
        w.Line("+SP8");
        w.Line("+EP8");
    }
    w.Line(";Antialiasing");
    switch (Form1.ComboBox6.index) {
        case 0: w.Line("-A"); break;
        case 1:
            w.Line("+AM1");
            w.Line("+A0.3");
            break;
        case 2:
            w.Line("+AM2");
            w.Line("+A0.3");
            break;
        case 3:
            w.Line("+AM2");
            w.Line("+A0.1");
            break;
        default: break;
    }
    w.Line(";Quality");
    static constexpr std::array<std::string_view, 7> quality = {"+Q0", "+Q2", "+Q4", "+Q5", "+Q6", "+Q8", "+Q9"};
    if (const int32_t q = Form1.ComboBox24.index; q >= 0 && q < static_cast<int32_t>(quality.size()))
        w.Line(quality[static_cast<std::size_t>(q)]);
    w.Line(";Alpha transparency option");
    w.Line(Form1.CheckBox50.checked ? "+UA" : "-UA");
    w.Line(";Continuation option");
    w.Line(Form1.CheckBox60.checked ? "+C" : "-C");
    if (Form1.RadioButton4.checked) {
        // The clock and the first frame as typed; the last frame follows the
        // first by the number of models in the batch.
        const int64_t initialFrame = InitialFrame().value_or(0);
        const int64_t files = BatchFiles.empty() ? 1 : static_cast<int64_t>(BatchFiles.size());
        w.Line(";Animation parameters");
        w.Line("Initial_Clock=" + OneLineText(Form1.Edit117.text));
        w.Line("Final_Clock=" + OneLineText(Form1.Edit118.text));
        w.Line("Initial_Frame=" + OneLineText(Form1.Edit120.text));
        w.Line("Final_Frame=" + std::to_string(initialFrame + files - 1));
    }
}

}  // namespace

std::string_view OutputImageExtension(int32_t format) {
    switch (format) {
        case 1: return ".png";
        case 2: return ".ppm";
        case 3: return ".bmp";
        default: return ".tga";  // 0 and 4, the two TGA kinds
    }
}

std::string OutputPath(std::string_view name) {
    std::string folder = NormalizePathSeparators(Trim(Form2.Edit1.text));
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    if (folder.empty()) return std::string(name);
    if (folder != "/") folder += '/';
    return folder + std::string(name);
}

std::optional<int64_t> InitialFrame() { return PovRayIniInteger(OneLineText(Form1.Edit120.text)); }

std::string InitialFrameHazard(std::size_t models) {
    const std::string text = OneLineText(Form1.Edit120.text);
    // The last frame follows the first by the number of models.
    const int64_t last = INT32_MAX - static_cast<int64_t>(std::max<std::size_t>(models, 1) - 1);
    if (const std::optional<int64_t> shown = PlainFrameNumber(text))
        return *shown >= 0 && *shown <= last ? std::string()
                                             : "the Initial Frame " + Trim(text) + " lies outside 0 to " +
                                                   std::to_string(last) + "; type a whole number in that range";
    const std::optional<int64_t> read = InitialFrame();
    return "it reads the Initial Frame " + Trim(text) + " as " + (read ? std::to_string(*read) : "no number") +
           "; type a whole number from 0 to " + std::to_string(last);
}

PovRayFrames IniFrames(std::size_t models) {
    if (!Form1.RadioButton4.checked) return {};
    // As the INI file gives them: the first frame as POV-Ray reads it, the
    // last after it by the number of models.
    const std::optional<int64_t> initial = InitialFrame();
    const int64_t files = models == 0 ? 1 : static_cast<int64_t>(models);
    return PovRayFramesOf(initial, initial.value_or(0) + files - 1);
}

std::string FreeRenderImageName(std::string_view imageName, std::string_view outputDir, const PovRayFrames& frames,
                                const std::function<bool(const std::string&)>& taken) {
    constexpr int MaxRevision = 10000;
    std::string folder = NormalizePathSeparators(Trim(outputDir));
    if (!folder.empty() && folder.back() != '/') folder += '/';
    const std::string extension(OutputImageExtension(Form1.ComboBox5.index));
    // Each name tried and its picture stem, and the names a file of the
    // folder rules out: each entry is looked at once, not once per name. The
    // name as the INI file gives it counts as a picture too, whatever
    // extension POV-Ray adds to it.
    std::unordered_map<std::string, int> revisionOf, stemOf;
    for (int k = MaxRevision; k >= 0; --k) {
        const std::string name = RevisedFileName(imageName, k);
        revisionOf[name] = k;
        stemOf[PovRayPictureStem(name, extension)] = k;
    }
    std::vector<bool> ruledOut(MaxRevision + 1);
    const auto ruleOut = [&](const std::unordered_map<std::string, int>& of, std::string_view key) {
        if (const auto found = of.find(std::string(key)); found != of.end())
            ruledOut[static_cast<std::size_t>(found->second)] = true;
    };
    const auto free = [&](const std::string& name, bool picture) {
        const std::string path = folder + name;
        struct stat entry {};
        if (picture)
            return ::lstat(path.c_str(), &entry) != 0 && !IsReservedOutputName(path) && !(taken && taken(path));
        return PovRayMayWrite(path);
    };
    const bool listed = ForEachInFolder(folder.empty() ? "." : folder, [&](std::string_view entry, mode_t) {
        const std::string name(entry);
        ruleOut(revisionOf, name);
        for (const bool picture : {true, false}) {
            const std::string_view suffix = picture ? std::string_view(extension) : std::string_view(".pov-state");
            if (name.size() <= suffix.size() || name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0 ||
                (!picture && PovRayMayWrite(folder + name)))
                continue;
            const std::string_view rest = std::string_view(name).substr(0, name.size() - suffix.size());
            if (frames.plain) ruleOut(stemOf, rest);
            const std::size_t width = static_cast<std::size_t>(frames.width);
            if (!frames.numbered || rest.size() <= width) continue;
            const std::string_view number = rest.substr(rest.size() - width);
            int64_t frame = 0;
            if (std::all_of(number.begin(), number.end(), [](char c) { return c >= '0' && c <= '9'; }) &&
                ParseInt(number, frame) && frame >= frames.first && frame <= frames.last)
                ruleOut(stemOf, rest.substr(0, rest.size() - width));
        }
    });
    std::string name;
    for (int k = 0; k <= MaxRevision; ++k) {
        name = RevisedFileName(imageName, k);
        if (ruledOut[static_cast<std::size_t>(k)]) continue;
        // A folder that could not be listed is asked name by name.
        if ((listed || free(name, true)) && !IsReservedOutputName(folder + name) && !(taken && taken(folder + name)) &&
            ForEachPovRayFile(PovRayPictureStem(name, extension), extension, frames,
                              [&](const std::string& file, bool picture) {
                                  return (listed && !picture) || free(file, picture);
                              }))
            break;
    }
    return name;
}

std::string FreeRenderImageName(std::string_view imageName, std::string_view outputDir) {
    return FreeRenderImageName(imageName, outputDir, IniFrames(BatchFiles.size()));
}

void WritePovIni(tscene scene) {
    const std::string wantedImage = scene.renderImageFile;
    if (BatchFiles.size() < 2) scene.renderImageFile = FreeRenderImageName(wantedImage, Form2.Edit1.text);
    // The save commands keep every file of a run in one folder, so the INI
    // names the scene file without its folder.
    const std::string sceneName = ExtractFileName(scene.povSceneFile);

    CheckedTextWriter w(scene.iniFile);
    w.Rule(Marker);
    w.Line(";POV-Ray Initialization file (render settings)");
    w.Line(";Run this file in POV-Ray to obtain the rendered image");
    w.Line(";NOTE: Delete the command line options in the toolbar");
    w.Line(";      before pressing RUN to use the settings in this file");
    std::vector<std::string> header;
    BuildFileHeader(header, Marker);
    for (const std::string& line : header) w.Line(line);
    w.Line(Marker);
    if (!Form1.CheckBox59.checked) WriteRenderSettings(w, sceneName, wantedImage, scene.renderImageFile);
    if (!Form1.Memo1.lines.empty()) {
        w.Line(";Custom INI commands");
        for (const std::string& line : Form1.Memo1.lines) w.Line(OneLineText(line));
    }
    w.Close();
}
