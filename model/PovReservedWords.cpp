// The reserved words of POV-Ray 3.7, which no scene can declare as a name,
// the macros of its standard include files and the textures they declare.
// scripts/check-pov-reserved-words.py checks the tables against the installed
// povray and its include files: each reserved word must be reserved there (a
// word that is not could be the name of a macro), no macro or function of
// the standard include files may be among them, and the macro table lists
// every macro those files declare, the texture table every name the files
// of a custom material declare that POV-Ray reads as a texture, and the
// table of the include files the program's scenes read every file they
// name and nothing else.
#include "model/PovReservedWords.h"

#include <algorithm>
#include <iterator>
#include <span>
#include <string>

#include "model/TextConv.h"

namespace {

// Keywords and built-in functions, sorted (std::string_view's order).
constexpr std::string_view ReservedWords[] = {
    "aa_level", "aa_threshold", "abs", "absorption", "accuracy", "acos", "acosh", "adaptive", "adc_bailout", "agate",
    "agate_turb", "albedo", "all", "all_intersections", "alpha", "altitude", "always_sample", "ambient",
    "ambient_light", "angle", "aoi", "aperture", "append", "arc_angle", "area_illumination", "area_light", "array",
    "asc", "ascii", "asin", "asinh", "assumed_gamma", "atan", "atan2", "atanh", "autostop", "average", "b_spline",
    "background", "bezier_spline", "bicubic_patch", "bitwise_and", "bitwise_or", "bitwise_xor", "black_hole", "blob",
    "blue", "blur_samples", "bokeh", "bounded_by", "box", "boxed", "bozo", "break", "brick", "brick_size",
    "brightness", "brilliance", "bump_map", "bump_size", "bumps", "camera", "case", "caustics", "ceil", "cells",
    "charset", "checker", "chr", "circular", "clipped_by", "clock", "clock_on", "collect", "color", "color_map",
    "colour", "colour_map", "component", "composite", "concat", "cone", "confidence", "conic_sweep",
    "conserve_energy", "contained_by", "control0", "control1", "coords", "cos", "cosh", "count", "crackle", "crand",
    "cube", "cubic", "cubic_spline", "cubic_wave", "cutaway_textures", "cylinder", "cylindrical", "datetime",
    "debug", "declare", "default", "defined", "degrees", "density", "density_file", "density_map", "dents",
    "deprecated", "df3", "difference", "diffuse", "dimension_size", "dimensions", "direction", "disc", "dispersion",
    "dispersion_samples", "dist_exp", "distance", "div", "double_illuminate", "eccentricity", "else", "elseif",
    "emission", "end", "error", "error_bound", "evaluate", "exp", "expand_thresholds", "exponent", "exterior",
    "extinction", "face_indices", "facets", "fade_color", "fade_colour", "fade_distance", "fade_power", "falloff",
    "falloff_angle", "false", "fclose", "file_exists", "filter", "finish", "fisheye", "flatness", "flip", "floor",
    "focal_point", "fog", "fog_alt", "fog_offset", "fog_type", "fopen", "for", "form", "frequency", "fresnel",
    "function", "gamma", "gather", "gif", "global_lights", "global_settings", "gradient", "granite", "gray",
    "gray_threshold", "green", "height_field", "hexagon", "hf_gray_16", "hierarchy", "hollow", "hypercomplex", "if",
    "ifdef", "iff", "ifndef", "image_map", "image_pattern", "importance", "include", "inside", "inside_vector",
    "int", "interior", "interior_texture", "internal", "interpolate", "intersection", "intervals", "inverse", "ior",
    "irid", "irid_wavelength", "isosurface", "jitter", "jpeg", "julia", "julia_fractal", "lambda", "lathe",
    "leopard", "light_group", "light_source", "linear_spline", "linear_sweep", "ln", "load_file", "local",
    "location", "log", "look_at", "looks_like", "low_error_factor", "macro", "magnet", "major_radius", "mandel",
    "map_type", "marble", "material", "material_map", "matrix", "max", "max_extent", "max_gradient",
    "max_intersections", "max_iteration", "max_sample", "max_trace", "max_trace_level", "maximum_reuse", "media",
    "media_attenuation", "media_interaction", "merge", "mesh", "mesh2", "metallic", "method", "metric", "min",
    "min_extent", "minimum_reuse", "mm_per_unit", "mod", "mortar", "natural_spline", "nearest_count", "no",
    "no_bump_scale", "no_image", "no_radiosity", "no_reflection", "no_shadow", "noise_generator", "normal",
    "normal_indices", "normal_map", "normal_vectors", "now", "number_of_waves", "object", "octaves", "off", "offset",
    "omega", "omnimax", "on", "once", "onion", "open", "orient", "orientation", "orthographic", "ovus", "panoramic",
    "parallel", "parametric", "pass_through", "pattern", "pavement", "perspective", "pgm", "phase", "phong",
    "phong_size", "photons", "pi", "pigment", "pigment_map", "pigment_pattern", "planar", "plane", "png", "point_at",
    "poly", "poly_wave", "polygon", "polynomial", "pot", "pow", "ppm", "precision", "precompute", "premultiplied",
    "pretrace_end", "pretrace_start", "prism", "prod", "projected_through", "pwr", "quadratic_spline", "quadric",
    "quartic", "quaternion", "quick_color", "quick_colour", "quilted", "radial", "radians", "radiosity", "radius",
    "rainbow", "ramp_wave", "rand", "range", "ratio", "read", "reciprocal", "recursion_limit", "red", "reflection",
    "reflection_exponent", "refraction", "render", "repeat", "rgb", "rgbf", "rgbft", "rgbt", "right", "ripples",
    "rotate", "roughness", "samples", "save_file", "scale", "scallop_wave", "scattering", "seed", "select",
    "shadowless", "sin", "sine_wave", "sinh", "sint16be", "sint16le", "sint32be", "sint32le", "sint8", "size", "sky",
    "sky_sphere", "slice", "slope", "slope_map", "smooth", "smooth_triangle", "solid", "sor", "spacing", "specular",
    "sphere", "sphere_sweep", "spherical", "spiral1", "spiral2", "spline", "split_union", "spotlight", "spotted",
    "sqr", "sqrt", "square", "srgb", "srgbf", "srgbft", "srgbt", "statistics", "str", "strcmp", "strength", "strlen",
    "strlwr", "strupr", "sturm", "substr", "subsurface", "sum", "superellipsoid", "switch", "sys", "t", "tan",
    "tanh", "target", "text", "texture", "texture_list", "texture_map", "tga", "thickness", "threshold", "tiff",
    "tightness", "tile2", "tiles", "tiling", "tolerance", "toroidal", "torus", "trace", "transform", "translate",
    "translucency", "transmit", "triangle", "triangle_wave", "triangular", "true", "ttf", "turb_depth", "turbulence",
    "type", "u", "u_steps", "uint16be", "uint16le", "uint8", "ultra_wide_angle", "undef", "union", "up", "use_alpha",
    "use_color", "use_colour", "use_index", "utf8", "uv_indices", "uv_mapping", "uv_vectors", "v", "v_steps", "val",
    "variance", "vaxis_rotate", "vcross", "vdot", "version", "vertex_vectors", "vlength", "vnormalize", "vrotate",
    "vstr", "vturbulence", "warning", "warp", "water_level", "waves", "while", "width", "wood", "wrinkles", "write",
    "x", "y", "yes", "z",
};
static_assert(std::is_sorted(std::begin(ReservedWords), std::end(ReservedWords)));

// POV-Ray's own words are lower case; a name with a capital (Str, CRand) is
// one a scene or an include file declares.
constexpr bool AllLowerCase(std::span<const std::string_view> words) {
    for (const std::string_view w : words)
        for (const char c : w)
            if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_')) return false;
    return true;
}
static_assert(AllLowerCase(ReservedWords));

// The directive words, of which POV-Ray reads "include", "declare", "default"
// and "version" as directives even without their "#", and "save_file", by
// which photons write their map to a file of any name. Sorted.
constexpr std::string_view FileWords[] = {
    "break", "case", "debug", "declare", "default", "else", "elseif", "end", "error", "fclose", "fopen", "for", "if",
    "ifdef", "ifndef", "include", "local", "macro", "range", "read", "render", "save_file", "statistics", "switch",
    "undef", "version", "warning", "while", "write",
};
static_assert(std::is_sorted(std::begin(FileWords), std::end(FileWords)));
static_assert(AllLowerCase(FileWords));

// The macros of POV-Ray 3.7's standard include files, sorted. POV-Ray runs a
// macro wherever its name stands (without a "(" after it, the scene stops
// with an error).
constexpr std::string_view IncludeMacros[] = {
    "ARRAYS_HybridQuickSortStep", "ARRAYS_InsertionSort", "ARRAYS_Temp", "ARRAYS_Temp_WriteDF3", "ARRAYS_WriteDF3",
    "Align_Object", "Align_Trans", "Append_Array_To_Array", "Append_To_Array", "Axial_Scale_Trans",
    "Axis_Rotate_Trans", "Bevelled_Text", "BuildSpline", "BuildWriteMesh2", "CH2RGB", "CHSL2RGB", "CHSV2RGB", "CRGB2H",
    "CRGB2HSL", "CRGB2HSV", "CRGBFTStr", "CRGBStr", "Center_Object", "Center_Trans", "CheckFileName", "Circle_Text",
    "Circle_Text_Valigned", "Column_N", "Column_N_AB", "Connect_Spheres", "Coons", "Debug", "Debug_Inc_Stack",
    "Debug_Message", "Disp", "Divergence", "Egg_Shape", "Error", "Extents", "Facetted_Egg", "Facetted_Egg_Shape",
    "Facetted_Sphere", "FindPoint", "FromU", "FromV", "GetStats", "Gradient_Directional", "Gradient_Length",
    "HFCreate_", "HF_Cylinder", "HF_Sphere", "HF_Square", "HF_Torus", "Half_Hollowed_Rounded_Cylinder1",
    "Half_Hollowed_Rounded_Cylinder2", "Hex_Tiles_Ptrn", "Histogram", "I_Glass_Exp", "I_Glass_Sqr",
    "Insert_Array_In_Array", "Insert_In_Array", "Interpolate", "Ior", "Irregular_Bricks_Ptrn", "Isect", "IsectN",
    "LInterpolate", "Lathe", "MSM", "MakeBlade", "MakeGrassPatch", "MakePrairie", "Matrix_Trans", "Mean", "Paramcalc",
    "Parametric", "Parse_String", "Point_At_Trans", "Prism", "Prism1", "Prob", "Pyramid_N", "Pyramid_N_AB", "Quad",
    "RRand", "Rad_Settings", "Rand_Array_Item", "Rand_Bernoulli", "Rand_Beta", "Rand_Binomial", "Rand_Cauchy",
    "Rand_Chi_Square", "Rand_Erlang", "Rand_Exp", "Rand_F_Dist", "Rand_Gamma", "Rand_Gauss", "Rand_Geo",
    "Rand_Lognormal", "Rand_Normal", "Rand_Pareto", "Rand_Poisson", "Rand_Spline", "Rand_Student", "Rand_Triangle",
    "Rand_Weibull", "Reorient_Trans", "Reset_Camera", "Resize_Array", "Reverse_Array", "Ring_Sphere",
    "Rotate_Around_Trans", "Round_Box", "Round_Box_Merge", "Round_Box_Union", "Round_Cone", "Round_Cone2",
    "Round_Cone2_Merge", "Round_Cone2_Union", "Round_Cone3", "Round_Cone3_Merge", "Round_Cone3_Union",
    "Round_Cone_Merge", "Round_Cone_Union", "Round_Conic_Prism", "Round_Conic_Torus", "Round_Cylinder",
    "Round_Cylinder_Merge", "Round_Cylinder_Tube", "Round_Cylinder_Union", "Round_N_Tube_Polygon",
    "Round_Pyramid_N_in", "Round_Pyramid_N_out", "Rounded_Tube", "Rounded_Tube_AB", "SRand", "Screen_Object",
    "Screen_Plane", "Segment_of_CylinderRing", "Segment_of_Object", "Segment_of_Torus", "SetGradientAccuracy",
    "Set_Camera", "Set_Camera_Angle", "Set_Camera_Aspect", "Set_Camera_Aspect_Ratio", "Set_Camera_Location",
    "Set_Camera_Look_At", "Set_Camera_Sky", "Set_Camera_Zoom", "Set_Debug", "Shear_Trans", "Smooth_Quad",
    "Smooth_Triangle_Str", "SortCompare", "Sort_Array", "Sort_Compare", "Sort_Partial_Array", "Sort_Swap_Data",
    "Spheroid", "Spline_Trans", "Star_Ptrn", "Std_Dev", "Str", "SunPos", "Supercone", "Supertorus", "SweepSpline1",
    "SweepSpline2", "Text_Space", "Text_Width", "Tiles_Ptrn", "ToU", "ToV", "Triangle_Str", "TwoVarSurf",
    "Update_Camera", "VAngle", "VAngleD", "VCos_Angle", "VDist", "VDot5D", "VEq", "VEq5D", "VLength5D", "VMax", "VMin",
    "VNormalize5D", "VPerp_Adjust", "VPerp_To_Plane", "VPerp_To_Vector", "VPow", "VPow5D", "VProject_Axis",
    "VProject_Plane", "VRand", "VRand_In_Box", "VRand_In_Obj", "VRand_In_Sphere", "VRand_On_Sphere", "VRotation",
    "VRotationD", "VSqr", "VStr", "VStr2D", "VWith_Len", "VZero", "VZero5D", "Vstr", "Vstr2D", "Warning", "Wedge",
    "Wire_Box", "Wire_Box_Merge", "Wire_Box_Union", "eval_pigment", "fn_Divergence", "fn_Gradient",
    "fn_Gradient_Directional", "vCurl", "vGradient", "vinv_transform", "vtransform",
};
static_assert(std::is_sorted(std::begin(IncludeMacros), std::end(IncludeMacros)));

// The textures, pigments, normals and finishes that the include files a
// custom material reads declare (the material include's list and the files
// they include), sorted: the names POV-Ray reads in "texture{NAME}" in a
// scene that includes them.
constexpr std::string_view IncludeTextures[] = {
    "Aluminum", "Apocalypse", "Blood_Marble", "Blood_Sky", "Blue_Agate", "Blue_Sky", "Blue_Sky2", "Blue_Sky3",
    "Brass_Metal", "Brass_Texture", "Brass_Valley", "Bright_Blue_Sky", "Bright_Bronze", "Bronze_Metal",
    "Bronze_Texture", "Brown_Agate", "Brushed_Aluminum", "Candy_Cane", "Cherry_Wood", "Chrome_Metal", "Chrome_Texture",
    "Clouds", "Copper_Metal", "Copper_Texture", "Cork", "DMFDarkOak", "DMFLightOak", "DMFWood1", "DMFWood2", "DMFWood3",
    "DMFWood4", "DMFWood5", "DMFWood6", "Dark_Green_Glass", "Dark_Wood", "Dull", "EMBWood1", "FBM_Clouds", "F_Glass1",
    "F_Glass10", "F_Glass2", "F_Glass3", "F_Glass4", "F_Glass5", "F_Glass6", "F_Glass7", "F_Glass8", "F_Glass9",
    "F_MetalA", "F_MetalB", "F_MetalC", "F_MetalD", "F_MetalE", "Glass", "Glass2", "Glass3", "Glass_Finish", "Glossy",
    "Gold_Metal", "Gold_Nugget", "Gold_Texture", "Green_Glass", "Jade", "Lightning1", "Lightning2", "Luminous", "Metal",
    "Metallic_Finish", "Mirror", "NBbeerbottle", "NBglass", "NBoldglass", "NBwinebottle", "New_Brass", "New_Penny",
    "Orange_Glass", "P_Cloud1", "P_Cloud2", "P_Cloud3", "P_Cloud4", "P_WoodGrain10A", "P_WoodGrain10B",
    "P_WoodGrain11A", "P_WoodGrain11B", "P_WoodGrain12A", "P_WoodGrain12B", "P_WoodGrain13A", "P_WoodGrain13B",
    "P_WoodGrain14A", "P_WoodGrain14B", "P_WoodGrain15A", "P_WoodGrain15B", "P_WoodGrain16A", "P_WoodGrain16B",
    "P_WoodGrain17A", "P_WoodGrain17B", "P_WoodGrain18A", "P_WoodGrain18B", "P_WoodGrain19A", "P_WoodGrain19B",
    "P_WoodGrain1A", "P_WoodGrain1B", "P_WoodGrain2A", "P_WoodGrain2B", "P_WoodGrain3A", "P_WoodGrain3B",
    "P_WoodGrain4A", "P_WoodGrain4B", "P_WoodGrain5A", "P_WoodGrain5B", "P_WoodGrain6A", "P_WoodGrain6B",
    "P_WoodGrain7A", "P_WoodGrain7B", "P_WoodGrain8A", "P_WoodGrain8B", "P_WoodGrain9A", "P_WoodGrain9B", "Peel",
    "Phong_Dull", "Phong_Glossy", "Phong_Shiny", "Pine_Wood", "PinkAlabaster", "Pink_Granite", "Polished_Brass",
    "Polished_Chrome", "Red_Marble", "Rosewood", "Ruby_Glass", "Rust", "Rusty_Iron", "Sandalwood", "Sapphire_Agate",
    "Shadow_Clouds", "Shiny", "Silver1", "Silver2", "Silver3", "SilverFinish", "Silver_Metal", "Silver_Texture",
    "Soft_Silver", "Spun_Brass", "Starfield", "Starfield1", "Starfield2", "Starfield3", "Starfield4", "Starfield5",
    "Starfield6", "T01", "T02", "T03", "T04", "T05", "T06", "T07", "T08", "T09", "T10", "T11", "T12", "T13", "T14",
    "T15", "T16", "T17", "T18", "T19", "T20", "T21", "T22", "T23", "T24", "T25", "T_Brass_1A", "T_Brass_1B",
    "T_Brass_1C", "T_Brass_1D", "T_Brass_1E", "T_Brass_2A", "T_Brass_2B", "T_Brass_2C", "T_Brass_2D", "T_Brass_2E",
    "T_Brass_3A", "T_Brass_3B", "T_Brass_3C", "T_Brass_3D", "T_Brass_3E", "T_Brass_4A", "T_Brass_4B", "T_Brass_4C",
    "T_Brass_4D", "T_Brass_4E", "T_Brass_5A", "T_Brass_5B", "T_Brass_5C", "T_Brass_5D", "T_Brass_5E", "T_Chrome_1A",
    "T_Chrome_1B", "T_Chrome_1C", "T_Chrome_1D", "T_Chrome_1E", "T_Chrome_2A", "T_Chrome_2B", "T_Chrome_2C",
    "T_Chrome_2D", "T_Chrome_2E", "T_Chrome_3A", "T_Chrome_3B", "T_Chrome_3C", "T_Chrome_3D", "T_Chrome_3E",
    "T_Chrome_4A", "T_Chrome_4B", "T_Chrome_4C", "T_Chrome_4D", "T_Chrome_4E", "T_Chrome_5A", "T_Chrome_5B",
    "T_Chrome_5C", "T_Chrome_5D", "T_Chrome_5E", "T_Cloud1", "T_Cloud2", "T_Cloud3", "T_Copper_1A", "T_Copper_1B",
    "T_Copper_1C", "T_Copper_1D", "T_Copper_1E", "T_Copper_2A", "T_Copper_2B", "T_Copper_2C", "T_Copper_2D",
    "T_Copper_2E", "T_Copper_3A", "T_Copper_3B", "T_Copper_3C", "T_Copper_3D", "T_Copper_3E", "T_Copper_4A",
    "T_Copper_4B", "T_Copper_4C", "T_Copper_4D", "T_Copper_4E", "T_Copper_5A", "T_Copper_5B", "T_Copper_5C",
    "T_Copper_5D", "T_Copper_5E", "T_Crack1", "T_Crack2", "T_Crack3", "T_Crack4", "T_Gold_1A", "T_Gold_1B", "T_Gold_1C",
    "T_Gold_1D", "T_Gold_1E", "T_Gold_2A", "T_Gold_2B", "T_Gold_2C", "T_Gold_2D", "T_Gold_2E", "T_Gold_3A", "T_Gold_3B",
    "T_Gold_3C", "T_Gold_3D", "T_Gold_3E", "T_Gold_4A", "T_Gold_4B", "T_Gold_4C", "T_Gold_4D", "T_Gold_4E", "T_Gold_5A",
    "T_Gold_5B", "T_Gold_5C", "T_Gold_5D", "T_Gold_5E", "T_Grnt0", "T_Grnt0a", "T_Grnt1", "T_Grnt10", "T_Grnt10a",
    "T_Grnt11", "T_Grnt11a", "T_Grnt12", "T_Grnt12a", "T_Grnt13", "T_Grnt13a", "T_Grnt14", "T_Grnt14a", "T_Grnt15",
    "T_Grnt15a", "T_Grnt16", "T_Grnt16a", "T_Grnt17", "T_Grnt17a", "T_Grnt18", "T_Grnt18a", "T_Grnt19", "T_Grnt19a",
    "T_Grnt1a", "T_Grnt2", "T_Grnt20", "T_Grnt20a", "T_Grnt21", "T_Grnt21a", "T_Grnt22", "T_Grnt22a", "T_Grnt23",
    "T_Grnt23a", "T_Grnt24", "T_Grnt24a", "T_Grnt25", "T_Grnt26", "T_Grnt27", "T_Grnt28", "T_Grnt29", "T_Grnt2a",
    "T_Grnt3", "T_Grnt3a", "T_Grnt4", "T_Grnt4a", "T_Grnt5", "T_Grnt5a", "T_Grnt6", "T_Grnt6a", "T_Grnt7", "T_Grnt7a",
    "T_Grnt8", "T_Grnt8a", "T_Grnt9", "T_Grnt9a", "T_Silver_1A", "T_Silver_1B", "T_Silver_1C", "T_Silver_1D",
    "T_Silver_1E", "T_Silver_2A", "T_Silver_2B", "T_Silver_2C", "T_Silver_2D", "T_Silver_2E", "T_Silver_3A",
    "T_Silver_3B", "T_Silver_3C", "T_Silver_3D", "T_Silver_3E", "T_Silver_4A", "T_Silver_4B", "T_Silver_4C",
    "T_Silver_4D", "T_Silver_4E", "T_Silver_5A", "T_Silver_5B", "T_Silver_5C", "T_Silver_5D", "T_Silver_5E", "T_Stone1",
    "T_Stone10", "T_Stone11", "T_Stone12", "T_Stone13", "T_Stone14", "T_Stone15", "T_Stone16", "T_Stone17", "T_Stone18",
    "T_Stone19", "T_Stone2", "T_Stone20", "T_Stone21", "T_Stone22", "T_Stone23", "T_Stone24", "T_Stone25", "T_Stone26",
    "T_Stone27", "T_Stone28", "T_Stone29", "T_Stone3", "T_Stone30", "T_Stone31", "T_Stone32", "T_Stone33", "T_Stone34",
    "T_Stone35", "T_Stone36", "T_Stone37", "T_Stone38", "T_Stone39", "T_Stone4", "T_Stone40", "T_Stone41", "T_Stone42",
    "T_Stone43", "T_Stone44", "T_Stone5", "T_Stone6", "T_Stone7", "T_Stone8", "T_Stone9", "T_Wood1", "T_Wood10",
    "T_Wood11", "T_Wood12", "T_Wood13", "T_Wood14", "T_Wood15", "T_Wood16", "T_Wood17", "T_Wood18", "T_Wood19",
    "T_Wood2", "T_Wood20", "T_Wood21", "T_Wood22", "T_Wood23", "T_Wood24", "T_Wood25", "T_Wood26", "T_Wood27",
    "T_Wood28", "T_Wood29", "T_Wood3", "T_Wood30", "T_Wood31", "T_Wood32", "T_Wood33", "T_Wood34", "T_Wood35",
    "T_Wood4", "T_Wood5", "T_Wood6", "T_Wood7", "T_Wood8", "T_Wood9", "Tan_Wood", "Tinny_Brass", "Tom_Wood",
    "Vicks_Bottle_Glass", "Water", "White_Marble", "White_Wood", "X_Gradient", "Y_Gradient", "Yellow_Glass",
    "Yellow_Pine",
};
static_assert(std::is_sorted(std::begin(IncludeTextures), std::end(IncludeTextures)));

// The settings file and the files of the standard include folder, in lower
// case, sorted.
constexpr std::string_view OwnFileNames[] = {
    "arrays.inc", "ash.map", "benediti.map", "bubinga.map", "bumpmap_.png", "cedar.map", "chars.inc", "colors.inc",
    "consts.inc", "crystal.ttf", "cyrvetic.ttf", "debug.inc", "finish.inc", "fract003.png", "functions.inc",
    "glass.inc", "glass_old.inc", "golds.inc", "ior.inc", "logo.inc", "makegrass.inc", "makemesh.inc",
    "marbteal.map", "math.inc", "meshmaker.inc", "metals.inc", "mount1.png", "mount2.png", "mtmand.pot",
    "mtmandj.png", "orngwood.map", "pinkmarb.map", "plasma2.png", "plasma3.png", "povlogo.ttf", "povmap.png",
    "povray.ini", "rad_def.inc", "rand.inc", "rdgranit.map", "screen.inc", "shapes.inc", "shapes2.inc",
    "shapes3.inc", "shapes_old.inc", "shapesq.inc", "skies.inc", "spiral.df3", "stage1.inc", "stars.inc",
    "stdcam.inc", "stdinc.inc", "stoneold.inc", "stones.inc", "stones1.inc", "stones2.inc", "strings.inc",
    "sunpos.inc", "teak.map", "test.png", "textures.inc", "timrom.ttf", "transforms.inc", "ttffonts.cat",
    "whiteash.map", "woodmaps.inc", "woods.inc",
};
static_assert(std::is_sorted(std::begin(OwnFileNames), std::end(OwnFileNames)));

// The standard include files that the scenes the program writes name (the
// scene's, the material include's with custom materials, the radiosity
// settings', the bakes') and every include file those name in turn, in lower
// case, sorted: the files POV-Ray opens when it renders them.
constexpr std::string_view SceneIncludeNames[] = {
    "colors.inc", "consts.inc", "finish.inc", "functions.inc", "glass.inc", "glass_old.inc", "golds.inc", "math.inc",
    "metals.inc", "rad_def.inc", "rand.inc", "shapes.inc", "shapes_old.inc", "skies.inc", "stars.inc", "stdinc.inc",
    "stones.inc", "stones1.inc", "stones2.inc", "strings.inc", "textures.inc", "transforms.inc", "woodmaps.inc",
    "woods.inc",
};
static_assert(std::is_sorted(std::begin(SceneIncludeNames), std::end(SceneIncludeNames)));

}  // namespace

bool IsPovReservedWord(std::string_view word) {
    return std::binary_search(std::begin(ReservedWords), std::end(ReservedWords), word);
}

bool IsPovWordThatMayTouchFiles(std::string_view word) {
    return std::binary_search(std::begin(FileWords), std::end(FileWords), word);
}

bool IsPovIncludeMacro(std::string_view name) {
    return std::binary_search(std::begin(IncludeMacros), std::end(IncludeMacros), name);
}

std::span<const std::string_view> PovIncludeMacros() { return IncludeMacros; }

bool IsPovIncludeTexture(std::string_view name) {
    return std::binary_search(std::begin(IncludeTextures), std::end(IncludeTextures), name);
}

bool IsPovRayOwnFileName(std::string_view fileName) {
    return std::binary_search(std::begin(OwnFileNames), std::end(OwnFileNames), std::string_view(LowerCase(fileName)));
}

bool IsPovRaySceneInclude(std::string_view fileName) {
    return std::binary_search(std::begin(SceneIncludeNames), std::end(SceneIncludeNames),
                              std::string_view(LowerCase(fileName)));
}

std::span<const std::string_view> PovRaySceneIncludes() { return SceneIncludeNames; }
