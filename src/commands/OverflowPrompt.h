#pragma once

#include <functional>

struct modDeclarations;

// The overflow dialog as the Update command sees it. Showing it returns at once; the dialog
// sets OverflowChoice ("Proceed", "Convert" or "Cancel", halving the header variables on Down
// Sample) and then calls `answered`, at most once. A dialog that ends the program leaves the
// choice at "Wait".
class OverflowPrompt {
public:
    virtual ~OverflowPrompt() = default;
    // `location` is the Update command's location, fixed when the command started.
    virtual void showOverflow(
        modDeclarations &declarations, int location, std::function<void()> answered)
        = 0;
    // Stop pressed while the dialog waits: answers it as its Cancel button does. Nothing when no
    // dialog waits; a prompt that answers at once never has one waiting.
    virtual void cancelOverflow() {}
};
