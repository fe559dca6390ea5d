#include "demo/demo_scenes.h"

#include "scenes/plume_scene.h"
#include "scenes/shaft_scene.h"
#include "scenes/sheet_scene.h"
#include "text/finale_scene.h"

DemoScenes::DemoScenes(const GlWindow& window, SharedGpu& shared)
    : plume_(std::make_unique<PlumeScene>(window, shared.extractor, shared.quad, random_)),
      shaft_(std::make_unique<ShaftScene>(window, shared.extractor, shared.quad)),
      sheet_(std::make_unique<SheetScene>(window, shared.quad)),
      finale_(std::make_unique<FinaleScene>(window, shared.extractor, shared.quad, random_)),
      set_{shaft_.get(), plume_.get(), finale_.get(), sheet_.get()} {}

DemoScenes::~DemoScenes() = default;
