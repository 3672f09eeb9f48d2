#pragma once

// What the options dialog changes on the main window. The dialog lives in settings/, below
// the application, so the main window implements this for it.

class TCustomTodoList;

class IOptionsHost {
public:
    virtual ~IOptionsHost() = default;
    // The main window's to-do list.
    virtual TCustomTodoList& OptionsList() = 0;
    // The panel with the Create Item and Delete Item buttons.
    virtual void SetButtonsVisible(bool visible) = 0;
    // True: the list fills the scroll box (no horizontal scroll bar); false: the list is
    // left-aligned at its full width of 1050 pixels.
    virtual void SetListFillsScrollBox(bool fill) = 0;
    // The autosave timer; switching it on starts a fresh count.
    virtual void SetAutoSaveEnabled(bool enabled) = 0;
};
