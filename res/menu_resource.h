// Menu 104 and accelerator table 104 as data; the frame builds its widgets
// from them.
#pragma once

#include <QKeySequence>
#include <vector>

namespace res {

struct MenuItemResource {
    const char* text; // nullptr for a separator; '\t' separates the key hint
    int id;
};

struct PopupResource {
    const char* title;
    std::vector<MenuItemResource> items;
};

// The three pop-ups of the main menu, in order.
const std::vector<PopupResource>& mainMenu();

struct AcceleratorResource {
    QKeySequence keys;
    int id; // commands without a handler are consumed and do nothing
};

const std::vector<AcceleratorResource>& mainAccelerators();

// The four toolbar buttons in order; button n shows image n of the strip.
const std::vector<int>& toolbarCommands();

} // namespace res
