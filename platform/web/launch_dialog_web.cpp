#include "app/launch_dialog.h"
#include "platform/web/page_bridge.h"

#include <emscripten.h>

#include <array>
#include <cstdlib>
#include <string>

namespace {

enum Press { Cancel = 0, Confirm = 1 };

// Shows the page's launch form and waits for VORNE (or Enter) or LAME (or Escape).
// clang-format off
EM_ASYNC_JS(int, awaitPress, (), {
    const form = document.getElementById('launch');
    form.hidden = false;
    document.getElementById('canvas').hidden = true;
    document.getElementById('resolution').focus();
    return await new Promise(resolve => {
        const done = press => {
            form.onsubmit = null;
            document.getElementById('lame').onclick = null;
            form.onkeydown = null;
            resolve(press);
        };
        form.onsubmit = event => {
            event.preventDefault();
            done(1);
        };
        document.getElementById('lame').onclick = () => done(0);
        form.onkeydown = event => {
            if (event.key === 'Escape')
                done(0);
        };
    });
});
// clang-format on

// clang-format off
EM_JS(void, readForm, (char* text, int size, int* fullscreen), {
    stringToUTF8(document.getElementById('resolution').value, text, size);
    HEAP32[fullscreen >> 2] = document.getElementById('fullscreen').checked ? 1 : 0;
});
// clang-format on

// clang-format off
EM_JS(void, showRefusal, (const char* message),
      { document.getElementById('message').textContent = UTF8ToString(message); });
// clang-format on

// clang-format off
EM_JS(void, closeForm, (), {
    document.getElementById('message').textContent = "";
    document.getElementById('launch').hidden = true;
});
// clang-format on

// A page cannot end its own process: the module waits on a promise that nothing resolves.
// clang-format off
EM_ASYNC_JS(void, waitForever, (), { await new Promise(() => {}); });
// clang-format on

} // namespace

// Nothing runs after this; the page says so, and a reload starts the program anew.
void endProcessNow(int) {
    showPageStatus("Quorvane has ended: reload the page to start it again.", true);
    waitForever();
    std::abort();
}

// The page itself is the display, so the form always opens.
bool runLaunchDialog(LaunchSettings& settings, std::optional<int> maxSize) {
    for (;;) {
        if (awaitPress() == Cancel) {
            settings.confirmed = false;
            closeForm();
            return true;
        }
        std::array<char, 256> text{};
        int fullscreen = 0;
        readForm(text.data(), static_cast<int>(text.size()), &fullscreen);
        const std::optional<std::string> refusal =
            applyConfirm(settings, text.data(), fullscreen != 0, maxSize);
        if (!refusal) {
            closeForm();
            return true;
        }
        showRefusal(refusal->c_str());
    }
}
