#include "ui/control/CommandKeep.h"

#include <array>
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

// The lists of the main window that show the materials, the groups and the
// maps.
using MaterialLists = std::array<std::vector<std::string>*, 5>;
MaterialLists ListsOf(tform1& form) {
    return {&form.ListBox1.items, &form.HtmlListBox1.items, &form.ComboBox3.items, &form.ComboBox18.items,
            &form.ComboBox19.items};
}

void SwapMaterialLists(const MaterialLists& a, const MaterialLists& b) noexcept {
    for (std::size_t i = 0; i < a.size(); ++i) a[i]->swap(*b[i]);
}

// The main window's record, without the lists of the materials unless
// `withMaterials`.
tform1 CopyOfForm1(bool withMaterials) {
    if (withMaterials) return Form1;
    // The lists, set aside while the rest is copied.
    std::array<std::vector<std::string>, 5> aside;
    const MaterialLists lists = {&aside[0], &aside[1], &aside[2], &aside[3], &aside[4]};
    SwapMaterialLists(ListsOf(Form1), lists);
    struct Back {
        const MaterialLists& lists;
        ~Back() { SwapMaterialLists(ListsOf(Form1), lists); }
    } back{lists};
    return Form1;
}

}  // namespace

CommandKeep::CommandKeep(CommandScope scope)
    : scope_(scope), textures_(scope == CommandScope::Everything),
      form1_(CopyOfForm1(scope == CommandScope::Everything)) {
    if (scope == CommandScope::Everything) {
        materials_ = SceneMaterials;
        groups_ = SceneGroups;
        declareLibrary_ = DeclareLibrary;
    }
}

bool CommandKeep::Fits() const {
    const bool sameTopology = topology_ == TopologyGeneration ||
                              (TopologyPutBack.from == topology_ && TopologyPutBack.to == TopologyGeneration);
    return sameTopology && modelCommands_ == ModelCommandsEnded;
}

void CommandKeep::Restore() {
    const bool materials = scope_ == CommandScope::Everything;
    if (materials) {
        SwapBack(SceneMaterials, materials_);
        SwapBack(SceneGroups, groups_);
        SwapBack(DeclareLibrary, declareLibrary_);
    }
    SwapBack(Lights, lights_);
    SwapBack(LightPresets, lightPresets_);
    SwapBack(PresetLights, presetLights_);
    SwapBack(Placeholders, placeholders_);
    SwapBack(Cameras, cameras_);
    SwapBack(BatchFiles, batchFiles_);
    SwapBack(Scene, scene_);
    std::swap(CurrentMaterialIndex, currentMaterial_);
    std::swap(HeadlightIntensity, headlightIntensity_);
    SwapBack(BackgroundMapName, backgroundMapName_);
    std::swap(BackgroundRotation, backgroundRotation_);
    std::swap(BackgroundTexture, backgroundTexture_);
    std::swap(BackgroundTextureBytes, backgroundTextureBytes_);
    SwapBack(Form1, form1_);
    if (!materials) SwapMaterialLists(ListsOf(Form1), ListsOf(form1_));  // not kept: those in place stay
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
    if (materials)
        for (const tmaterial& m : materials_) drop(m.glTexture);
    if (backgroundTexture_ != BackgroundTexture) drop(backgroundTexture_);
}

void CommandKeep::Finish() { textures_.Release(); }
