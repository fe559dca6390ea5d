#include "gpu/gl_profile.h"

#include <stdexcept>
#include <string_view>

const char* shaderVersionLine() {
    return "#version 300 es\n";
}

namespace {

// Every occurrence of `from` in `text` replaced by `to`.
std::string replaced(std::string text, std::string_view from, std::string_view to) {
    for (std::size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

} // namespace

// A layered pass (layered_pass_web.cpp) sets the text's fragmentIn before the text's main runs:
// that main becomes a function, and a main after the text calls it.
std::string fragmentStageText(const std::string& text) {
    if (text.find("struct LayeredFragment") == std::string::npos)
        return text;
    if (text.find("void main()") == std::string::npos)
        throw std::runtime_error("a layered text without \"void main()\"");
    return replaced(text, "void main()", "void layeredSlice()") +
           "\nvoid main() {\n    fragmentIn.ppos = vec3(sliceXY, sliceZ);\n    "
           "layeredSlice();\n}\n";
}

// The layered pass draws its layers side by side in an atlas instead (layered_pass_web.cpp).
bool geometryStagesAvailable() {
    return false;
}

// WebGL 2 lets a pass write level L + 1 while sampling level L only from immutable storage.
void allocateVolumeLevels(GLenum internalFormat, GLenum, GLenum, int width, int height, int depth,
                          int levels) {
    glTexStorage3D(GL_TEXTURE_3D, levels, internalFormat, width, height, depth);
}

// WebGL 2 attaches one layer at a time; the layered pass fills the others by copies.
void attachVolumeLevel(GLenum point, GLuint texture, int level) {
    glFramebufferTextureLayer(GL_FRAMEBUFFER, point, texture, level, 0);
}

// WebGL 2 always takes gl_PointSize and has no switch for it (the enum is an error there).
void takePointSizesFromVertexStage() {}

// A browser zero-fills every texture it allocates and hands the zeros to the GL: resizing the
// extractor's float outputs to each frame's surface cost megabytes of fill and copy per frame.
OutputSizing extractorOutputSizing() {
    return OutputSizing::GrowOnly;
}

// A software rasterizer (Mesa's llvmpipe) bins everything up to a flush before it draws, and hands
// all but 64 KiB of those bins back when done. Inside a browser's GPU process each 64 KiB goes back
// to the system at once, a page-table flush each, and is faulted in anew for the next frame: that
// took more than half the frame of a million particles, and 35 ms of the plume's surface. Long
// draws go in batches, each handed on by itself (endDrawBatch); each batch costs a scene, so not
// too small: 4,096 points and 2,048 quads (drawn plainly, below) were the fastest on llvmpipe in
// headless Chromium.
int pointsPerDraw() {
    return 4096;
}

int quadsPerDraw() {
    return 2048;
}

// Each instance of a draw costs the browser's GPU process far more than the desktop's GL: drawn as
// instances, the plume's 25,000 quads took 20 ms a frame against 7 natively, at any batch size;
// spelt out and drawn plainly, 9 to 11 ms.
bool quadsAsInstances() {
    return false;
}

// A WebGL flush does not always reach the GL in Chromium (batches of quads stayed one llvmpipe
// scene), a fence does: creating one makes the GL flush.
void endDrawBatch() {
    glDeleteSync(glFenceSync(GL_SYNC_GPU_COMMANDS_COMPLETE, 0));
}
