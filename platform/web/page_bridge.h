#pragma once

// The page around the module: the few JavaScript calls that more than one platform file needs.

// Waits for the browser's next animation frame, so that what was drawn so far is shown.
void waitForAnimationFrame();

// Sets the document's title.
void setPageTitle(const char* title);

// Shows one line in the page's status line (and hides the canvas when `hideCanvas`).
void showPageStatus(const char* text, bool hideCanvas);
