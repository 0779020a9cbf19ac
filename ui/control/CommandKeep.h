// What a command of the window may change besides the geometry, kept before
// the command runs so that a command that cannot finish leaves it as it was:
// the materials and groups (their flags and the selection among them), the
// lights, light sets and their stored lights, the placeholders, cameras and
// the texture library, the scene record with its file names, the other
// records of the model, and the option records of every window (so that
// the boxes show what the records hold). The geometry is kept by the model
// commands themselves (tmodelundo) and by the loads.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "model/Model.h"
#include "options/Options.h"

// What a command may change: everything, or all but the materials, the
// groups and the texture library with the lists that show them (the
// material and group lists, the map boxes' lists): a light's, placeholder's
// or camera's edit, say, which a keystroke runs, on a model of many
// materials.
enum class CommandScope { Everything, NotTheMaterials };

class CommandKeep {
public:
    // Copies what `scope` says the command may change and holds the
    // materials' textures (ttexturehold); throws std::bad_alloc, having
    // changed nothing, when the copy does not fit in memory.
    explicit CommandKeep(CommandScope scope = CommandScope::Everything);
    CommandKeep(const CommandKeep&) = delete;
    CommandKeep& operator=(const CommandKeep&) = delete;

    // True when the records kept still fit the model: since the keep no
    // load, merge or command of the model has changed the faces or what they
    // refer to, or the command of the model that did put them back whole.
    // Such a step keeps what it changes itself, and the records that go with
    // the faces it leaves are the ones that stay.
    bool Fits() const;

    // Puts everything kept back, moved (nothing allocated); the textures the
    // command made for records that are no longer there are deleted, those
    // it deleted of the records put back were only held. What the command
    // left is freed with the keep.
    void Restore();

    // The command has finished, or what it changed stays: the textures it
    // deleted go now.
    void Finish();

private:
    CommandScope scope_;
    ttexturehold textures_;
    uint64_t topology_ = TopologyGeneration, modelCommands_ = ModelCommandsEnded;

    std::vector<tmaterial> materials_;
    std::vector<tgroup> groups_;
    std::vector<tlight> lights_ = Lights;
    std::vector<tlightpreset> lightPresets_ = LightPresets;
    std::vector<tlight> presetLights_ = PresetLights;
    std::vector<tplaceholder> placeholders_ = Placeholders;
    std::vector<tcamera> cameras_ = Cameras;
    std::vector<tdeclare> declareLibrary_;
    std::vector<std::string> batchFiles_ = BatchFiles;
    tscene scene_ = Scene;
    int32_t currentMaterial_ = CurrentMaterialIndex;
    double headlightIntensity_ = HeadlightIntensity;
    std::string backgroundMapName_ = BackgroundMapName;
    double backgroundRotation_ = BackgroundRotation;
    int32_t backgroundTexture_ = BackgroundTexture, backgroundTextureBytes_ = BackgroundTextureBytes;

    tform1 form1_;
    tsearchform2 searchForm2_ = searchForm2;
    tform2 form2_ = Form2;
    tform3 form3_ = Form3;
    tform4 form4_ = Form4;
    tform5 form5_ = Form5;
    tform6 form6_ = Form6;
    tform7 form7_ = Form7;
    tform8 form8_ = Form8;
    tform9 form9_ = Form9;
};
