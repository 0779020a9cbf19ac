#include "options/Options.h"

#include <utility>
#include <variant>
#include <vector>

#include "options/ControlTable.h"

tform1 Form1;
tsearchform2 searchForm2;
tform2 Form2;
tform3 Form3;
tform4 Form4;
tform5 Form5;
tform6 Form6;
tform7 Form7;
tform8 Form8;
tform9 Form9;

namespace {

// The records start with their design-time values, before any code reads
// them.
struct InitialValues {
    InitialValues() { ResetOptionsToDefaults(); }
};

}  // namespace

void ResetOptionsToDefaults() {
    std::vector<std::pair<tcombobox*, const tcomboitems*>> sources;
    for (const ControlInfo& control : ControlTable())
        if (tcombobox* const* combo = std::get_if<tcombobox*>(&control.ref); combo && (*combo)->source)
            sources.emplace_back(*combo, (*combo)->source);
    Form1 = tform1{};
    searchForm2 = tsearchform2{};
    Form2 = tform2{};
    Form3 = tform3{};
    Form4 = tform4{};
    Form5 = tform5{};
    Form6 = tform6{};
    Form7 = tform7{};
    Form8 = tform8{};
    Form9 = tform9{};
    for (const ControlInfo& control : ControlTable()) ResetControl(control);
    for (const auto& [combo, source] : sources) combo->source = source;
}

static const InitialValues initialValues;
