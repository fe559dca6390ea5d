#pragma once

#include "app/gl_window.h"
#include "app/timeline_director.h"
#include "gpu/mesh.h"
#include "gpu/surface_extractor.h"
#include "scenes/crt_random.h"

#include <memory>

// The GPU objects every scene borrows: the full-screen quad and the one surface extractor.
struct SharedGpu {
    Mesh quad{MeshShape::FullScreenQuad};
    SurfaceExtractor extractor;
};

// The scenes of the timeline, built in the order the demo builds them and destroyed in reverse.
// The demo and the capture tool both build them here, so both render the same frames.
class DemoScenes {
  public:
    DemoScenes(const GlWindow& window, SharedGpu& shared);
    ~DemoScenes();
    DemoScenes(const DemoScenes&) = delete;
    DemoScenes& operator=(const DemoScenes&) = delete;

    SceneSet& set() { return set_; }

  private:
    // The C runtime's one sequence: the plume's dust takes its first values, the finale's the next.
    CrtRandom random_;
    // Declared in the order of building, so they are destroyed in reverse.
    std::unique_ptr<Scene> plume_;
    std::unique_ptr<Scene> shaft_;
    std::unique_ptr<Scene> sheet_;
    std::unique_ptr<Scene> finale_;
    SceneSet set_;
};
