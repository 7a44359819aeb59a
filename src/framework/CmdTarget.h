#pragma once

// Message and command routing of the framework: classes list the window
// messages and the menu command ids they handle in static tables, and the
// framework looks a message or command up there. A command id that no table
// lists has no handler, which is how a menu item knows to show greyed.
#include <windows.h>

#include <span>

namespace tidemark {

// One menu item during the update pass that runs when its popup opens.
class CCmdUI {
public:
    CCmdUI(HMENU menu, UINT index, UINT id) : menu_(menu), index_(index), id_(id) {}

    UINT id() const { return id_; }
    void Enable(bool on = true)
    {
        EnableMenuItem(menu_, index_, MF_BYPOSITION | (on ? MF_ENABLED : MF_GRAYED));
    }
    void SetCheck(bool on = true) { CheckMenuItem(menu_, index_, MF_BYPOSITION | (on ? MF_CHECKED : MF_UNCHECKED)); }

private:
    HMENU menu_;
    UINT index_;
    UINT id_;
};

// Something that menu commands can be routed to: the frame, the application.
class CCmdTarget {
public:
    virtual ~CCmdTarget() = default;

    // With `ui` null, runs the handler of command `id`. With `ui` given,
    // updates the menu item: through the update handler when there is one,
    // else the item is enabled because a handler exists. False when this
    // target knows nothing of `id`.
    virtual bool OnCmdMsg(UINT id, CCmdUI *ui)
    {
        (void)id;
        (void)ui;
        return false;
    }
};

// A row of a command table: the handler, the update handler, or both.
template <class T>
struct CommandEntry {
    UINT id;
    void (T::*onCommand)();
    void (T::*onUpdate)(CCmdUI &);
};

template <class T>
bool RouteCommand(T &target, std::span<const CommandEntry<T>> table, UINT id, CCmdUI *ui)
{
    for (const CommandEntry<T> &entry : table) {
        if (entry.id != id) {
            continue;
        }
        if (ui == nullptr) {
            if (entry.onCommand != nullptr) {
                (target.*entry.onCommand)();
                return true;
            }
        } else if (entry.onUpdate != nullptr) {
            (target.*entry.onUpdate)(*ui);
            return true;
        } else if (entry.onCommand != nullptr) {
            ui->Enable(true);
            return true;
        }
    }
    return false;
}

// A row of a window-message table.
template <class T>
struct MessageEntry {
    UINT message;
    LRESULT (T::*handler)(WPARAM, LPARAM);
};

// Runs the handler of `message` from `table` and stores its result; false
// when the table has none.
template <class T>
bool RouteMessage(T &target, std::span<const MessageEntry<T>> table, UINT message, WPARAM wParam, LPARAM lParam,
                  LRESULT &result)
{
    for (const MessageEntry<T> &entry : table) {
        if (entry.message == message) {
            result = (target.*entry.handler)(wParam, lParam);
            return true;
        }
    }
    return false;
}

}  // namespace tidemark
