// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QAccessibleEvent;

// Whether an assistive tool (a screen reader) listens, and telling it an
// event. It is Qt's own accessibility, with one door for tests: a platform
// without a bridge (offscreen) never becomes active, so a test installs a
// listener, which then counts as a tool and hears every event instead.
namespace AssistiveTools {

using Listener = void (*)(QAccessibleEvent *event);

bool active();
void tell(QAccessibleEvent &event);
// A null listener gives the events back to the platform.
void setListener(Listener listener);

} // namespace AssistiveTools
