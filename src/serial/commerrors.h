// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "shared/failure.h"

// The serial component's refusals, numbers and descriptions as users and
// callers know them.
namespace commerrors {

inline constexpr int InvalidPortNumber = 8002;
inline constexpr int PortAlreadyOpen = 8005;
inline constexpr int InvalidPropertyValue = 380;
inline constexpr int CouldNotSetCommState = 8015;
inline constexpr int PortNotOpen = 8018;

inline Failure invalidPortNumber()
{
    return {InvalidPortNumber, QStringLiteral("Invalid Port Number")};
}
inline Failure portAlreadyOpen()
{
    return {PortAlreadyOpen, QStringLiteral("Port already open")};
}
inline Failure invalidPropertyValue()
{
    return {InvalidPropertyValue, QStringLiteral("Invalid property value")};
}
inline Failure couldNotSetCommState()
{
    return {CouldNotSetCommState,
            QStringLiteral("Could not set comm state, there may be one or more invalid communications parameters")};
}
inline Failure portNotOpen()
{
    return {PortNotOpen, QStringLiteral("Operation valid only when the port is open")};
}

// True for the two numbers that mean "this port is not available".
inline bool isPortUnavailable(int number)
{
    return number == InvalidPortNumber || number == PortAlreadyOpen;
}

} // namespace commerrors
