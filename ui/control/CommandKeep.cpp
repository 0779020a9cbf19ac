#include "ui/control/CommandKeep.h"

#include <type_traits>
#include <utility>

#include "model/Services.h"

namespace {

// Swaps a record with its copy through their moves, which allocate nothing.
template <typename T>
void SwapBack(T& live, T& kept) noexcept {
    static_assert(std::is_nothrow_move_constructible_v<T> && std::is_nothrow_move_assignable_v<T>);
    using std::swap;
    swap(live, kept);
}

}  // namespace

CommandKeep::CommandKeep() = default;

bool CommandKeep::Fits() const {
    const bool sameTopology = topology_ == TopologyGeneration ||
                              (TopologyPutBack.from == topology_ && TopologyPutBack.to == TopologyGeneration);
    return sameTopology && modelCommands_ == ModelCommandsEnded;
}

void CommandKeep::Restore() {
    SwapBack(SceneMaterials, materials_);
    SwapBack(SceneGroups, groups_);
    SwapBack(Lights, lights_);
    SwapBack(LightPresets, lightPresets_);
    SwapBack(PresetLights, presetLights_);
    SwapBack(Placeholders, placeholders_);
    SwapBack(Cameras, cameras_);
    SwapBack(DeclareLibrary, declareLibrary_);
    SwapBack(BatchFiles, batchFiles_);
    SwapBack(Scene, scene_);
    std::swap(CurrentMaterialIndex, currentMaterial_);
    std::swap(HeadlightIntensity, headlightIntensity_);
    SwapBack(BackgroundMapName, backgroundMapName_);
    std::swap(BackgroundRotation, backgroundRotation_);
    std::swap(BackgroundTexture, backgroundTexture_);
    std::swap(BackgroundTextureBytes, backgroundTextureBytes_);
    SwapBack(Form1, form1_);
    SwapBack(searchForm2, searchForm2_);
    SwapBack(Form2, form2_);
    SwapBack(Form3, form3_);
    SwapBack(Form4, form4_);
    SwapBack(Form5, form5_);
    SwapBack(Form6, form6_);
    SwapBack(Form7, form7_);
    SwapBack(Form8, form8_);
    SwapBack(Form9, form9_);

    // What the command left now sits in the keep: the textures it made go
    // with it; those of the records put back were held, not deleted.
    WindowHooks& window = *Svc().window;
    const auto drop = [&](int32_t texture) {
        if (texture != 0 && !textures_.Holds(texture) && window.IsTexture(texture)) window.DeleteTexture(texture);
    };
    for (const tmaterial& m : materials_) drop(m.glTexture);
    if (backgroundTexture_ != BackgroundTexture) drop(backgroundTexture_);
}

void CommandKeep::Finish() { textures_.Release(); }
