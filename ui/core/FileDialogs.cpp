#include "ui/core/FileDialogs.h"

#include "model/MapSearch.h"
#include "model/Model.h"
#include "model/Services.h"
#include "model/TextConv.h"

const std::string_view ModelFileFilter =
    "3D model files (*.obj *.3ds *.lwo *.dxf *.raw *.inc *.pov *.wrl *.x3d *.gz)|"
    "*.OBJ;*.3DS;*.LWO;*.DXF;*.RAW;*.POV;*.INC;*.WRL;*.X3D;*.GZ|"
    "Wavefront object files (*.obj)|*.OBJ|"
    "3D Studio mesh files (*.3ds)|*.3DS|"
    "LightWave object files (*.lwo)|*.LWO|"
    "AutoCAD Drawing Interchange format files (*.dxf)|*.DXF|"
    "RAW Triangle files (*.raw)|*.RAW|"
    "POV-Ray mesh include (*.pov,*.inc)|*.POV;*.INC|"
    "Virtual Reality Modeling Language (*.wrl,*.gz)|*.WRL;*.GZ|"
    "X3D files (*.x3d)|*.X3D|";

const std::string_view ModelFileExtensions = "lwo,wrl,gz,3ds,pov,inc,obj,dxf,raw,x3d";

namespace {

std::vector<std::string_view> Split(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
    return parts;
}

// The name with its extension replaced, when it has a name at all.
void ReplaceExtension(std::string& fileName, std::string_view extension) {
    if (!Trim(fileName).empty()) fileName = ChangeFileExt(fileName, extension);
}

}  // namespace

std::vector<FileFilterPair> ParseFileFilter(std::string_view filter) {
    std::vector<FileFilterPair> pairs;
    const std::vector<std::string_view> parts = Split(filter, '|');
    for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
        FileFilterPair pair;
        pair.description = Trim(parts[i]);
        for (std::string_view pattern : Split(parts[i + 1], ';'))
            if (std::string p = Trim(pattern); !p.empty()) pair.patterns.push_back(std::move(p));
        if (!pair.patterns.empty()) pairs.push_back(std::move(pair));
    }
    return pairs;
}

std::string ExtractFileDir(std::string_view fileName) {
    std::string folder = ExtractFilePath(fileName);
    while (folder.size() > 1 && (folder.back() == '/' || folder.back() == '\\')) folder.pop_back();
    return folder;
}

bool ExecuteOpenDialog(tfiledialog& dialog, std::string_view filter, std::string_view extensions, bool multiSelect,
                       std::string_view title) {
    FileDialogRequest request;
    request.title = title;
    request.filter = filter;
    request.initialDir = dialog.initialDir;
    request.fileName = dialog.fileName;
    if (!extensions.empty() && !ExtensionInList(request.fileName, extensions)) request.fileName.clear();
    request.multiSelect = multiSelect;
    std::vector<std::string> files;
    if (!Svc().prompts->OpenFiles(request, files) || files.empty()) return false;
    if (!multiSelect) files.resize(1);
    dialog.files = std::move(files);
    dialog.fileName = dialog.files.front();
    if (std::string folder = ExtractFileDir(dialog.fileName); !folder.empty()) dialog.initialDir = folder;
    return true;
}

void StoreOpenDialogFiles() { BatchFiles = Form1.OpenDialog1.files; }

void SaveDialog1TypeChange(int32_t filterIndex, std::string& fileName) {
    if (filterIndex == 1) ReplaceExtension(fileName, ".tga");
    if (filterIndex == 2) ReplaceExtension(fileName, ".jpg");
}

void SaveDialog2TypeChange(int32_t filterIndex, std::string& fileName) {
    switch (filterIndex) {
        case 1:
        case 5: ReplaceExtension(fileName, ".tga"); break;
        case 2: ReplaceExtension(fileName, ".png"); break;
        case 3: ReplaceExtension(fileName, ".ppm"); break;
        case 4: ReplaceExtension(fileName, ".bmp"); break;
        default: break;
    }
}
