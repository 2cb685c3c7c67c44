#pragma once

#include <functional>

#include <QString>

class QWidget;

namespace testing_support {

// Runs `handle` on the next modal window that opens (a message box, a dialog), from the event
// loop of that window; `handle` should close it.
void OnNextModal(std::function<void(QWidget *)> handle);

// The text of the next message box, which is closed with OK; empty when none opened.
struct MessageCatcher
{
    MessageCatcher();
    QString text;
    QString caption;
    bool seen = false;
};

} // namespace testing_support
