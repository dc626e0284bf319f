// The parameters' descriptions.
#include "host/param_descriptions.h"

#include <cstring>

#include "effect/params.h"

namespace {

struct Description {
    int32_t index;
    const char* name;   // as registered, to be sure the index means the same parameter
    const char* text;
};

// Sizes in pixels are for a 1920-pixel-wide layer; they scale with the layer's width.
const Description Descriptions[] = {
    {PARAM_INFORMATION, "Information", "The effect's banner in the host's panel, with buttons for the About box and the maker's web site; it holds no value."},
    {PARAM_RENDERING_MODE, "Rendering mode", "How the tree is drawn: Rough (one-pixel edges), Line and Wire (pen outlines), Flat (one colour per face), Phong (smooth shading), Patches (rounded outlines) or Bezier (the curved surface, per pixel)."},
    {PARAM_GROW_UP, "Grow up", "How far the tree has grown, in percent: 0 shows nothing, 100 the whole tree; the trunk grows first, then each level of branches in turn. Keyframe it to animate growth."},
    {PARAM_TREE_GROUP, "Tree", "The trunk and branches: their shape, and their sway in the wind."},
    {PARAM_N_BRANCHES, "N branches", "The depth of forking: levels of branches, each branch forking into three. Each level multiplies the triangles by three to seven: 4 makes about 5,000, 8 about 600,000, 9 about 3 million (half a gigabyte, minutes a frame), 10 about 20 million (some 3 GB)."},
    {PARAM_LENGTH, "Length", "The trunk's length in percent of half the layer's width (50: 480 pixels); the branches are made in proportion to it."},
    {PARAM_WIDTH, "Width", "The trunk's thickness: its radius at the foot is Width / 2.5 percent of half the layer's width (5: 19.2 pixels); branches taper from it."},
    {PARAM_DISPERSION, "Dispersion", "Randomness of the branches' lengths, angles and twist, in percent: 0 grows a regular tree."},
    {PARAM_BRANCHINESS, "Branchiness", "How widely each fork fans out, in percent; every level fans out a fifth less than the one it grows from."},
    {PARAM_PROPORTIONS, "Proportions", "The length of the two outer branches of each fork, in percent of the middle one's 86 % of their parent; it grows by 30 % a level."},
    {PARAM_AMPLITUDE_X, "Amplitude X of oscillation", "How far the wind sways the tree from side to side, in percent; 0 for no sway."},
    {PARAM_AMPLITUDE_Z, "Amplitude Z of oscillation", "How far the wind sways the branches towards and away from the viewer, in percent; negative sways them the other way."},
    {PARAM_FREQUENCY, "Frequency of oscillation", "How fast the wind sways the tree: one sway lasts 720 / F frames (72 at 10, three seconds at 24 fps); 0 holds the tree still."},
    {PARAM_NEEDLES_GROUP, "Needles", "The needles that cover every branch, and the wave that runs through them."},
    {PARAM_NEEDLES_SHAPE, "Needles shape", "The needles' cross-section: Flat (a blade), Semi (half round) or Round."},
    {PARAM_NEEDLES_DENSITY, "Needles density", "How closely the needles sit along a branch, in percent: (1.1 - D / 100) / 15 of the layer's width apart (90: 25.6 pixels). More needles, more triangles."},
    {PARAM_NEEDLES_LENGTH, "Needles length", "The needles' length, in percent of an eighth of the layer's width (50: 120 pixels), a little longer on the trunk and lower branches."},
    {PARAM_NEEDLES_WIDTH, "Needles width", "The needles' width, in percent of a fortieth of the layer's width (45: 21.6 pixels)."},
    {PARAM_NEEDLES_DISPERSION, "Needles dispersion", "Randomness of the needles' directions, in percent."},
    {PARAM_NEEDLES_AMPLITUDE, "Amplitude of oscillation", "How far the wave lifts the needles as it passes, in percent; negative lifts them the other way."},
    {PARAM_NEEDLES_SPEED, "Speed of oscillation", "How fast the wave runs through the needles from the trunk to the tips: it starts again every 1000 / S frames (25 at 40); 0 stops it."},
    {PARAM_POSITION, "Position", "Where the foot of the tree stands: x,y in layer pixels, or x%,y% of the layer (the default is the bottom centre, 50%,100%)."},
    {PARAM_SCALE, "Scale", "The tree's size in percent (100: as Length and Width make it; negative mirrors it). The tree is sized by the layer's width, so at 16:9 the whole default tree needs about 70."},
    {PARAM_ROTATION_X, "Rotation X", "Tilts the tree towards or away from the viewer, in degrees."},
    {PARAM_ROTATION_Y, "Rotation Y", "Turns the tree about its own trunk, in degrees (0 to 360 over a clip is one full turn)."},
    {PARAM_ROTATION_Z, "Rotation Z", "Turns the tree in the picture's plane, in degrees: the tree is generated growing down the picture, so 180 stands it upright."},
    {PARAM_NEEDLE_MATERIAL_GROUP, "Material of needles", "The needles' surface: colours, highlights, glass and reflection."},
    {PARAM_NEEDLE_DIFFUSE, "Diffuse", "The needles' colour, red,green,blue 0 to 255."},
    {PARAM_NEEDLE_SPECULAR, "Specular", "The colour of the needles' highlights."},
    {PARAM_NEEDLE_SHININESS, "Shininess", "How small and sharp the needles' highlights are: the highlight's exponent is 10 times this (15: 150)."},
    {PARAM_NEEDLE_SHININESS_STRENGTH, "Strength of shininess", "How bright the needles' highlights are: a tenth of it multiplies the highlight (0: none)."},
    {PARAM_NEEDLE_SELF_ILLUMINATION, "Self illumination", "The needles' own light, in percent: the least their colour is lit (100: unshaded)."},
    {PARAM_NEEDLE_TRANSPARENCY, "Transparancy", "How much of what is behind the needles shows through them, in percent."},
    {PARAM_NEEDLE_GLASS, "Glass", "Draws the needles as glass: what is behind them is refracted and tinted by their colour."},
    {PARAM_NEEDLE_REFRACTION, "Refraction", "How far the needles' glass displaces what is behind it: a tenth of it in pixels, along the surface's slope; negative the other way."},
    {PARAM_NEEDLE_OPTICAL_COEFFICIENT, "Optical coefficient", "How the needles' glass displacement grows from the middle of a face towards its edges (a tenth of it is the coefficient)."},
    {PARAM_NEEDLE_ABERRATION, "Aberration", "Colour fringes of the needles' glass, in percent: how much less green and blue are displaced than red."},
    {PARAM_NEEDLE_REFLECTION_LAYER, "Texture reflection", "A layer the needles reflect (the render command's --needle-reflection IMAGE); none by default."},
    {PARAM_NEEDLE_REFLECTION_PERCENT, "Reflection percent", "How strongly the needles show their reflection layer, in percent."},
    {PARAM_TREE_MATERIAL_GROUP, "Material of tree", "The surface of the trunk and branches: colours, highlights, glass and reflection."},
    {PARAM_TREE_DIFFUSE, "Diffuse", "The colour of the trunk and branches, red,green,blue 0 to 255."},
    {PARAM_TREE_SPECULAR, "Specular", "The colour of the bark's highlights."},
    {PARAM_TREE_SHININESS, "Shininess", "How small and sharp the bark's highlights are: the highlight's exponent is 10 times this (15: 150)."},
    {PARAM_TREE_SHININESS_STRENGTH, "Strength of Shininess", "How bright the bark's highlights are: a tenth of it multiplies the highlight (9: 0.9)."},
    {PARAM_TREE_SELF_ILLUMINATION, "Self illumination", "The bark's own light, in percent: the least its colour is lit (100: unshaded)."},
    {PARAM_TREE_TRANSPARENCY, "Transparancy", "How much of what is behind the trunk and branches shows through them, in percent."},
    {PARAM_TREE_GLASS, "Glass", "Draws the trunk and branches as glass: what is behind them is refracted and tinted by their colour."},
    {PARAM_TREE_REFRACTION, "Refraction", "How far the bark's glass displaces what is behind it: a tenth of it in pixels at full resolution, along the surface's slope; negative the other way."},
    {PARAM_TREE_OPTICAL_COEFFICIENT, "Optical coefficient", "How the bark's glass displacement grows from the middle of a face towards its edges (a tenth of it is the coefficient)."},
    {PARAM_TREE_ABERRATION, "Aberration", "Colour fringes of the bark's glass, in percent: how much less green and blue are displaced than red."},
    {PARAM_TREE_REFLECTION_LAYER, "Texture reflection", "A layer the trunk and branches reflect (the render command's --tree-reflection IMAGE); none by default."},
    {PARAM_TREE_REFLECTION_PERCENT, "Reflection percent", "How strongly the trunk and branches show their reflection layer, in percent."},
    {PARAM_LIGHT_GROUP, "Light", "The light on the tree: a main light, and an opposite one."},
    {PARAM_LIGHT_MULTIPLY, "Multiply", "The brightness of the lights, in percent (100: as their colour says; above brightens, negative darkens)."},
    {PARAM_LIGHT_COLOR, "Light color", "The colour of the lights, red,green,blue 0 to 255."},
    {PARAM_LIGHT_ROTATE_UV, "Rotate UV", "Where the main light stands around the tree, in degrees in the picture's plane: 0 from the right, 90 from below, 180 from the left, 270 from above."},
    {PARAM_LIGHT_ROTATE_WV, "Rotate WV", "How far the main light stands out of the picture's plane towards the viewer, in degrees: 0 lights from the side, 90 from the front."},
    {PARAM_OPPOSITE_LIGHT, "Opposite light", "A second light of the same colour at the opposite side, 25 degrees behind the picture's plane: a rim light."},
    {PARAM_CUT_ALPHA, "Cut alpha", "Renders the tree alone on transparent black instead of over the layer, so the frame's alpha is the tree's coverage: for laying the tree over other footage."},
};

std::string RecordName(const PF_ParamDef& p) { return std::string(p.name, strnlen(p.name, sizeof p.name)); }

bool Matches(const HostSession& session, int32_t index, const char* name)
{
    return index >= 0 && size_t(index) < session.defaults.size() && RecordName(session.defaults[size_t(index)]) == name;
}

} // namespace

std::string ParamDescription(const HostSession& session, int32_t index)
{
    for (const Description& d : Descriptions)
        if (d.index == index)
            return Matches(session, index, d.name) ? d.text : std::string();
    return std::string();
}

bool WindLoopFrames(const HostSession& session, double& swayFrames, double& waveFrames)
{
    if (!Matches(session, PARAM_FREQUENCY, "Frequency of oscillation") ||
        !Matches(session, PARAM_NEEDLES_SPEED, "Speed of oscillation") || session.values.size() <= PARAM_NEEDLES_SPEED)
        return false;
    // The sway is sin(frame × F × pi / 360); the wave's place is (frame × S) mod 1000.
    const double f = session.values[PARAM_FREQUENCY].u.fd.value / 65536.0;
    const double s = session.values[PARAM_NEEDLES_SPEED].u.fd.value / 65536.0;
    swayFrames = f > 0 ? 720.0 / f : 0.0;
    waveFrames = s > 0 ? 1000.0 / s : 0.0;
    return true;
}
