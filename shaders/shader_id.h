#pragma once

// Every program text by its role; the value is its resource id, the number in shaders/<id>.glsl.
enum class ShaderId : int {
    // The closing scene.
    BlobSurface = 102,
    TextSurface = 103,
    BlobField = 104,
    TextField = 105,
    Ground = 106,
    StreamSeed = 107,
    FinaleComposite = 108,
    StreamSprites = 109,
    StreamStep = 110,
    BlobTable = 130,
    // The plume; its dust motes also drift through the closing scene.
    PlumeSurface = 111,
    PlumeComposite = 112,
    PlumeField = 113,
    Dust = 114,
    // The surface extractor.
    CellClassify = 127,
    PyramidReduce = 115,
    PyramidTraverse = 116,
    CornerPlacement = 117,
    // The shaft and its smoke.
    SmokeSeed = 118,
    ShaftSky = 119,
    SmokeSprites = 120,
    SmokeStep = 121,
    ShaftSurface = 125,
    ShaftField = 126,
    // The particle sheet.
    SheetPoints = 122,
    SheetSeed = 123,
    SheetStep = 124,
};

// The resource id that names the text in this executable.
constexpr int resourceId(ShaderId id) {
    return static_cast<int>(id);
}
