#include "platform/web/page_bridge.h"

#include <emscripten.h>

// Resolves on the next animation frame: the browser presents the canvas between two of them.
// clang-format off
EM_ASYNC_JS(void, awaitAnimationFrame, (),
            { await new Promise(resolve => requestAnimationFrame(resolve)); });
// clang-format on

// clang-format off
EM_JS(void, writeTitle, (const char* title), { document.title = UTF8ToString(title); });
// clang-format on

// clang-format off
EM_JS(void, writeStatus, (const char* text, int hideCanvas), {
    const status = document.getElementById('status');
    status.textContent = UTF8ToString(text);
    status.hidden = false;
    if (hideCanvas)
        document.getElementById('canvas').hidden = true;
});
// clang-format on

void waitForAnimationFrame() {
    awaitAnimationFrame();
}

void setPageTitle(const char* title) {
    writeTitle(title);
}

void showPageStatus(const char* text, bool hideCanvas) {
    writeStatus(text, hideCanvas ? 1 : 0);
}
