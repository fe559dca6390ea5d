#include "gpu/gl_profile.h"

#include "gpu/layered_pass.h"

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

// A layered pass writes layersPerDraw() layers per draw (layered_pass_web.cpp): its text's main and
// its one output become a function and a variable, and a main after the text runs that function
// once per layer and writes each layer's value to that layer's draw buffer. (Plain string search:
// std::regex would double the size of the .wasm.)
std::string fragmentStageText(const std::string& text) {
    if (text.find("struct LayeredFragment") == std::string::npos)
        return text;
    // "layout (location=0) out TYPE NAME;", as every layered text declares its output.
    constexpr std::string_view declaration = "layout (location=0) out ";
    const std::size_t at = text.find(declaration);
    const std::size_t space = text.find(' ', at + declaration.size());
    const std::size_t end = text.find(';', at + declaration.size());
    if (at == std::string::npos || space == std::string::npos || end == std::string::npos ||
        space > end)
        throw std::runtime_error("a layered text without \"layout (location=0) out TYPE NAME;\"");
    const std::string type = text.substr(at + declaration.size(), space - at - declaration.size());
    const std::string name = text.substr(space + 1, end - space - 1);
    std::string form = text;
    form.replace(at, end - at, type + " " + name);
    form = replaced(form, "void main()", "void layeredSlice()");
    std::string outputs, body;
    for (int k = 0; k < layersPerDraw(); ++k) {
        const std::string slot = std::to_string(k);
        const std::string z =
            "sliceZ[" + std::to_string(k / 4) + "][" + std::to_string(k % 4) + "]";
        outputs += "layout(location = " + slot + ") out " + type + " layeredOut" + slot + ";\n";
        body += "    fragmentIn.ppos = vec3(sliceXY, " + z +
                ");\n    layeredSlice();\n    layeredOut" + slot + " = " + name + ";\n";
    }
    return form + "\n" + outputs + "void main() {\n" + body + "}\n";
}

// The layered pass draws its layers in groups instead (layered_pass_web.cpp).
bool geometryStagesAvailable() {
    return false;
}

// WebGL 2 lets a pass write level L + 1 while sampling level L only from immutable storage.
void allocateVolumeLevels(GLenum internalFormat, GLenum, GLenum, int width, int height, int depth,
                          int levels) {
    glTexStorage3D(GL_TEXTURE_3D, levels, internalFormat, width, height, depth);
}

// WebGL 2 attaches one layer at a time: the layered pass moves it from layer to layer.
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
