#include "readers/RawReader.h"

#include <string>
#include <string_view>
#include <vector>

#include "model/Model.h"
#include "model/StatusLog.h"
#include "model/TextConv.h"
#include "readers/ReaderCommon.h"
#include "readers/TextLines.h"

namespace {

// The group of that name, made (and logged as an object) when it is new.
int32_t RawGroup(std::string_view name, ImportNameIndex& groups) {
    // Names are stored cut to 255 bytes; look them up the same way, so that
    // a long name met again continues its group.
    const std::string_view key = name.substr(0, tname::Capacity);
    const int32_t found = groups.Find(key);
    if (found >= 0) return found;
    tgroup g;
    NewGroup(g);
    g.name = key;
    ImportGroups.push_back(std::move(g));
    const int32_t index = static_cast<int32_t>(ImportGroups.size()) - 1;
    groups.Set(key, index);
    LogMessage("Object [" + std::to_string(ImportGroups.size()) + "]= " + ImportGroups.back().name.str());
    return index;
}

double Coordinate(std::string_view word) {
    double value = 0;
    int32_t code = 0;
    ValFloat(word, value, code);
    return value;
}

void ReadRawLines(tscene& scene, const TextLines& file) {
    const std::size_t count = file.Count();

    ImportNameIndex groups;
    std::string currentName = "unnamed_group";
    int32_t currentGroup = -1;  // made with the first triangle
    CommaTextSplitter splitter;
    std::string line;
    for (std::size_t i = 0; i < count; ++i) {
        line.assign(file[i]);
        TabsToBlanks(line);
        ShowProgress(0, static_cast<double>(count), static_cast<double>(i + 1));
        const std::vector<std::string_view>& words = splitter.Split(line);
        if (words.empty()) continue;
        if (words.size() >= 9) {
            const int32_t first = static_cast<int32_t>(ImportVertices.size()) + 1;
            for (int c = 0; c < 3; ++c) {
                tvertex v = DefaultVertex;
                v.p = {Coordinate(words[3 * c]), Coordinate(words[3 * c + 1]), Coordinate(words[3 * c + 2])};
                ImportVertices.push_back(v);
            }
            if (currentGroup < 0) currentGroup = RawGroup(currentName, groups);
            tface f;
            InitFace(f);
            f.vertex[0] = first + 2;
            f.vertex[1] = first + 1;
            f.vertex[2] = first;
            f.material = 0;
            f.group = currentGroup;
            ImportFaces.push_back(f);
            ++scene.polygonsRead;
            ++scene.trianglesMade;
        } else {
            currentGroup = RawGroup(line, groups);
            currentName = ImportGroups[static_cast<std::size_t>(currentGroup)].name.str();
        }
    }

    if (count == 0) LogMessage("<!>RAW file is empty or non ASCII");
    if (!ImportVertices.empty() && !ImportFaces.empty()) {
        tmaterial m;
        NewMaterial(m);
        m.name = "unnamed_material";
        ImportMaterials.push_back(std::move(m));
    }
}

}  // namespace

void ReadRAW(tscene& scene) {
    scene.polygonsRead = 0;
    ReadRawLines(scene, TextLines::FromFile(scene.modelFile));
}

void ReadRAWBytes(tscene& scene, std::string_view text) {
    scene.polygonsRead = 0;
    ReadRawLines(scene, TextLines::FromText(std::string(text)));
}
