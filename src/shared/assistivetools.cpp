// SPDX-License-Identifier: GPL-3.0-or-later
#include "shared/assistivetools.h"

#include <QAccessible>

namespace AssistiveTools {

namespace {
Listener g_listener = nullptr;
} // namespace

bool active()
{
    return g_listener || QAccessible::isActive();
}

void tell(QAccessibleEvent &event)
{
    if (g_listener)
        g_listener(&event);
    else
        QAccessible::updateAccessibility(&event);
}

void setListener(Listener listener)
{
    g_listener = listener;
}

} // namespace AssistiveTools
