// Times the layered volume pass and the surface extraction on a headless GL context:
// build/quorvane-bench-extract [--size N] [--frames K]
#include "app/headless_gl_window.h"
#include "gpu/layered_pass.h"
#include "gpu/mesh.h"
#include "gpu/render_target.h"
#include "gpu/shader_program.h"
#include "gpu/surface_extractor.h"
#include "gpu/texture.h"
#include "shaders/shader_resource.h"
#include "shaders/shader_texts.h"

#include "platform/gl.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace {

struct Options {
    int size = SurfaceExtractor::baseSize;
    int frames = 20;
};

constexpr const char* usage = "usage: quorvane-bench-extract [--size N] [--frames K]\n"
                              "  --size N    volume side for the volume pass, a power of two "
                              "from 8 to 512 (default 128; extraction runs at 128 only)\n"
                              "  --frames K  timed frames per field, 1 to 10000 (default 20)\n";

std::optional<int> parseInt(std::string_view text, int low, int high) {
    int value = 0;
    if (text.empty() || text.size() > 6)
        return std::nullopt;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (value < low || value > high)
        return std::nullopt;
    return value;
}

std::optional<Options> parseOptions(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (i + 1 >= argc)
            return std::nullopt;
        const std::string_view value = argv[++i];
        if (arg == "--size") {
            const auto size = parseInt(value, 8, 512);
            if (!size || (*size & (*size - 1)) != 0)
                return std::nullopt;
            options.size = *size;
        } else if (arg == "--frames") {
            const auto frames = parseInt(value, 1, 10000);
            if (!frames)
                return std::nullopt;
            options.frames = *frames;
        } else {
            return std::nullopt;
        }
    }
    return options;
}

// Fragment stages of the two benchmark fields, in volume space 0..1; positive outside. The
// shared layered_pass.glsl in front of them declares fragmentIn and the uniforms "size" and "t".
constexpr const char* sphereField = R"(
#ifdef fragmentcompile
layout (location=0) out float outvalue;
void main() {
    outvalue = (length(fragmentIn.ppos - vec3(0.5)) - 0.3 - 0.01 * sin(t)) * 128.0;
}
#endif
)";

// Three octaves of 4D value noise carving a sphere, about what the scenes' fields cost.
constexpr const char* noiseField = R"(
#ifdef fragmentcompile
layout (location=0) out float outvalue;
void main() {
    vec3 p = fragmentIn.ppos;
    float n = prl(vec4(p * 6.0, t)) + 0.5 * prl(vec4(p * 12.0 + 3.1, t))
            + 0.25 * prl(vec4(p * 24.0 + 7.3, t));
    outvalue = (length(p - vec3(0.5)) - 0.3 + 0.15 * n) * 128.0;
}
#endif
)";

ShaderProgram fieldProgram(const char* name, const char* fragmentStage) {
    std::string text(shaderTexts().helper("layered_pass.glsl"));
    text += shaderTexts().helper("prl.glsl");
    text += fragmentStage;
    ShaderProgram program = ShaderProgram::fromText(text, name, ShaderFlags::HasGeometry);
    GLint linked = GL_FALSE;
    glGetProgramiv(program.id(), GL_LINK_STATUS, &linked);
    if (linked != GL_TRUE)
        throw std::runtime_error(std::string("the ") + name + " field program does not build");
    return program;
}

// Wall-clock and GPU milliseconds of `work`, which waits for the GPU before it returns.
template <typename Work> std::pair<double, double> timed(GLuint query, Work&& work) {
    const auto start = std::chrono::steady_clock::now();
    glBeginQuery(GL_TIME_ELAPSED, query);
    work();
    glEndQuery(GL_TIME_ELAPSED);
    const auto end = std::chrono::steady_clock::now();
    GLuint64 nanoseconds = 0;
    glGetQueryObjectui64v(query, GL_QUERY_RESULT, &nanoseconds);
    return {std::chrono::duration<double, std::milli>(end - start).count(), nanoseconds * 1e-6};
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : 0.5 * (values[middle - 1] + values[middle]);
}

struct Samples {
    std::vector<double> wall;
    std::vector<double> gpu;
    void add(std::pair<double, double> sample) {
        wall.push_back(sample.first);
        gpu.push_back(sample.second);
    }
};

void benchmarkField(const char* name, const char* fragmentStage, const Options& options,
                    SurfaceExtractor& extractor, const Mesh& quad, GLuint query) {
    const ShaderProgram program = fieldProgram(name, fragmentStage);
    const Texture3D volume(VolumeKind::Distance, options.size, options.size, options.size);
    RenderTarget target;
    target.attachLayers(0, volume, 0);
    const bool extracting = options.size == SurfaceExtractor::baseSize;

    Samples pass;
    Samples extraction;
    std::vector<double> quads;
    // Frame 0 warms caches and shader compilation up and is not counted.
    for (int frame = 0; frame <= options.frames; ++frame) {
        const auto passTime = timed(query, [&] {
            program.bind();
            program.setFloat("t", frame / 60.0);
            runLayeredPass(target, program, quad, options.size);
        });
        std::pair<double, double> extractTime{};
        if (extracting)
            extractTime = timed(query, [&] { extractor.extract(volume); });
        if (frame == 0)
            continue;
        pass.add(passTime);
        if (extracting) {
            extraction.add(extractTime);
            quads.push_back(extractor.quadCount());
        }
    }
    std::printf("volume %s size=%d frames=%d median_ms=%.3f gpu_median_ms=%.3f\n", name,
                options.size, options.frames, median(pass.wall), median(pass.gpu));
    if (extracting)
        std::printf("extract %s size=%d frames=%d quads=%.0f median_ms=%.3f gpu_median_ms=%.3f\n",
                    name, options.size, options.frames, median(quads), median(extraction.wall),
                    median(extraction.gpu));
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::string_view(argv[1]) == "--help") {
        std::fputs(usage, stdout);
        return 0;
    }
    const std::optional<Options> options = parseOptions(argc, argv);
    if (!options) {
        std::fputs(usage, stderr);
        return 2;
    }
    try {
        HeadlessGlWindow window(64, 64);
        std::printf("renderer: %s\n", reinterpret_cast<const char*>(glGetString(GL_RENDERER)));
        if (options->size != SurfaceExtractor::baseSize)
            std::printf("extraction skipped: it runs on %d^3 volumes only\n",
                        SurfaceExtractor::baseSize);
        const Mesh quad(MeshShape::FullScreenQuad);
        SurfaceExtractor extractor;
        GLuint query = 0;
        glGenQueries(1, &query);
        benchmarkField("sphere", sphereField, *options, extractor, quad, query);
        benchmarkField("noise", noiseField, *options, extractor, quad, query);
        glDeleteQueries(1, &query);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "quorvane-bench-extract: %s\n", error.what());
        return 1;
    }
    return 0;
}
