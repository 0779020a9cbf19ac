// The reserved words of POV-Ray 3.7, which no scene can declare as a name,
// and the macros of its standard include files.
// scripts/check-pov-reserved-words.py checks the tables against the installed
// povray and its include files: each reserved word must be reserved there (a
// word that is not could be the name of a macro), no macro or function of
// the standard include files may be among them, and the macro table lists
// every macro those files declare.
#include "model/PovReservedWords.h"

#include <algorithm>
#include <iterator>
#include <span>
#include <string>

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

bool IsPovRayOwnFileName(std::string_view fileName) {
    std::string lower(fileName);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return std::binary_search(std::begin(OwnFileNames), std::end(OwnFileNames), std::string_view(lower));
}

std::span<const std::string_view> PovRayOwnFileNames() { return OwnFileNames; }
