#include "gpu/gl_profile.h"

#include "gpu/layered_pass.h"

#include <regex>

const char* shaderVersionLine() {
    return "#version 300 es\n";
}

// A layered pass writes layersPerDraw layers per draw (layered_pass_web.cpp): its text's main and
// its one output become a function and a variable, and a main after the text runs that function
// once per layer and writes each layer's value to that layer's draw buffer.
std::string fragmentStageText(const std::string& text) {
    static const std::regex output(
        R"(layout\s*\(\s*location\s*=\s*0\s*\)\s*out\s+(\w+)\s+(\w+)\s*;)");
    std::smatch found;
    if (text.find("struct LayeredFragment") == std::string::npos ||
        !std::regex_search(text, found, output))
        return text;
    const std::string type = found[1], name = found[2];
    std::string form = std::regex_replace(text, output, type + " " + name + ";",
                                          std::regex_constants::format_first_only);
    form =
        std::regex_replace(form, std::regex(R"(\bvoid\s+main\s*\(\s*\))"), "void layeredSlice()");
    std::string outputs, body;
    for (int k = 0; k < layersPerDraw; ++k) {
        const std::string slot = std::to_string(k);
        outputs += "layout(location = " + slot + ") out " + type + " layeredOut" + slot + ";\n";
        body += "    fragmentIn.ppos = vec3(sliceXY, sliceZ[" + slot +
                "]);\n    layeredSlice();\n    layeredOut" + slot + " = " + name + ";\n";
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

// A software rasterizer (Mesa's llvmpipe) bins a whole draw before it draws it and hands all but
// 64 KiB of its bins back when done. Inside a browser's GPU process each of those blocks goes back
// to the system at once, a page-table flush every 64 KiB that took more than half the frame of a
// million particles. Batches keep the bins small; each costs a flush, so not too small: 4,096
// points and 1,024 quads were the fastest on llvmpipe in headless Chromium.
int pointsPerDraw() {
    return 4096;
}

int quadsPerDraw() {
    return 1024;
}
